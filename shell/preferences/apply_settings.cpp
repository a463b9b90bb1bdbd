#include "shell/preferences/apply_settings.h"

#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "common/rich_edit_helpers.h"
#include "core/applied_settings.h"
#include "core/settings.h"
#include "core/frame_handles.h"
#include "core/user_lists.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "script/script_timers.h"
#include "views/config_fonts.h"
#include "views/smiley_menu.h"

#include <commctrl.h>
#include <richedit.h>

#include <vector>

std::atomic<uint8_t> FontsChanged{0};
std::atomic<uint8_t> ColoursChanged{0};

namespace {

const char* const kFontKeys[] = {"View_Font", "Input_Font", "List_Font", "Tab_Font", "Fixed_Font"};

void GiveFonts(WindowRecord* record) {
    auto font = [](uint32_t index) { return reinterpret_cast<WPARAM>(ConfiguredFonts[index]); };
    // The view's lines keep their look; the lines printed from now on take the new font.
    if (record->View)
        RichEditSetViewFont(record->View,
                            ConfiguredFonts[record->Type == kServerWindow ? kFixedFont : kViewFont]);
    if (record->Input) SendMessageW(record->Input, WM_SETFONT, font(kInputFont), TRUE);
    if (record->NickList) SendMessageW(record->NickList, WM_SETFONT, font(kListFont), TRUE);
    PostMessageW(record->Window, WM_SIZE, 0, 0);
}

void MakeFonts() {
    for (HFONT font : ConfiguredFonts) DeleteTrackedFont(font);
    ConfiguredFonts.clear();
    for (const char* key : kFontKeys) ConfiguredFonts.push_back(CreateConfigFont(key));
    for (WindowRecord* record : WindowListSnapshot()) GiveFonts(record);
    if (HWND tabs = WindowTabsControl.load())
        SendMessageW(tabs, WM_SETFONT, reinterpret_cast<WPARAM>(ConfiguredFonts[kTabFont]), TRUE);
}

void GiveColours(WindowRecord* record) {
    if (record->View) SendMessageW(record->View, EM_SETBKGNDCOLOR, 0, Settings::BackgroundColour());
    if (record->Input) {
        SendMessageW(record->Input, EM_SETBKGNDCOLOR, 0, Settings::InputBackgroundColour());
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_COLOR;
        format.crTextColor = Settings::InputTextColour();
        SendMessageW(record->Input, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
    }
    if (record->NickList) SendMessageW(record->NickList, LVM_SETBKCOLOR, 0, Settings::ListBackgroundColour());
}

void Repaint(HWND window) {
    if (!window) return;
    InvalidateRect(window, nullptr, TRUE);
    UpdateWindow(window);
}

} // namespace

void GiveColoursToAllWindows() {
    for (WindowRecord* record : WindowListSnapshot()) {
        GiveColours(record);
        if (record->NickList) {
            InvalidateRect(record->NickList, nullptr, FALSE);
            UpdateWindow(record->NickList);
        }
    }
}

void ApplySettings() {
    LoadUserLists();

    std::vector<std::wstring> paths;
    SplitQuotedW(paths, NarrowToWide(Settings::InstalledPlugins()), L" ", false);
    SetPluginPaths(std::move(paths));

    if (ConfiguredFonts.empty() || FontsChanged.load()) MakeFonts();

    if (ColoursChanged.load()) {
        for (WindowRecord* record : WindowListSnapshot()) GiveColours(record);
        DestroySmileyMenu();
        Repaint(MdiClientWindow.load());
        Repaint(MainWindow.load());
    }

    GroupChatMessages = Settings::GroupChatMessages() ? 1 : 0;
    // At start-up there is no frame yet; it registers them once it exists.
    RegisterScriptHotkeys();
}
