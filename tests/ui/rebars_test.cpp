// The rebars of the frame and of the preferences window: their buttons and the labels taken
// from the main menu, of which only the accelerator and the trailing dots are cut.
#include <gtest/gtest.h>

#include "core/frame_handles.h"
#include "ui/rebars.h"

#include <commctrl.h>

#include <string>

namespace {

std::wstring ButtonText(HWND toolbar, int command) {
    wchar_t text[200] = {};
    SendMessageW(toolbar, TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(text));
    return text;
}

HWND Toolbar(HWND window, int rebar, int toolbar) {
    return GetDlgItem(GetDlgItem(window, rebar), toolbar);
}

} // namespace

TEST(Rebars, LabelsKeepInnerDotsAndPreferencesHaveTheirFourButtons) {
    HMENU menu = CreateMenu();
    HMENU first = CreatePopupMenu();
    AppendMenuW(first, MF_STRING, 801, L"v1.2 &Setup...\tF12");
    AppendMenuW(first, MF_STRING, 803, L"&Scripts");
    AppendMenuW(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(first), L"&Connect...");
    MainMenuHandle = menu;
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);

    ASSERT_NE(CreateMainRebar(window), nullptr);
    HWND toolbar = Toolbar(window, kMainRebarId, 911);
    EXPECT_EQ(ButtonText(toolbar, 801), L"v1.2 &Setup");
    EXPECT_EQ(ButtonText(toolbar, 803), L"&Scripts");
    EXPECT_EQ(ButtonText(toolbar, 60012), L""); // no popup at that position in this menu
    EXPECT_EQ(SendMessageW(GetDlgItem(window, kMainRebarId), RB_GETBANDCOUNT, 0, 0), 6);

    ASSERT_NE(CreatePreferencesRebar(window), nullptr);
    toolbar = Toolbar(window, kMainRebarId, kStandardToolbarId);
    ASSERT_EQ(SendMessageW(toolbar, TB_BUTTONCOUNT, 0, 0), 4);
    int index = 0;
    for (int command : {902, 905, 904, 900}) {
        TBBUTTON button{};
        SendMessageW(toolbar, TB_GETBUTTON, static_cast<WPARAM>(index++), reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ(button.idCommand, command);
    }
    DestroyWindow(window);
    MainMenuHandle = nullptr;
    DestroyMenu(menu);
}
