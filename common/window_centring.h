// Placing a box or wizard where the user looks: over the program's frame, or in the middle of the
// screen when there is no frame to show it over.
#pragma once

#include <windows.h>

// Moves the window (keeping its size) so that its centre is the centre of the frame window, or
// of the work area of the screen the window is on when the frame is absent, hidden or minimised.
// Kept inside that work area.
void CentreOnFrameOrScreen(HWND window);

// While alive, the first dialog-class window this thread activates (a system message box) is
// centred as above: such a box is placed by the system, which may put it in a corner.
class CentreNextBox {
public:
    CentreNextBox();
    ~CentreNextBox();
    CentreNextBox(const CentreNextBox&) = delete;
    CentreNextBox& operator=(const CentreNextBox&) = delete;

private:
    HHOOK hook_;
};
