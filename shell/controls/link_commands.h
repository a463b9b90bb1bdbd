// The commands behind links of chat views, and what a click on a link's text may do.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// The label and command pairs of link n ("v" and "c" of the children of the n-th child of "Links"
// in the temporary document); false when there is no such link.
bool ReadLinkCommands(uint32_t index, std::vector<std::pair<std::string, std::string>>& out);

// The index in a link's text that begins "_L_n_L_"; false for any other text.
bool ParseLinkIndex(const std::wstring& text, uint32_t& index);

// What a left click on a link whose text is not a program link does.
enum class PlainLinkAction { Nothing, OpenUrl, JoinChannel, SayText };
// For OpenUrl, url receives the address to open (a "www." or "ftp." text gains its scheme). Only
// http, https, ftp and irc addresses are opened; text with any other scheme does nothing, and a
// link's own text is never run as a "/" command.
PlainLinkAction ClassifyPlainLink(const std::wstring& text, std::wstring& url);
