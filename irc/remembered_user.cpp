#include "irc/remembered_user.h"

#include "common/text_compare.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "irc/server_connection.h"

#include <algorithm>
#include <mutex>

namespace {

bool PatternMatches(const std::string& text, const std::string& pattern) {
    return pattern == "*" || WildcardMatch(text, pattern, false);
}

bool Matches(const RememberedUser& entry, const UserAddress& query) {
    if (!query.Nick.empty()) return PatternMatches(query.Nick, entry.NickPattern);
    return (!query.User.empty() && PatternMatches(query.User, entry.IdentPattern)) ||
           (!query.Host.empty() && PatternMatches(query.Host, entry.DomainPattern));
}

} // namespace

RememberedUser* FindRememberedUser(WindowRecord* window, UserAddress& query) {
    ServerConnection* connection = ConnectionOfWindow(window);
    if (!connection) return nullptr;
    std::lock_guard<std::mutex> lock(connection->RememberedUsersMutex);
    for (RememberedUser& entry : connection->RememberedUsers) {
        if (!Matches(entry, query)) continue;
        query.Nick = entry.NickPattern;
        query.User = entry.IdentPattern;
        query.Host = entry.DomainPattern;
        return &entry;
    }
    return nullptr;
}

bool CopyRememberedUser(WindowRecord* window, const UserAddress& query, RememberedUser& out) {
    ServerConnection* connection = ConnectionOfWindow(window);
    if (!connection) return false;
    std::lock_guard<std::mutex> lock(connection->RememberedUsersMutex);
    for (const RememberedUser& entry : connection->RememberedUsers) {
        if (!Matches(entry, query)) continue;
        out = entry;
        return true;
    }
    return false;
}

RememberedUser* RememberUser(WindowRecord* window, const UserAddress& address) {
    ServerConnection* connection = ConnectionOfWindow(window);
    if (!connection) return nullptr;
    const int32_t limit = Settings::MaxUsersRemembered();
    std::lock_guard<std::mutex> lock(connection->RememberedUsersMutex);
    auto& list = connection->RememberedUsers;
    RememberedUser& added = list.emplace_back();
    added.NickPattern = address.Nick;
    added.IdentPattern = address.User;
    added.DomainPattern = address.Host;
    // The oldest goes, but never the entry just made (a limit of 0 or less keeps that one).
    if (list.size() > static_cast<size_t>(limit > 0 ? limit : 0) && list.size() > 1) list.pop_front();
    return &added;
}

void RemoveRememberedUser(WindowRecord* window, const std::string& nick) {
    if (!window || !window->Connection) return;
    std::lock_guard<std::mutex> lock(window->Connection->RememberedUsersMutex);
    auto& users = window->Connection->RememberedUsers;
    auto found = std::find_if(users.begin(), users.end(), [&](const RememberedUser& user) {
        return StringEqualsNoCase(user.NickPattern, nick);
    });
    if (found != users.end()) users.erase(found);
}
