#include "irc_lines/channel_nicks.h"

#include "common/app_state.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/channel_mode_rules.h"
#include "irc/server_connection.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "core/client_services.h"
#include "core/nick_store.h"
#include "core/window_record.h"

#include <commctrl.h>

namespace {

constexpr int kMaxItemText = 1000;

std::wstring Capped(std::wstring text) {
    if (text.size() > kMaxItemText) text.resize(kMaxItemText);
    return text;
}

bool IsLevelPrefix(wchar_t c, const std::wstring& extras) {
    return c == L'.' || c == L'@' || c == L'+' || extras.find(c) != std::wstring::npos;
}

NickStore& StoreOf(WindowRecord* channel) {
    return *channel->Nicks;
}

// The level an item's prefix gives: 4 '.', 3 '@' or an extra prefix, 2 '+', 1 none.
uint32_t LevelOfPrefix(wchar_t prefix) {
    return prefix == L'.' ? 4 : prefix == L'@' ? 3 : prefix == L'+' ? 2 : prefix ? 3 : 1;
}

// What the shown prefix alone says: its mode is held, and lower modes may be held unseen.
NickModes ModesShownBy(wchar_t prefix, const ChannelModeRules& rules) {
    NickModes modes;
    modes.Known = true;
    const size_t at =
        prefix > 0 && prefix < 0x80 ? rules.LevelSymbols.find(static_cast<char>(prefix)) : std::string::npos;
    if (at == std::string::npos || at >= rules.LevelModes.size()) return modes;
    modes.Letters.assign(1, rules.LevelModes[at]);
    modes.LowerUnseen = at + 1 < rules.LevelModes.size();
    return modes;
}

} // namespace

std::wstring ExtraNickPrefixes(const WindowRecord* window) {
    std::string prefixes = Settings::NickPrefixes();
    if (prefixes.size() > 99) prefixes.resize(99);
    if (const ServerConnection* connection = ConnectionOfWindow(window)) {
        prefixes += connection->PrefixCharacters;
        for (char c : connection->ModeRules.Get().LevelSymbols)
            if (c != '.' && c != '@' && c != '+' && prefixes.find(c) == std::string::npos) prefixes += c;
    }
    return NarrowToWide(prefixes);
}

int NickGroup(const std::wstring& text, uint32_t level, const std::wstring& extraPrefixes) {
    if (text.size() >= 2 && text[0] != L'@' && text[0] != L'+' &&
        extraPrefixes.find(text[0]) != std::wstring::npos)
        return 1;
    return level >= 3 ? 2 : 0;
}

uint32_t GetNickLevel(const char* nick, WindowRecord* channel, uint32_t* index, wchar_t* prefix,
                      std::wstring* itemText, std::wstring* bareNick) {
    if (bareNick) bareNick->clear();
    if (!channel || !channel->NickList) return 0;
    const NickStore& store = StoreOf(channel);
    const std::wstring extras = ExtraNickPrefixes(channel);
    std::wstring bare;
    if (nick) {
        bare = NarrowToWide(std::string(nick), DefaultCodePage.load());
    } else if (index) {
        if (!store.Item(*index, &bare, nullptr)) return 0;
        if (!bare.empty() && IsLevelPrefix(bare[0], extras)) bare.erase(0, 1);
    }
    if (bare.empty()) return 0;

    struct Form {
        wchar_t Prefix;
        uint32_t Level;
    };
    std::vector<Form> forms{{L'.', 4}, {L'@', 3}, {L'+', 2}, {0, 1}};
    for (wchar_t c : extras) forms.push_back({c, 3});
    for (const Form& form : forms) {
        const std::wstring text = form.Prefix ? std::wstring(1, form.Prefix) + bare : bare;
        const uint32_t hit = store.Find(text);
        if (hit == kNoNickItem) continue;
        if (index) *index = hit;
        if (prefix) *prefix = form.Prefix;
        if (itemText) store.Item(hit, itemText, nullptr);
        if (bareNick) *bareNick = bare;
        return form.Level;
    }
    return 0;
}

