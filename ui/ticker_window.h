// The notification ticker: a strip at the bottom of the screen in which incoming lines scroll.
// Its window handle and the message that adds a line live with the frame's handles (core).
#pragma once

#include "core/frame_handles.h"
