#include "shell/menus/main_menu.h"

#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/command_ids.h"
#include "core/frame_handles.h"
#include "core/interface_thread_call.h"
#include "core/window_record.h"
#include "shell/windows/active_window.h"
#include "shell/windows/window_record_ops.h"
#include "ui/rebars.h"

#include <commctrl.h>

#include <map>

namespace {

uint32_t MenuType = 0;
// The plug-in popups each menu got last time, so exactly those come off again.
std::map<HMENU, std::vector<HMENU>> AppendedPluginPopups;

// A maximised MDI child puts its system menu (a popup without a caption) in front of the menu's
// own popups while it stays maximised, which moves each of them one place to the right.
uint32_t LeadingMenuItems(HMENU menu) {
    if (GetMenuItemCount(menu) <= 0 || !GetSubMenu(menu, 0)) return 0;
    wchar_t caption[2] = {};
    return GetMenuStringW(menu, 0, caption, 2, MF_BYPOSITION) == 0 ? 1 : 0;
}

// What the frame's menu bar was last built for. Activating another window of the same type leaves
// the bar alone: taking it apart, putting it together and redrawing it for each of hundreds of
// windows a server opened was most of what making them cost.
struct BuiltMenuBar {
    HMENU Menu = nullptr;
    uint32_t Type = 0;
    uint32_t Leading = 0;
    std::vector<PluginMenuItem> Plugins;
};
BuiltMenuBar BuiltFrameMenu;

void ShowBands(HWND window, uint32_t type) {
    HWND rebar = GetDlgItem(window, kMainRebarId);
    if (!rebar) return;
    // A band already as wanted is left alone: each change lays the rebar and the frame out again.
    auto show = [rebar](int band, bool visible) {
        REBARBANDINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = RBBIM_STYLE;
        if (SendMessageW(rebar, RB_GETBANDINFOW, band, reinterpret_cast<LPARAM>(&info)) &&
            ((info.fStyle & RBBS_HIDDEN) == 0) == visible)
            return;
        SendMessageW(rebar, RB_SHOWBAND, band, visible);
    };
    switch (type) {
        case kAllWindowTypes:
            for (int band = 0; band <= 6; ++band) show(band, true);
            break;
        case kNoWindowType:
            show(0, true);
            for (int band = 1; band <= 4; ++band) show(band, false);
            show(5, true);
            break;
        case kServerWindow:
        case kChannelWindow:
        case kQueryWindow:
        case kDccChatWindow:
            for (int band = 1; band <= 4; ++band) show(band, static_cast<uint32_t>(band) == type);
            break;
        default: break;
    }
}

void RemoveAppendedPluginPopups(HMENU menu) {
    auto found = AppendedPluginPopups.find(menu);
    if (found == AppendedPluginPopups.end()) return;
    // Found by handle: a maximised MDI child adds its buttons after them. RemoveMenu keeps the
    // plug-ins' popups alive.
    for (HMENU popup : found->second)
        for (int i = GetMenuItemCount(menu) - 1; i >= 0; --i)
            if (GetSubMenu(menu, i) == popup) {
                RemoveMenu(menu, static_cast<UINT>(i), MF_BYPOSITION);
                break;
            }
    AppendedPluginPopups.erase(found);
}

HMENU LoadMainMenu() {
    HMODULE language = LanguageModule.load();
    return language ? LoadMenuW(language, L"MENU_MAIN") : nullptr;
}

} // namespace

std::vector<uint32_t> HiddenMenuPositions(uint32_t windowType) {
    switch (windowType) {
        case kNoWindowType: return {17, 16, 14, 13, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1};
        case kServerWindow: return {17, 16, 14, 10, 9, 8, 7, 5, 4, 2};
        case kChannelWindow: return {17, 16, 14, 10, 9, 8, 5, 4, 1};
        case kQueryWindow: return {17, 16, 14, 10, 9, 8, 4, 3, 1};
        case kDccChatWindow: return {17, 16, 14, 10, 9, 8, 5, 3, 2, 1};
        default: return {};
    }
}

