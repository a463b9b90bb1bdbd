// Channel members as the test lists them, while the nick lists are not linked.
#include "common/text_compare.h"
#include "common/xstring.h"
#include "irc/channel_nicks.h"
#include "tests/recorders/call_log.h"
#include "tests/recorders/recorded_answers.h"

#include <map>
#include <mutex>

namespace {

using Members = std::vector<std::pair<std::wstring, uint32_t>>;

std::mutex ListsMutex;
std::map<WindowRecord*, Members>& Lists() {
    static std::map<WindowRecord*, Members> lists;
    return lists;
}

} // namespace

void SetRecordedNickList(WindowRecord* channel, Members members) {
    std::lock_guard<std::mutex> lock(ListsMutex);
    Lists()[channel] = std::move(members);
}

void ClearRecordedNickLists() {
    std::lock_guard<std::mutex> lock(ListsMutex);
    Lists().clear();
}

uint32_t GetNickLevel(const char* nick, WindowRecord* channel, uint32_t* index, wchar_t* prefix,
                      std::wstring* itemText, std::wstring* bareNick) {
    std::lock_guard<std::mutex> lock(ListsMutex);
    const Members& members = Lists()[channel];
    std::wstring wanted;
    if (nick) {
        wanted = NarrowToWide(nick);
    } else if (index && *index < members.size()) {
        wanted = members[*index].first;
    }
    for (size_t i = 0; i < members.size() && !wanted.empty(); ++i) {
        if (!WStringEqualsNoCase(members[i].first, wanted)) continue;
        if (index) *index = static_cast<uint32_t>(i);
        if (prefix) *prefix = 0;
        if (itemText) *itemText = members[i].first;
        if (bareNick) *bareNick = members[i].first;
        return members[i].second;
    }
    if (bareNick) bareNick->clear();
    return 0;
}
