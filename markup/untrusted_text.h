// Text from a server or a peer, made safe to put into a line the printer formats.
//
// The program's own markup (links 24, direct colours 7, symbol runs and commands 18, fonts 5)
// is honoured only in text the program produces. Every caller that puts server or peer text into
// a printed line passes it through one of these first, so nobody can plant a clickable command,
// hide text or change fonts in someone else's window. Well-formed object offers (18 7 ... 18)
// and tables (18 24 ... 18), whose fields the printer checks again, are kept; IRC's own codes
// (bold, colours 3, italic, underline, reset) stay as they are.
#pragma once

#include <string>

std::string CleanUntrustedText(const std::string& text);
std::wstring CleanUntrustedTextW(const std::wstring& text);