void StripMenuPopups(HMENU menu, const std::vector<uint32_t>& positions) {
    std::vector<QueuedPopupMenu>& queue = QueuedPopupMenus(menu);
    queue.clear();
    const uint32_t lead = LeadingMenuItems(menu);
    for (uint32_t position : positions) {
        HMENU popup = GetSubMenu(menu, static_cast<int>(position + lead));
        if (!popup) continue;
        QueuedPopupMenu entry;
        entry.Popup = popup;
        entry.Position = position;
        wchar_t caption[10000] = {};
        GetMenuStringW(menu, position + lead, caption, 10000, MF_BYPOSITION);
        entry.Caption = caption;
        queue.push_back(std::move(entry));
        RemoveMenu(menu, position + lead, MF_BYPOSITION);
    }
}

uint32_t CurrentMenuType() {
    return MenuType;
}

HMENU FindMainMenuGroup(uint32_t position, std::wstring* caption) {
    HMENU menu = MainMenuHandle.load();
    if (!menu) return nullptr;
    // The popups taken out for the window type keep their whole-menu positions; every one taken
    // out before this position moved it one to the left.
    uint32_t current = position;
    for (const QueuedPopupMenu& queued : QueuedPopupMenus(menu)) {
        if (queued.Position == position) {
            if (caption) *caption = queued.Caption;
            return queued.Popup;
        }
        if (queued.Position < position) --current;
    }
    current += LeadingMenuItems(menu);
    HMENU group = GetSubMenu(menu, static_cast<int>(current));
    if (group && caption) {
        wchar_t text[1000] = {};
        GetMenuStringW(menu, current, text, 1000, MF_BYPOSITION);
        *caption = text;
    }
    return group;
}

void ShowToggleStates(HMENU popup, const WindowRecord* record) {
    if (!popup || !record) return;
    // The switches of the window the menu acts on, checked as its toolbar shows them.
    const std::pair<UINT, bool> states[] = {
        {ID_WINDOW_PAUSE, record->Paused != 0},
        {ID_WINDOW_NOTIFY, record->NotifyCount != 0},
        {ID_MULTI_LINE_INPUT, record->MultiLineInput != 0},
        {ID_SPEAK_INCOMING, record->SpeakIncoming != 0},
        {ID_WINDOW_DOCK, record->Detached != 0},
        {ID_LOG_WINDOW, record->Logging != 0},
        {ID_FORMAT_BAR, record->ShowInsertsBar != 0},
        {ID_VOICE_TALK, record->VoiceCapture != 0},
    };
    for (const auto& [id, on] : states)
        CheckMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
}

void UpdateMainMenu(uint32_t windowType, HWND window, uint32_t dropPluginEntry) {
    if (!window) return;
    // No ribbon in this build: the frame carries its menu over its rebar.
    if (window == MainWindow.load() && !GetDlgItem(window, kMainRebarId)) return;
    HMENU menu = GetMenu(window);
    const bool frameWindow = window == MainWindow.load();
    std::vector<PluginMenuItem> plugins = PluginMenuItemsSnapshot();
    if (frameWindow && menu && menu == BuiltFrameMenu.Menu && windowType == BuiltFrameMenu.Type &&
        LeadingMenuItems(menu) == BuiltFrameMenu.Leading && dropPluginEntry == kNoPluginMenuEntry &&
        plugins == BuiltFrameMenu.Plugins) {
        ShowBands(window, windowType);
        MenuType = windowType;
        return;
    }
    if (menu) {
        InsertQueuedPopupMenus(menu, LeadingMenuItems(menu));
        RemoveAppendedPluginPopups(menu);
        if (dropPluginEntry != kNoPluginMenuEntry) ErasePluginMenuItem(dropPluginEntry);
    } else {
        menu = frameWindow && MainMenuHandle.load() ? MainMenuHandle.load() : LoadMainMenu();
        if (!menu) return;
        SetMenu(window, menu);
        if (frameWindow) MainMenuHandle = menu;
    }
    ShowBands(window, windowType);
    if (windowType <= 4) StripMenuPopups(menu, HiddenMenuPositions(windowType));
    MenuType = windowType;
    if (dropPluginEntry != kNoPluginMenuEntry) plugins = PluginMenuItemsSnapshot();
    for (const PluginMenuItem& item : plugins) {
        AppendMenuW(menu, MF_POPUP, static_cast<UINT_PTR>(item.Popup), item.Caption.c_str());
        AppendedPluginPopups[menu].push_back(reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.Popup)));
    }
    DrawMenuBar(window);
    if (frameWindow)
        BuiltFrameMenu = BuiltMenuBar{menu, windowType, LeadingMenuItems(menu), std::move(plugins)};
}

