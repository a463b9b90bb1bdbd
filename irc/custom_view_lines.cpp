#include "irc/custom_view_lines.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/user_address.h"
#include "core/chat_view_message.h"
#include "core/window_record.h"
#include "markup/untrusted_text.h"
#include "markup/display_text.h"
#include "markup/markup_codes.h"

namespace {

// Direct colours with the custom view's alpha in the top byte: the sender, and the event's words.
constexpr uint32_t kNickColor = 0xA0FF0000;
constexpr uint32_t kEventColor = 0x35005500;

// Server text loses the program's own markup before it joins a line of the view.
std::wstring Convert(const std::string& text, const WindowRecord* record) {
    const UINT codePage =
        record->CodePage >= 0 ? static_cast<UINT>(record->CodePage) : DefaultCodePage.load();
    return NarrowToWide(CleanUntrustedText(text), codePage);
}

bool IsCustomView(HWND view) {
    wchar_t name[8] = {};
    return view && GetClassNameW(view, name, 8) == 4 && wcscmp(name, kChatViewClass) == 0;
}

} // namespace

// The line goes to the view's own thread, which keeps the line list and paints it.
void AppendViewLine(WindowRecord* record, const std::wstring& text, uint32_t kind) {
    if (!record || !IsCustomView(record->View)) return;
    SendMessageW(record->View, WM_CHAT_VIEW_APPEND, kind, reinterpret_cast<LPARAM>(&text));
}

void FormatViewEventLine(WindowRecord* record, uint32_t kind, const std::string& message,
                         const UserAddress& sender) {
    if (!record) return;
    DisplayText line;
    line.Dot().Text(L" ").Bold().DirectColor(kNickColor).Text(Convert(sender.Nick, record)).Reset();
    if (kind == 2) {
        line.Bold().Text(L" joins ").DirectColor(kEventColor);
        line.Text(L"\t (" + Convert(sender.User, record) + L"@" + Convert(sender.Host, record) + L")");
    } else if (kind == 4) {
        line.Text(L" ")
            .DirectColor(kEventColor)
            .Text(L"sets mode:")
            .Reset()
            .Bold()
            .Text(Convert(message, record));
    } else if (kind == 5) {
        line.Text(L" ")
            .DirectColor(kEventColor)
            .Text(L"sets topic:")
            .Reset()
            .Text(L" " + Convert(message, record));
    } else {
        return;
    }
    AppendViewLine(record, line, kind);
}
