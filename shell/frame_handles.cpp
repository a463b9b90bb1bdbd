#include "shell/frame_handles.h"

std::atomic<HWND> MdiClientWindow{nullptr};
std::atomic<HWND> WindowTabsControl{nullptr};
std::atomic<HWND> StartPanelWindow{nullptr};
std::atomic<HMENU> MainMenuHandle{nullptr};