bool shell::RebuildActiveWindowMenu(uint32_t dropPluginEntry) {
    bool rebuilt = false;
    RunOnInterfaceThread([&] {
        WindowRecord* record = shell::GetActiveWindowRecord();
        if (!record) return;
        UpdateMainMenu(record->Type, record->Detached ? record->Window : MainWindow.load(), dropPluginEntry);
        rebuilt = true;
    });
    return rebuilt;
}

namespace {

constexpr const wchar_t* kMdiIdProperty = L"BrindlexMdiId";

// Back in the MDI client, the window lies wholly inside its client area: at most as large, and
// moved in where it would stand out.
void FitIntoMdiClient(HWND window, HWND client) {
    RECT area{}, box{};
    GetClientRect(client, &area);
    GetWindowRect(window, &box);
    MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&box), 2);
    int width = box.right - box.left, height = box.bottom - box.top;
    if (width > area.right) width = area.right;
    if (height > area.bottom) height = area.bottom;
    int x = box.left, y = box.top;
    if (x + width > area.right) x = area.right - width;
    if (y + height > area.bottom) y = area.bottom - height;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    SetWindowPos(window, HWND_TOP, x, y, width, height, SWP_FRAMECHANGED | SWP_SHOWWINDOW);
}

} // namespace

void ToggleDocking(WindowRecord* record) {
    if (!record || !record->Window) return;
    HWND window = record->Window;
    HWND client = MdiClientWindow.load();
    LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_POPUP | WS_CHILD);
    if (record->Detached) {
        if (HMENU own = GetMenu(window)) {
            RemoveAppendedPluginPopups(own);
            SetMenu(window, nullptr);
            DiscardQueuedPopupMenus(own);
            DestroyMenu(own);
        }
        SetWindowLongPtrW(window, GWL_STYLE, style | WS_CHILD);
        SetParent(window, client);
        // A top-level window's id field held its menu: the MDI client knows its child by the id
        // it had before it left.
        SetWindowLongPtrW(window, GWLP_ID, reinterpret_cast<LONG_PTR>(GetPropW(window, kMdiIdProperty)));
        RemovePropW(window, kMdiIdProperty);
        if (client) {
            FitIntoMdiClient(window, client);
            SendMessageW(client, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(window), 0);
        }
        record->Detached = 0;
        CheckChildToolbarButton(record, ID_WINDOW_DOCK, false);
    } else {
        SetPropW(window, kMdiIdProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(window, GWLP_ID)));
        SetWindowLongPtrW(window, GWL_STYLE, style | WS_POPUP);
        // A top-level window reads this field as its menu: the child's id is no menu.
        SetWindowLongPtrW(window, GWLP_ID, 0);
        SetParent(window, nullptr);
        record->Detached = 1;
        UpdateMainMenu(record->Type, window, kNoPluginMenuEntry);
        CheckChildToolbarButton(record, ID_WINDOW_DOCK, true);
    }
}
