// The channel list window: asking the server for its list or loading a saved one, and showing the
// rows sorted and filtered by the window's input box.
#include "shell/chats/window_text_commands.h"

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/data_folders.h"
#include "common/message_box.h"
#include "common/plain_base_name.h"
#include "common/text_compare.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/frame_handles.h"
#include "core/frame_message_ids.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/send_path.h"
#include "irc/server_connection.h"
#include "markup/untrusted_text.h"
#include "shell/chats/channel_list_view.h"
#include "shell/menus/menu_command_handlers.h"
#include "shell/windows/window_tabs.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

uint8_t ChannelListSortByName = 0;

namespace {

constexpr const char kFieldSeparator[] = "\\\\\\";
constexpr size_t kMostFilter = 1000;
constexpr size_t kShowAllRowsUpTo = 100;

WindowRecord* ServerOf(WindowRecord* record) {
    return record->Server ? record->Server : record;
}

bool ReadWholeFile(const std::wstring& path, std::string& text) {
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file) return false;
    char piece[16384];
    for (size_t got; (got = fread(piece, 1, sizeof piece, file)) > 0;) text.append(piece, got);
    fclose(file);
    return true;
}

} // namespace

std::wstring ChannelListFile(const WindowRecord* server) {
    return DocumentsFolder + L"\\" + PlainBaseNameUtf8(server->Name) + L".lst";
}

std::string FormatChannelListFile(const std::vector<ChannelListEntry>& rows) {
    std::string text;
    for (const ChannelListEntry& row : rows)
        text += row.Channel + kFieldSeparator + row.Extra + kFieldSeparator + std::to_string(row.Members) +
                kFieldSeparator + row.Topic + "\r\n";
    return text;
}

std::vector<ChannelListEntry> ParseChannelListFile(const std::string& text) {
    std::vector<ChannelListEntry> rows;
    std::vector<std::string> lines, fields;
    SplitString(lines, text, kSplitUnlimited, "\n");
    for (std::string& line : lines) {
        while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
        if (line.empty()) continue;
        SplitString(fields, line, kSplitUnlimited, kFieldSeparator);
        if (fields.size() != 4) continue;
        std::string topic = fields[3];
        if (!topic.empty() && topic[0] == ':') topic.erase(0, 1);
        ChannelListEntry row;
        row.Channel = CleanUntrustedText(fields[0]);
        row.Extra = CleanUntrustedText(fields[1]);
        row.Members = static_cast<uint32_t>(std::strtoul(fields[2].c_str(), nullptr, 10));
        row.Topic = CleanUntrustedText(topic);
        rows.push_back(std::move(row));
    }
    return rows;
}

bool ChannelListRowPasses(const ChannelListEntry& row, const std::string& filter) {
    if (filter.empty()) return true;
    const bool inTopic = filter[0] == '*';
    const std::string pattern = "*" + (inTopic ? filter.substr(1) : filter) + "*";
    return WildcardMatch((inTopic ? row.Topic : row.Channel).c_str(), pattern.c_str(), false);
}

void shell::RequestChannelList(WindowRecord* record) {
    if (!record) return;
    WindowRecord* server = ServerOf(record);
    const std::wstring path = ChannelListFile(server);
    std::string saved;
    if (ReadWholeFile(path, saved)) {
        if (AppMessageBox(MainWindow.load(), L"Load saved list?", kProgramTitle, MB_YESNO | MB_DEFBUTTON2,
                          MB_ICONQUESTION) == IDYES) {
            const std::string name = server->Name + "_List";
            commands::ProcessInputLine(("/fquery " + name).c_str(), record);
            WindowRecord* list = GetWindowRecordAt(FindWindowRecordIndex(name, ConnectionOfWindow(server)));
            if (!list) return;
            list->ChannelListRows.Assign(ParseChannelListFile(saved));
            if (HWND frame = MainWindow.load())
                SendMessageW(frame, WM_COMMAND, ID_CHANNEL_LIST_BY_MEMBERS, reinterpret_cast<LPARAM>(list));
            return;
        }
        DeleteFileW(path.c_str());
    }
    SendServerLine("LIST\r\n", record, 0);
}

void shell::ShowChannelList(WindowRecord* record, uint32_t id) {
    if (!record || record->ChannelListRows.Empty() || !record->Window) return;
    ChannelListSortByName = id == ID_CHANNEL_LIST_BY_NAME ? 1 : 0;
    // A copy: the connection may still be adding rows of a list that is arriving.
    std::vector<ChannelListEntry> rows = record->ChannelListRows.SortedCopy(ChannelListSortByName != 0);
    std::wstring filterText = InputBoxText(record);
    // A command being typed is no filter: the rows stay while it is typed and run.
    if (!filterText.empty() && filterText[0] == L'/') filterText.clear();
    if (filterText.size() > kMostFilter) filterText.resize(kMostFilter);
    const std::string filter = WideToNarrow(filterText);
    const bool dropSmall = rows.size() > kShowAllRowsUpTo;
    std::erase_if(rows, [&](const ChannelListEntry& row) {
        return (dropSmall && row.Members < 2) || !ChannelListRowPasses(row, filter);
    });
    // The list control asks for the rows it paints, so a list of any length shows at once; the
    // control's column headers sort it as the view's header links did.
    const size_t total = record->ChannelListRows.Count();
    record->ChannelListShown = std::move(rows);
    ShowChannelListRows(record);
    SetWindowTextW(record->Window, ChannelListTitle(total, record->ChannelListShown.size()).c_str());
    shell::SetWindowTabCaption(record);
}
