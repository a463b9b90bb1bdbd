// Back to English from the Options menu: asked first, then qv ends as ever and a new qv starts in
// English from the same folder.
#include <gtest/gtest.h>

#include "tests/qv/qv_process.h"

#include <windows.h>

namespace {

// A frame of another qv than the one named: the qv that started in its place.
HWND OtherFrame(DWORD notThisProcess) {
    for (HWND frame = FindWindowW(L"BRINDLEX2000_Main", nullptr); frame;
         frame = FindWindowExW(nullptr, frame, L"BRINDLEX2000_Main", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(frame, &process);
        if (process != notThisProcess && IsWindowVisible(frame)) return frame;
    }
    return nullptr;
}

} // namespace

TEST(QvBackToEnglish, AsksThenEndsCleanlyAndStartsAgainInEnglish) {
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    ASSERT_TRUE(WriteFirstSettings(folder, {}));
    QvProcess qv(folder.Path(), L"-port1");
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kQvWait));

    PostMessageW(frame, WM_COMMAND, 828, 0);
    HWND question = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (question = qv.FindDialogWith(L"in English")) != nullptr; }, kQvWait));
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    DWORD code = 0;
    ASSERT_TRUE(qv.WaitExit(kQvWait, code)) << "qv ends once asked";
    EXPECT_EQ(folder.SavedSetting("Cfg\\Options1", "Language"), "");

    HWND again = nullptr;
    ASSERT_TRUE(Eventually([&] { return (again = OtherFrame(qv.Id())) != nullptr; }, kQvWait))
        << "a new qv starts";
    DWORD restarted = 0;
    GetWindowThreadProcessId(again, &restarted);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, restarted);
    ASSERT_NE(process, nullptr);
    PostMessageW(again, WM_CLOSE, 0, 0);
    const bool ended = WaitForSingleObject(process, kQvWait) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "the new qv ends when closed";
    if (!ended) TerminateProcess(process, 1);
    CloseHandle(process);
}
