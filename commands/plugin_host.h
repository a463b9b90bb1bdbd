// The plug-in host: what the rest of the program hands to loaded plug-ins.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// Four 64-bit words passed with every plug-in event; their meaning depends on the event.
struct PluginEvent {
    uint64_t Words[4];
};

enum PluginEventCode : uint32_t {
    kPluginBeforeDispatch = 0,
    kPluginAfterDispatch = 1,
    kPluginWindowMessage = 2,
    kPluginServerLine = 3,
    kPluginWindowText = 4,
    kPluginWindowMessageFirst = 5,
};

// The first plug-in result of 1 stops the broadcast and is returned.
uint64_t BroadcastToPlugins(uint32_t code, void* block);
// Event 3 for a received server line; 0 when nothing was sent.
uint64_t NotifyPluginsServerLine(uint32_t windowIndex, const std::string& line);
// Event 4 for a text printed into a window; 0 when nothing was sent.
uint64_t NotifyPluginsWindowText(const std::wstring& text, uint32_t windowIndex);
