#include "tests/support/member_churn.h"

#include "core/nick_order.h"

#include <algorithm>
#include <random>
#include <utility>

namespace {

constexpr int kVoice = 1, kOperator = 2; // the status modes a member holds

int LevelOf(int held) {
    return held & kOperator ? 3 : held & kVoice ? 2 : 1;
}

std::string Prefixed(const std::string& nick, int held) {
    const int level = LevelOf(held);
    return (level == 3 ? "@" : level == 2 ? "+" : "") + nick;
}

} // namespace

ChannelMembers::ChannelMembers(const std::string& own, int count) : own_(own) {
    Add(own, 1);
    for (int i = 0; i < count; ++i) Add("m" + std::to_string(i), i % 10 == 0 ? 3 : i % 10 == 1 ? 2 : 1);
}

void ChannelMembers::Add(const std::string& nick, int level) {
    levels_[nick] = level == 3 ? kOperator : level == 2 ? kVoice : 0;
    nicks_.push_back(nick);
}

void ChannelMembers::Remove(const std::string& nick) {
    levels_.erase(nick);
    auto it = std::find(nicks_.begin(), nicks_.end(), nick);
    *it = nicks_.back();
    nicks_.pop_back();
}

std::string ChannelMembers::NamesReply(const std::string& channel) const {
    const std::string start = ":irc.test 353 " + own_ + " = " + channel + " :";
    std::string lines, row;
    for (size_t i = 0; i < nicks_.size(); ++i) {
        row += (row.empty() ? "" : " ") + Prefixed(nicks_[i], levels_.at(nicks_[i]));
        if (i % 100 == 99 || i + 1 == nicks_.size()) {
            lines += start + row + "\r\n";
            row.clear();
        }
    }
    return lines + ":irc.test 366 " + own_ + " " + channel + " :End\r\n";
}

std::vector<std::string> ChannelMembers::Churn(const std::string& channel, int count) {
    std::mt19937 random(34);
    std::vector<std::string> lines;
    while (static_cast<int>(lines.size()) < count) {
        const bool leaving = lines.size() / 500 % 2 == 0;
        const std::string nick = nicks_[random() % nicks_.size()];
        if (nick == own_) continue;
        const std::string from = ":" + nick + "!u@h ";
        const std::string fresh = "n" + std::to_string(fresh_++);
        switch (random() % 3) {
            case 0:
                if (leaving) {
                    lines.push_back(from + (random() % 2 ? "QUIT :gone" : "PART " + channel + " :gone"));
                    Remove(nick);
                } else {
                    lines.push_back(":" + fresh + "!u@h JOIN :" + channel);
                    Add(fresh, 1);
                }
                break;
            case 1: {
                lines.push_back(from + "NICK :" + fresh);
                const int held = levels_[nick];
                Remove(nick);
                Add(fresh, 1);
                levels_[fresh] = held;
                break;
            }
            default: {
                const bool plus = random() % 2 == 0;
                const int level = random() % 2 == 0 ? 3 : 2;
                lines.push_back(":irc.test MODE " + channel + (plus ? " +" : " -") +
                                (level == 3 ? "o " : "v ") + nick);
                int& held = levels_[nick];
                const int mode = level == 3 ? kOperator : kVoice;
                held = plus ? held | mode : held & ~mode;
                break;
            }
        }
    }
    return lines;
}

std::vector<std::wstring> ChannelMembers::Items() const {
    std::vector<std::pair<int, std::wstring>> items;
    for (const auto& [nick, held] : levels_) {
        const std::string text = Prefixed(nick, held);
        items.push_back({LevelOf(held) == 3 ? 2 : 0, std::wstring(text.begin(), text.end())});
    }
    std::sort(items.begin(), items.end(), [](const auto& a, const auto& b) {
        return CompareNickEntries(a.first, a.second, b.first, b.second) < 0;
    });
    std::vector<std::wstring> texts;
    for (auto& item : items) texts.push_back(std::move(item.second));
    return texts;
}
