// A busy channel as a server sees it: its members with their status, the names reply that lists
// them, and a stream of member changes (leaving, joining, renaming, status changes) applied to
// them as they are made.
#pragma once

#include <map>
#include <string>
#include <vector>

class ChannelMembers {
public:
    // The client's own nick (never changed) and count members m0, m1, ..., every tenth an
    // operator and every tenth but one voiced.
    ChannelMembers(const std::string& own, int count);
    // The 353 lines and the 366 that list the members, for the client's nick.
    std::string NamesReply(const std::string& channel) const;
    // Lines for count member changes in the channel, made in waves of 500 in which members mostly
    // leave, then mostly join, so the list's end moves.
    std::vector<std::string> Churn(const std::string& channel, int count);
    // The items a nick list shows for them, in its order.
    std::vector<std::wstring> Items() const;

private:
    void Add(const std::string& nick, int level);
    void Remove(const std::string& nick);

    std::string own_;
    // The status modes each member holds; the list shows the highest.
    std::map<std::string, int> levels_;
    std::vector<std::string> nicks_;
    int fresh_ = 0;
};
