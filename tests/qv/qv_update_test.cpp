// Updating a real qv from a local update server: the check at start-up finds an update, the
// user takes it, files are swapped in, the next start merges the settings and clears what the
// update left; a swap that cannot finish leaves a program that starts.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/update/update_test_server.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

#include <winsock2.h>
#include <commctrl.h>

#include <string>
#include <thread>
#include <vector>

namespace {

constexpr DWORD kWait = kQvWait;

class QvUpdateTest : public testing::Test {
protected:
    void SetUp() override {
        WSADATA data{};
        WSAStartup(MAKEWORD(2, 2), &data);
        ASSERT_TRUE(server_.Start());
        // Every file is published as it is installed, but for those a test changes.
        for (const wchar_t* name : {L"qv.exe", L"qvlang.dll", L"qvres.dll"})
            server_.Publish(name, ReadFileBytes(folder_.Path() + L"\\" + name));
        for (const wchar_t* name : {L"qv.chm", L"qx.exe", L"extras.xml"}) {
            const std::string installed = Installed(name);
            WriteFileBytes(folder_.Path() + L"\\" + name, installed);
            server_.Publish(name, installed);
        }
        CreateDirectoryW((folder_.Path() + L"\\CFG").c_str(), nullptr);
        WriteFileBytes(folder_.Path() + L"\\CFG\\qv.xml",
                       "<?xml version=\"1.0\" ?>\r\n<qv><ICfg><General Update_Server=\"" +
                           WideToNarrow(server_.Address()) + "\" /></ICfg></qv>");
    }
    void TearDown() override { WSACleanup(); }

    static std::string Installed(const std::wstring& name) {
        return name == L"extras.xml" ? "<?xml version=\"1.0\" ?>\r\n<Extras />"
                                     : "installed " + WideToNarrow(name);
    }
    // The program as built with bytes appended: another hash, the same program.
    std::string NewProgram() const {
        return ReadFileBytes(BuildBinFolder() + L"\\qv.exe") + std::string(64, '\x5A');
    }
    std::string InFolder(const std::wstring& name) const {
        return ReadFileBytes(folder_.Path() + L"\\" + name);
    }
    std::string Setting(const char* key) const {
        XmlDocument document;
        XmlDocumentOpenFile(&document, (folder_.UserDataFolder() + L"\\qv.xml").c_str());
        char value[64] = {};
        XmlGetProfileString("ICfg\\General", key, "", value, sizeof value, nullptr, &document);
        XmlDocumentDestroy(&document);
        return value;
    }

    // Waits for the box, keeps a picture of it, and answers.
    std::wstring Answer(QvProcess& qv, const std::wstring& text, WPARAM answer,
                        const wchar_t* picture = nullptr) {
        HWND box = nullptr;
        if (!Eventually([&] { return (box = qv.FindDialogWith(text)) != nullptr; }, kWait))
            return std::wstring();
        const std::wstring shown = AllTexts(box);
        if (picture) {
            WaitUntilDrawn(box, kWait);
            SaveScreenshot(box, ScreenshotFolder() + L"\\" + picture);
        }
        PostMessageW(box, WM_COMMAND, answer, 0);
        return shown;
    }

    // The settings of earlier runs: no first-run wizard, and the start-up check is not due.
    void RanBefore() {
        CreateDirectoryW((folder_.Path() + L"\\UCFG").c_str(), nullptr);
        CreateDirectoryW(folder_.UserDataFolder().c_str(), nullptr);
        WriteFileBytes(folder_.UserDataFolder() + L"\\qv.xml",
                       "<?xml version=\"1.0\" ?>\r\n<qv><ICfg><General upd=\"5\" /></ICfg></qv>");
    }

    bool StartsAndCloses() {
        QvProcess qv(folder_.Path(), L"-port1");
        HWND frame = nullptr;
        if (!Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait))
            return false;
        PostMessageW(frame, WM_CLOSE, 0, 0);
        DWORD code = 1;
        return qv.WaitExit(kWait, code);
    }

    PortableFolder folder_{{L"qv.exe", L"qvlang.dll", L"qvres.dll"}};
    UpdateTestServer server_;
};

