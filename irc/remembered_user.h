// Users the user gave levels and notes to, recognised again by nick, ident or domain patterns.
// Each connection keeps them in insertion order; every operation holds the connection's
// RememberedUsersMutex for its length, and a found entry stays valid until it is removed.
#pragma once

#include "irc/user_address.h"

#include <cstdint>
#include <string>

struct WindowRecord;

struct RememberedUser {
    std::string NickPattern;
    std::string IdentPattern;
    std::string DomainPattern;
    uint32_t Level = 0;
    uint32_t FriendLevel = 0;
    uint32_t EnemyLevel = 0;
    std::string UserText;
    uint64_t UserData = 0;
};

// The first entry of the window's connection that matches: by nick when the query has one
// (ident and domain are then not looked at), else by user or by host. A match copies the
// entry's three patterns into the query. Null when none matches or there is no connection.
RememberedUser* FindRememberedUser(WindowRecord* window, UserAddress& query);
// The same look-up, copying the entry found while the list is locked, for readers on other
// threads than the one that may remove it. False when none matches.
bool CopyRememberedUser(WindowRecord* window, const UserAddress& query, RememberedUser& out);

// Appends an entry with the address's parts as its patterns; when the list then holds more
// than "Max_Users_Remembered" (default 100), the oldest entry goes. Null without a connection.
RememberedUser* RememberUser(WindowRecord* window, const UserAddress& address);

// Erases the first entry of the window's own connection whose nick pattern equals the nick
// ignoring case; nothing without a connection.
void RemoveRememberedUser(WindowRecord* window, const std::string& nick);
