// The nick, user and host of a message prefix, and the ban and ignore masks built from them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

struct WindowRecord;

struct UserAddress {
    std::string Nick;
    std::string User;
    std::string Host;
};

// nick!user@host, with or without a leading ':'. Without '!' the whole text is the nick;
// without '@' everything after '!' is the user. Parts not found keep what out held.
void ParseIrcPrefix(std::string_view prefix, UserAddress& out);

constexpr uint32_t kAddressMaskStyles = 15;

// One of the fifteen mask styles (0 "N!*@*.*" ... 14 "N!U@H") for the prefix, or for the
// address when one is given. A style of 15 or more leaves out as it was.
void MakeAddressMask(WindowRecord* window, std::string& out, std::string_view prefix, uint32_t style,
                     const UserAddress* address);

// Adds the fifteen masks of the address to a combo box in style order and selects style 9.
void FillAddressMaskList(HWND comboBox, WindowRecord* window, const UserAddress& address);
