// The start panel over the browser control when no HTML engine is behind it (as under Wine
// without its Gecko package): the panel closes again and says why, once.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/tray_icon.h"
#include "core/frame_handles.h"
#include "core/resource_library.h"
#include "shell/windows/start_panel.h"
#include "tests/shell/shell_test_files.h"
#include "ui/ax_host.h"

#include <ole2.h>

#include <string>

namespace {

LRESULT CALLBACK PanelFrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (HandleStartPanelMessage(window, message, wParam, lParam)) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

void Pump(DWORD milliseconds) {
    const ULONGLONG end = GetTickCount64() + milliseconds;
    MSG message;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        Sleep(10);
    }
}

TEST(StartPanel, WithoutAnHtmlEngineClosesAndSaysSoOnce) {
    OleInitialize(nullptr);
    RegisterAxHostClass();
    WNDCLASSW frameClass{};
    frameClass.lpfnWndProc = PanelFrameProc;
    frameClass.hInstance = GetModuleHandleW(nullptr);
    frameClass.lpszClassName = L"StartPanelTestFrame";
    RegisterClassW(&frameClass);
    HWND frame = CreateWindowExW(0, L"StartPanelTestFrame", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(frame, nullptr);
    MainWindow = frame;
    LanguageModule = BuiltLibrary(L"qvlang.dll");
    ResourceModule = BuiltLibrary(L"qvres.dll");
    TrayIconData().szInfo[0] = L'\0';

    OpenStartPanel(frame);
    Pump(3000);
    HWND panel = FindWindowExW(frame, nullptr, kAxHostClass, nullptr);
    if (panel && IsWindow(panel) && StartPanelWindow.load())
        GTEST_SKIP() << "this system shows the page: it has an HTML engine";
    EXPECT_EQ(StartPanelWindow.load(), nullptr);
    EXPECT_EQ(panel, nullptr) << "the browser's host is gone";
    EXPECT_EQ(std::wstring(TrayIconData().szInfo), GetLangString(kEngineMissingText));

    TrayIconData().szInfo[0] = L'\0';
    EXPECT_FALSE(OpenStartPanel(frame)) << "not tried again in this run";
    Pump(500);
    EXPECT_EQ(FindWindowExW(frame, nullptr, kAxHostClass, nullptr), nullptr);
    EXPECT_EQ(TrayIconData().szInfo[0], L'\0') << "said only once";

    DestroyWindow(frame);
    MainWindow = nullptr;
    LanguageModule = nullptr;
    ResourceModule = nullptr;
}

} // namespace
