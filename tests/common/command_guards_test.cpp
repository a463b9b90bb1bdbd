#include <gtest/gtest.h>

#include <thread>

#include "common/app_state.h"
#include "common/command_guards.h"
#include "common/refusal.h"

namespace {

TEST(CommandGuards, RequireNonNegativeThrowsTheRefusal) {
    EXPECT_NO_THROW(RequireNonNegative(0));
    EXPECT_NO_THROW(RequireNonNegative(INT32_MAX));
    try {
        RequireNonNegative(-1);
        FAIL() << "no refusal";
    } catch (int code) {
        EXPECT_EQ(code, kRefused);
    }
}

struct Received {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};
Received LastReceived;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) LastReceived = {message, wParam, lParam};
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(CommandGuards, ForwardToInterfaceThreadSendsAndThrowsOffIt) {
    ASSERT_TRUE(OnInterfaceThread());
    EXPECT_NO_THROW(ForwardToInterfaceThread(1, 2));

    WNDCLASSW recording{};
    recording.lpfnWndProc = RecordingProc;
    recording.lpszClassName = L"BrindlexGuardTest";
    RegisterClassW(&recording);
    HWND window =
        CreateWindowExW(0, L"BrindlexGuardTest", L"", 0, 0, 0, 1, 1, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    MainWindow = window;
    LastReceived = {};

    int caught = -1;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread worker([&] {
        try {
            ForwardToInterfaceThread(11, 22);
        } catch (int code) {
            caught = code;
        }
        SetEvent(done);
    });
    // Answer the worker's SendMessage while waiting for it, at most 10 s.
    const ULONGLONG until = GetTickCount64() + 10000;
    while (MsgWaitForMultipleObjects(1, &done, FALSE, 100, QS_ALLINPUT) != WAIT_OBJECT_0 &&
           GetTickCount64() < until) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    }
    worker.join();
    CloseHandle(done);
    EXPECT_EQ(caught, kForwardedToUiThread);
    EXPECT_EQ(LastReceived.message, 1033u);
    EXPECT_EQ(LastReceived.wParam, 11u);
    EXPECT_EQ(LastReceived.lParam, 22);
    MainWindow = nullptr;
    DestroyWindow(window);
}

} // namespace
