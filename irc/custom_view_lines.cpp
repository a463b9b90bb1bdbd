#include "irc/custom_view_lines.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/user_address.h"
#include "core/chat_view_message.h"
#include "core/window_record.h"
#include "markup/untrusted_text.h"
#include "markup/markup_codes.h"

namespace {

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
    const std::wstring head = std::wstring(kSymbolDot) +
                              L" \x02\x07"
                              L"A0FF0000" +
                              Convert(sender.Nick, record) + L"\x0F";
    std::wstring line;
    if (kind == 2) {
        line = head +
               L"\x02 joins \x07"
               L"35005500\t (" +
               Convert(sender.User, record) + L"@" + Convert(sender.Host, record) + L")";
    } else if (kind == 4) {
        line = head +
               L" \x07"
               L"35005500sets mode:\x0F\x02" +
               Convert(message, record);
    } else if (kind == 5) {
        line = head +
               L" \x07"
               L"35005500sets topic:\x0F " +
               Convert(message, record);
    } else {
        return;
    }
    AppendViewLine(record, line, kind);
}
