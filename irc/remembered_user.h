// Users the user gave levels and notes to, recognised again by nick, ident or domain patterns.
#pragma once

#include <cstdint>
#include <string>

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
