// The dialogs the menu commands open for a server or a channel: connect, join, kick and ban,
// channel modes and topic, and the ban and exception list view. Each runs modally from its
// template in the language library; the start-up installs the entry points in the services table.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct WindowRecord;

namespace ui {
// initParameter: 0, or a connect command 6001 + n that connects to saved server n at once.
void OpenConnectDialog(HWND owner, uint32_t initParameter);
void OpenJoinDialog(HWND owner, WindowRecord* server);
// nicks: without their level prefix.
void OpenKickDialog(HWND owner, WindowRecord* channel, const std::vector<std::wstring>& nicks);
// owner: the channel window whose channel the dialog shows.
void OpenChannelControlDialog(HWND owner, uint32_t initParameter);
void OpenListInformationDialog(HWND owner);
// The list request the information dialog sends once its view is there, so that no reply reaches
// the channel window before the dialog. Interface thread only.
void SetListInformationRequest(WindowRecord* channel, const std::string& line);
// The request still waiting (no dialog took it), which is then forgotten; false when none.
bool TakeListInformationRequest(WindowRecord*& channel, std::string& line);
} // namespace ui

// The port of the connect dialog's text: 6667 for an empty, zero or non-numeric text; false for
// a number above 65535, which is refused rather than cut to 16 bits.
bool ParseConnectPort(const std::wstring& text, uint16_t& port);

// What the channel control dialog shows and sends.
struct ChannelModeChoice {
    bool InviteOnly = false, KeyRequired = false, Limited = false, Moderated = false;
    bool NoOutside = false, TopicOps = false, Private = false, Secret = false;
    std::string Key;
    std::string Limit;
};
// The boxes a channel's mode string checks ("tnk abc": n, t, k and the key abc).
ChannelModeChoice ReadChannelModes(const std::string& modes);
// "MODE <channel> -i-m+n-p-s+t+k-l abc\r\n" for the choice; empty when the key or the limit
// holds a blank or a control character, which would split or end the line.
std::string BuildChannelModeLine(const std::string& channel, const ChannelModeChoice& choice);