TEST_F(QvUpdateTest, AnUpdateFoundAtStartUpIsAppliedAndMergedOnTheNextStart) {
    server_.Publish(L"qv.exe", NewProgram());
    const std::string extras = "<?xml version=\"1.0\" ?>\r\n<Extras><Item name=\"new\" /></Extras>";
    server_.Publish(L"extras.xml", extras);
    {
        // A fresh copy checks at its first start and offers what it found.
        QvProcess qv(folder_.Path(), L"-port1");
        ASSERT_FALSE(
            Answer(qv, L"Brindlex update found. Update now?", IDYES, L"qv_update_found.png").empty());
        const std::wstring summary = Answer(qv, L"Files updated successfully!", IDYES, L"qv_update_done.png");
        EXPECT_NE(std::wstring::npos, summary.find(L"Files updated: \t2/6")) << WideToNarrow(summary);
        DWORD code = 1;
        ASSERT_TRUE(qv.WaitExit(kWait, code)) << "the program closes so that its new files take effect";
        EXPECT_EQ(0u, code);
    }
    EXPECT_EQ(NewProgram(), InFolder(L"qv.exe"));
    EXPECT_EQ(extras, InFolder(L"extras.xml"));
    EXPECT_EQ(Installed(L"extras.xml"), InFolder(L"extras.xml.old"));
    EXPECT_EQ("1", Setting("PendingUpdate"));
    EXPECT_EQ("20", Setting("upd"));
    WriteFileBytes(folder_.Path() + L"\\qvres.dll.new", "left by a cut-off run");

    {
        // The next start clears what the update left, merges the settings and asks for a restart.
        QvProcess qv(folder_.Path(), L"-port1");
        EXPECT_FALSE(Answer(qv, L"The XML Configuration file is updated.", IDOK).empty());
        DWORD code = 1;
        ASSERT_TRUE(qv.WaitExit(kWait, code));
        EXPECT_EQ(0u, code);
    }
    for (const wchar_t* left : {L"qv.exe.old", L"extras.xml.old", L"qvres.dll.new"})
        EXPECT_FALSE(FileExists(folder_.Path() + L"\\" + left)) << WideToNarrow(left);
    EXPECT_EQ("0", Setting("PendingUpdate"));
}

TEST_F(QvUpdateTest, AnInterruptedSwapLeavesTheProgramThatStarts) {
    const std::string installed = InFolder(L"qv.exe");
    const std::string fresh = NewProgram();
    server_.Publish(L"qv.exe", fresh);
    server_.Behave(R"({"files": {"qv.exe": "hold"}})");
    RanBefore();
    const std::wstring download = folder_.Path() + L"\\qv.exe.new";
    HANDLE held = INVALID_HANDLE_VALUE;
    std::thread other([&] {
        // The whole new program is on disk while the server still holds the connection: it is
        // opened without leave to move it, so the second move of the swap fails.
        Eventually(
            [&] {
                WIN32_FILE_ATTRIBUTE_DATA data{};
                return GetFileAttributesExW(download.c_str(), GetFileExInfoStandard, &data) &&
                       data.nFileSizeLow == fresh.size();
            },
            kWait);
        held = CreateFileW(download.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    {
        // The elevated start of an update runs it before any window of the program exists.
        QvProcess qv(folder_.Path(), L"-port1 -update");
        const std::wstring summary =
            Answer(qv, L"There were errors in the update process.", IDOK, L"qv_update_failed.png");
        other.join();
        EXPECT_NE(std::wstring::npos, summary.find(L"Files that failed:\r\n\tBrindlex 7 Executable"))
            << WideToNarrow(summary);
        ASSERT_NE(INVALID_HANDLE_VALUE, held);
        CloseHandle(held);
        // The start goes on to the program's window.
        HWND frame = nullptr;
        ASSERT_TRUE(
            Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
        PostMessageW(frame, WM_CLOSE, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(qv.WaitExit(kWait, code));
    }
    EXPECT_EQ(installed, InFolder(L"qv.exe"));
    EXPECT_TRUE(StartsAndCloses());
}

TEST_F(QvUpdateTest, TheMenuChecksAndSaysWhatItFound) {
    RanBefore();
    QvProcess qv(folder_.Path(), L"-port1");
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));

    PostMessageW(frame, WM_COMMAND, 993, 0);
    EXPECT_FALSE(Answer(qv, L"No Brindlex update is found.", IDOK, L"qv_update_menu_none.png").empty());
    server_.Publish(L"qx.exe", "a newer transfer program");
    PostMessageW(frame, WM_COMMAND, 993, 0);
    EXPECT_FALSE(
        Answer(qv, L"Brindlex update found. Update now?", IDNO, L"qv_update_menu_found.png").empty());
    ASSERT_TRUE(Eventually([&] { return qv.FindDialogWith(L"Brindlex update found") == nullptr; }, kWait));

    // Each check asked for the hash list alone; nothing was fetched or changed.
    const std::vector<std::string> requests = server_.Requests();
    ASSERT_EQ(2u, requests.size());
    for (const std::string& request : requests) EXPECT_EQ(0u, request.find("/hash.php?file1=")) << request;
    EXPECT_EQ(Installed(L"qx.exe"), InFolder(L"qx.exe"));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
    EXPECT_EQ("4", Setting("upd")) << "a check from the menu leaves the count of starts alone";
}

} // namespace
