// Remote assistance from qv's menu, against a scripted author on the loopback: Wine has no
// desktop sharing, so after the handshake the user is told once and nothing stays open.
#include <gtest/gtest.h>

#include "tests/qv/qv_process.h"

namespace {

constexpr DWORD kWait = kQvWait;

TEST(QvAssist, TheMenuCommandAsksTheAuthorAndEndsCleanlyWithoutDesktopSharing) {
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll"});
    const std::wstring data = folder.UserDataFolder();
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(data + L"\\qv.xml",
                               "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"keeper\" "
                               "Assistance_Host=\"127.0.0.1\" /></Cfg></qv>"));

    // The author listens on the assistance port.
    TestFolder peerFiles(L"qv-assist-peer");
    std::wstring line = L"\"" + BuildBinFolder() + L"\\assist_peer.exe\" accept \"" +
                        peerFiles.File(L"port.txt") + L"\" \"" + peerFiles.File(L"result.txt") + L"\" 7017";
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION author{};
    ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &author));
    CloseHandle(author.hThread);
    if (!Eventually([&] { return FileExists(peerFiles.File(L"port.txt")); }, kWait)) {
        TerminateProcess(author.hProcess, 1);
        CloseHandle(author.hProcess);
        GTEST_SKIP() << "the assistance port 7017 is taken on this machine";
    }

    QvProcess qv(folder.Path(), L"-port1");
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    PostMessageW(frame, WM_COMMAND, 990, 0);
    HWND options = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (options = qv.FindDialogWith(L"Enable Remote Assistance?")) != nullptr; }, kWait));
    PostMessageW(options, WM_COMMAND, IDOK, 0);
    HWND told = nullptr;
    ASSERT_TRUE(Eventually(
        [&] {
            return (told = qv.FindDialogWith(L"Desktop sharing is not available on this computer.")) !=
                   nullptr;
        },
        kWait));
    WaitUntilDrawn(told, kWait);
    RECT rect{};
    GetWindowRect(told, &rect);
    if (HBITMAP picture = CopyScreenArea(rect)) {
        SaveBitmapAsPng(picture, ScreenshotFolder() + L"\\qv_assist_no_sharing.png");
        DeleteObject(picture);
    }
    PostMessageW(told, WM_COMMAND, IDOK, 0);

    // The author saw the opening request and then the connection close, without an invitation.
    ASSERT_EQ(WaitForSingleObject(author.hProcess, kWait), WAIT_OBJECT_0);
    CloseHandle(author.hProcess);
    const std::string result = ReadFileBytes(peerFiles.File(L"result.txt"));
    EXPECT_EQ(result, "0000000001000000080000004272696e646c6578\nclosed");
    EXPECT_TRUE(Eventually([&] { return !IsWindow(told) || !IsWindowVisible(told); }, kWait));
    EXPECT_EQ(qv.FindDialogWith(L"Remote Assistance"), nullptr);
    EXPECT_TRUE(IsWindow(frame)); // qv goes on
}

} // namespace
