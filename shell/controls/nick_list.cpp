#include "shell/controls/nick_list.h"

#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "irc/server_connection.h"
#include "core/settings.h"
#include "core/nick_store.h"
#include "core/window_record.h"

#include <commctrl.h>

#include <algorithm>
#include <cwchar>

namespace {

constexpr int kMaxNickText = 1000;

std::wstring NickPrefixes() {
    std::string prefixes = Settings::NickPrefixes();
    if (prefixes.size() > 99) prefixes.resize(99);
    return NarrowToWide(prefixes);
}

std::wstring ItemText(HWND list, int index) {
    std::wstring text(kMaxNickText + 1, L'\0');
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = text.data();
    item.cchTextMax = kMaxNickText + 1;
    LRESULT length = SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    text.resize(static_cast<size_t>(length < 0 ? 0 : length));
    return text;
}

int ItemGroup(HWND list, int index) {
    LVITEMW item{};
    item.mask = LVIF_GROUPID;
    item.iItem = index;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iGroupId;
}

void AddColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void AddGroup(HWND list, int id, int32_t langId) {
    std::wstring header = GetLangString(langId);
    LVGROUP group{};
    group.cbSize = sizeof group;
    group.mask = LVGF_HEADER | LVGF_GROUPID;
    group.pszHeader = header.data();
    group.iGroupId = id;
    SendMessageW(list, LVM_INSERTGROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&group));
}

const ServerConnection* PrefixConnection(const WindowRecord* record) {
    if (!record) return nullptr;
    if (record->Connection) return record->Connection;
    return record->Server ? record->Server->Connection : nullptr;
}

} // namespace

void PrepareNickList(HWND list) {
    AddColumn(list, 0, L"", 100);
    AddColumn(list, 1, L"Ident", 1);
    AddColumn(list, 2, L"IP", 1);
    AddColumn(list, 3, L"{}", 1);
    SendMessageW(list, LVM_ENABLEGROUPVIEW, TRUE, 0);
    AddGroup(list, 2, kOperatorsGroup);
    AddGroup(list, 1, kVoicedGroup);
    AddGroup(list, 0, kUsersGroup);
}

uint32_t GetChannelNickCount(const WindowRecord* record) {
    if (!record || record->Type != kChannelWindow || !record->NickList) return 0;
    return static_cast<uint32_t>(SendMessageW(record->NickList, LVM_GETITEMCOUNT, 0, 0));
}

namespace {} // namespace

// The store keeps the order; the list shows it when it next catches up.
void SortNickList(WindowRecord* record) {
    if (!record || !record->SortNicks || !record->NickList) return;
    record->Nicks->Sort();
}

int CALLBACK CompareNickListItems(LPARAM item1, LPARAM item2, LPARAM record) {
    const auto* r = reinterpret_cast<const WindowRecord*>(record);
    if (!r || !r->NickList) return 0;
    int i1 = static_cast<int>(item1), i2 = static_cast<int>(item2);
    return CompareNickEntries(ItemGroup(r->NickList, i1), ItemText(r->NickList, i1),
                              ItemGroup(r->NickList, i2), ItemText(r->NickList, i2));
}

bool IsNickPrefixed(const WindowRecord* record, const wchar_t* nick) {
    if (!nick || !nick[0] || !nick[1]) return false;
    if (nick[0] == L'@' || nick[0] == L'+') return false;
    if (NickPrefixes().find(nick[0]) != std::wstring::npos) return true;
    const ServerConnection* connection = PrefixConnection(record);
    return connection && NarrowToWide(connection->PrefixCharacters).find(nick[0]) != std::wstring::npos;
}

void GetSelectedNicks(HWND list, std::vector<std::wstring>& out, bool keepPrefix, bool deselect) {
    std::wstring prefixes = keepPrefix ? std::wstring() : NickPrefixes();
    int index = -1;
    for (;;) {
        index = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, index, LVNI_SELECTED));
        if (index < 0) break;
        std::wstring nick = ItemText(list, index);
        if (!keepPrefix && !nick.empty() &&
            (nick[0] == L'.' || nick[0] == L'@' || nick[0] == L'+' ||
             prefixes.find(nick[0]) != std::wstring::npos))
            nick.erase(0, 1);
        out.push_back(nick);
        if (deselect) {
            LVITEMW state{};
            state.stateMask = LVIS_SELECTED;
            SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
            index = -1;
        }
    }
}

COLORREF NickListTextColor(const wchar_t* itemText) {
    wchar_t first = itemText ? itemText[0] : L'\0';
    const char* key = "Level_1_Color";
    if (first == L'.')
        key = "Level_4_Color";
    else if (first == L'@')
        key = "Level_3_Color";
    else if (first == L'+')
        key = "Level_2_Color";
    else if (first && NickPrefixes().find(first) != std::wstring::npos)
        key = "Level_3_Color";
    return Settings::NickLevelColour(key);
}
