// The ribbon of the frame window.
#pragma once

#include <cstdint>

// The contextual tab groups whose availability follows the active window.
constexpr uint32_t kChannelContextGroup = 55555;
constexpr uint32_t kServerContextGroup = 55556;

// Asks the ribbon to re-evaluate the availability of a contextual group; nothing without a ribbon.
void RibbonInvalidateContext(uint32_t commandId);
