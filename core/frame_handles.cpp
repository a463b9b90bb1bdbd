#include "core/frame_handles.h"

std::atomic<HWND> MdiClientWindow{nullptr};
std::atomic<HWND> WindowTabsControl{nullptr};
std::atomic<HWND> StartPanelWindow{nullptr};
std::atomic<HMENU> MainMenuHandle{nullptr};
std::atomic<HWND> TickerWindow{nullptr};
std::atomic<HWND> BanListDialogView{nullptr};
