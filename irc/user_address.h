// The nick, user and host of a message prefix.
#pragma once

#include <string>

struct UserAddress {
    std::string Nick;
    std::string User;
    std::string Host;
};
