#include "irc/custom_view_lines.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/user_address.h"
#include "core/window_record.h"

namespace {

constexpr size_t kMaxLine = 999;

std::wstring Convert(const std::string& text, const WindowRecord* record) {
    const UINT codePage =
        record->CodePage >= 0 ? static_cast<UINT>(record->CodePage) : DefaultCodePage.load();
    return NarrowToWide(text, codePage);
}

} // namespace

// The custom-drawn view is not part of this version: the views are Rich Edit controls and none of
// them keeps a line list, so there is nothing to append to.
void AppendViewLine(WindowRecord*, const std::wstring&, uint32_t) {}

void FormatViewEventLine(WindowRecord* record, uint32_t kind, const std::string& message,
                         const UserAddress& sender) {
    if (!record) return;
    const std::wstring head = L"\x12\x00B7\x12 \x02\x07"
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
    if (line.size() > kMaxLine) line.resize(kMaxLine);
    AppendViewLine(record, line, kind);
}
