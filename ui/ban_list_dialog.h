// The ban-list dialog ("DIALOG_R") that the frame's ban and exception list commands open. Its
// view's handle lives with the frame's handles (core), where the list replies find it.
#pragma once

#include "core/frame_handles.h"
