#include "shell/windows/tray_removal.h"

#include "common/tray_icon.h"

#include <thread>

namespace {

std::thread g_removal;
bool g_started = false;

void RemoveIcon() {
    NotifyIconWithBalloon(NIM_DELETE, TrayIconData(), 0, nullptr, nullptr, 0);
}

} // namespace

void shell::BeginTrayIconRemoval() {
    if (g_started) return;
    g_started = true;
    try {
        g_removal = std::thread(RemoveIcon);
    } catch (...) {
        g_started = false;
    }
}

void shell::FinishTrayIconRemoval() {
    if (g_removal.joinable()) {
        g_removal.join();
        return;
    }
    if (!g_started) RemoveIcon();
}