int InsertNickItem(HWND list, int index, const std::wstring& text, int group) {
    std::wstring copy = Capped(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_GROUPID | LVIF_PARAM;
    item.iItem = index;
    item.pszText = copy.data();
    item.iGroupId = group;
    item.lParam = group;
    return static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void AddNickToList(WindowRecord* channel, const std::string& nick) {
    if (!channel || !channel->NickList || nick.empty()) return;
    if (GetNickLevel(nick.c_str(), channel, nullptr, nullptr, nullptr, nullptr) != 0) return;
    StoreOf(channel).Place(Capped(NarrowToWide(nick, CP_UTF8)), 0, channel->SortNicks != 0);
}

bool RemoveNickFromList(WindowRecord* channel, const std::string& nick) {
    uint32_t index = 0;
    std::wstring text;
    if (!channel || !channel->NickList ||
        GetNickLevel(nick.c_str(), channel, &index, nullptr, &text, nullptr) == 0)
        return false;
    return StoreOf(channel).Erase(index, text);
}

void ReplaceNickItem(WindowRecord* channel, uint32_t index, const std::wstring& text, int group) {
    NickStore& store = StoreOf(channel);
    std::wstring current;
    if (!store.Item(index, &current, nullptr)) return;
    store.Replace(index, current, Capped(text), group, channel->SortNicks != 0);
}

bool ChangeMemberMode(WindowRecord* channel, uint32_t index, char letter, bool set,
                      const ChannelModeRules& rules) {
    if (!channel || !channel->NickList || rules.LevelModes.find(letter) == std::string::npos) return true;
    NickStore& store = StoreOf(channel);
    std::wstring text;
    NickModes modes;
    if (!store.Item(index, &text, nullptr) || !store.Modes(index, modes)) return true;
    const std::wstring extras = ExtraNickPrefixes(channel);
    std::wstring bare = text;
    wchar_t shown = 0;
    if (!bare.empty() && IsLevelPrefix(bare[0], extras)) {
        shown = bare[0];
        bare.erase(0, 1);
    }
    if (!modes.Known) modes = ModesShownBy(shown, rules);
    // The letters held stay in the server's order, so the first is the highest.
    // Taking away the highest mode a names reply showed may leave a lower one it hid: the member
    // is shown without it until the names reply that is asked for says.
    const bool unseen = !set && modes.LowerUnseen && !modes.Letters.empty() && modes.Letters[0] == letter;
    std::string held;
    for (char c : rules.LevelModes)
        if (c == letter ? set : modes.Letters.find(c) != std::string::npos) held += c;
    modes.Letters = held;
    const wchar_t prefix =
        held.empty() ? 0 : static_cast<wchar_t>(rules.LevelSymbols[rules.LevelModes.find(held[0])]);
    const std::wstring newText = prefix ? prefix + bare : bare;
    store.Replace(index, text, Capped(newText), NickGroup(newText, LevelOfPrefix(prefix), extras),
                  channel->SortNicks != 0, &modes);
    return !unseen;
}

void ReadChannelNicks(WindowRecord* channel, std::vector<std::wstring>& out) {
    if (!channel || !channel->NickList) return;
    std::vector<std::wstring> texts = StoreOf(channel).Texts();
    out.insert(out.end(), std::make_move_iterator(texts.begin()), std::make_move_iterator(texts.end()));
}

void AddNamesToList(WindowRecord* channel, std::vector<std::pair<int, std::wstring>> entries) {
    if (!channel || !channel->NickList) return;
    StoreOf(channel).PlaceAll(std::move(entries), channel->SortNicks != 0);
}

void ClearNickList(WindowRecord* channel) {
    if (channel && channel->NickList) StoreOf(channel).Clear();
}

void RenameNickInLists(WindowRecord* server, const std::string& oldNick, const std::string& newNick) {
    if (!server) return;
    const std::wstring extras = ExtraNickPrefixes(server);
    for (WindowRecord* record : WindowListSnapshot()) {
        if (record->Server != server || record == server || record->Type == kServerWindow) continue;
        if (record->Type == kDccChatWindow || record->Type == kQueryWindow) {
            const std::string name = WindowRecordName(record);
            const bool named =
                record->Type == kDccChatWindow ? StringEqualsNoCase(name, oldNick) : name == oldNick;
            if (named) SetWindowRecordName(record, newNick);
            continue;
        }
        if (record->Type != kChannelWindow || !record->NickList) continue;
        uint32_t index = 0;
        wchar_t prefix = 0;
        const uint32_t level = GetNickLevel(oldNick.c_str(), record, &index, &prefix, nullptr, nullptr);
        if (level == 0) continue;
        std::wstring text = NarrowToWide(newNick, CP_UTF8);
        if (prefix) text.insert(text.begin(), prefix);
        ReplaceNickItem(record, index, text, NickGroup(text, level, extras));
    }
}
