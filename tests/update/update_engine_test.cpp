// The engine against a real update server on loopback, with a program folder of its own: what
// is current stays, what differs is fetched, checked and swapped in, and what goes wrong on the
// way leaves the old files working.
#include <gtest/gtest.h>

#include "common/internet_url.h"
#include "common/xstring.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/irc_tls/test_certificates.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "tests/update/update_test_server.h"
#include "update/file_hashes.h"
#include "update/update_check_job.h"
#include "update/update_dialog.h"
#include "update/update_engine.h"
#include "update/update_messages.h"
#include "update/update_worker.h"

#include <commctrl.h>
#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>

namespace {

class ProgramEnvironment : public testing::Environment {
public:
    void SetUp() override {
        WSADATA data{};
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
        INITCOMMONCONTROLSEX controls{sizeof controls, 0x7FF};
        InitCommonControlsEx(&controls);
    }
    void TearDown() override { WSACleanup(); }
};
const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new ProgramEnvironment);

constexpr DWORD kWait = 30000;
const wchar_t* const kFiles[] = {L"qv.exe", L"qvlang.dll", L"qvres.dll", L"qv.chm", L"qx.exe", L"extras.xml"};
enum : uint32_t { kProgram, kLanguage, kResources, kHelp, kTransfer, kExtras };

std::string OldContent(const std::wstring& name) {
    return "installed " + WideToNarrow(name);
}
std::string NewContent(const std::wstring& name) {
    return "published " + WideToNarrow(name) + std::string(30000, 'n');
}

template <typename Condition> bool Eventually(Condition condition, DWORD timeoutMs = kWait) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!condition()) {
        if (GetTickCount64() >= end) return false;
        Sleep(50);
    }
    return true;
}

// The update dialog of the thread once it shows the text.
HWND FindUpdateDialog(DWORD thread, const std::wstring& text) {
    struct Search {
        const std::wstring* Text;
        HWND Found;
    } search{&text, nullptr};
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t status[400] = {};
            GetDlgItemTextW(window, kUpdateStatusText, status, 400);
            if (!IsWindowVisible(window) || std::wstring(status).find(*s->Text) == std::wstring::npos)
                return TRUE;
            s->Found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

class UpdateEngineTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Start());
        for (const wchar_t* name : kFiles) {
            server_.Publish(name, NewContent(name));
            WriteFileBytes(program_.File(name), OldContent(name));
        }
        DeleteFileW(UpdateHashListPath().c_str());
    }

    // The job the update check builds for this program folder (or another), in the mode given.
    UpdateJob& Job(uint32_t mode, const std::wstring& server = L"", const std::wstring& folder = L"") {
        UpdateCheckInputs inputs;
        inputs.Server = server.empty() ? server_.Address() : server;
        inputs.ProgramFolder = folder.empty() ? program_.Path() : folder;
        inputs.ProgramPath = inputs.ProgramFolder + L"\\qv.exe";
        inputs.UserDataFolder = program_.File(L"user");
        inputs.CheckOnly = (mode & 0xFFFF) == kUpdateModeCheckOnly;
        BuildUpdateCheckJob(inputs, *job_);
        job_->Header.Mode = mode;
        return job_->Header;
    }
    uint32_t Status(uint32_t index) const { return job_->Entry(index).Status; }
    // Makes the installed file the published one.
    void Current(uint32_t index) { WriteFileBytes(program_.File(kFiles[index]), NewContent(kFiles[index])); }
    std::string Installed(uint32_t index, const wchar_t* suffix = L"") const {
        return ReadFileBytes(program_.File(kFiles[index]) + suffix);
    }
    bool Left(uint32_t index, const wchar_t* suffix) const {
        return FileExists(program_.File(kFiles[index]) + suffix);
    }
    // Runs the job in the window mode on this thread, which owns the dialog, while a user on
    // another thread closes the dialog once it shows the status and ready(dialog) holds. False
    // when that never happened.
    template <typename Ready> bool RunAndClose(const std::wstring& status, uint32_t& result, Ready ready) {
        const DWORD engineThread = GetCurrentThreadId();
        std::atomic<bool> closed{false};
        std::thread user([&] {
            HWND dialog = nullptr;
            if (!Eventually(
                    [&] { return (dialog = FindUpdateDialog(engineThread, status)) && ready(dialog); }))
                return;
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            closed = true;
        });
        result = RunUpdateJob(&Job(kUpdateAnswerNo << 16));
        user.join();
        return closed;
    }
    // How often the server was asked for the file itself.
    size_t Fetches(const std::wstring& name) const {
        const std::vector<std::string> requests = server_.Requests();
        return std::count(requests.begin(), requests.end(), "/qv/updates/x64/" + WideToNarrow(name));
    }

    UpdateTestServer server_;
    TestFolder program_{L"updprog"};
    std::unique_ptr<UpdateJobBuffer> job_ = std::make_unique<UpdateJobBuffer>();
};

TEST_F(UpdateEngineTest, NothingToUpdateLeavesEveryFileAlone) {
    for (uint32_t i = 0; i < 6; ++i) Current(i);
    EXPECT_EQ(kUpdateNothingDiffers, RunUpdateJob(&Job(kUpdateModeCheckOnly)));
    EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeHiddenAlso)));
    for (uint32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(kFileCurrent, Status(i)) << i;
        EXPECT_FALSE(Left(i, L".old"));
    }
    // One combined list answered for all six files; no file was fetched.
    for (const std::string& request : server_.Requests())
        EXPECT_EQ(0u, request.find("/hash.php?file1=")) << request;
}

TEST_F(UpdateEngineTest, TwoChangedFilesAreFetchedCheckedAndSwappedIn) {
    for (uint32_t i : {kProgram, kResources, kHelp, kExtras}) Current(i);
    EXPECT_EQ(kUpdateFilesDiffer, RunUpdateJob(&Job(kUpdateModeCheckOnly)));
    EXPECT_EQ(kFileReplaced, Status(kLanguage)) << "in a check: needs replacing";
    EXPECT_EQ(server_.Requests().size(), 1u) << "a check fetches only the hash list";
    EXPECT_EQ(OldContent(kFiles[kLanguage]), Installed(kLanguage));

    // Applying, with the closing question answered "no" in advance.
    EXPECT_EQ(kUpdateReplacedKeepRunning, RunUpdateJob(&Job(kUpdateAnswerNo << 16)));
    for (uint32_t i : {kLanguage, kTransfer}) {
        EXPECT_EQ(kFileReplaced, Status(i));
        EXPECT_EQ(NewContent(kFiles[i]), Installed(i));
        EXPECT_EQ(OldContent(kFiles[i]), Installed(i, L".old"));
        EXPECT_FALSE(Left(i, L".new"));
    }
    EXPECT_EQ(kFileCurrent, Status(kProgram));
    EXPECT_FALSE(Left(kProgram, L".old"));
}

// The tree scripts/package lays out for the update server, made from the files the build put
// beside the program and served as it stands: that folder is current, and a file that differs is
// fetched from the tree and checked against the hash the tree publishes.
TEST_F(UpdateEngineTest, ThePackagedTreeServesTheBuiltProgramFiles) {
    const std::wstring built = TestProgramFolder();
    std::string command =
        ShellQuote(BRINDLEX_SOURCE_DIR "/scripts/update-tree") + " " + ShellQuote(UnixPath(server_.Folder()));
    for (const wchar_t* name : kFiles) command += " " + ShellQuote(UnixPath(built + L"\\" + name));
    ASSERT_EQ(0, RunShell(command));
    for (const wchar_t* name : kFiles)
        EXPECT_TRUE(FileExists(server_.Folder() + L"qv\\updates\\x64\\" + name + L".sha1"))
            << WideToNarrow(name);

    EXPECT_EQ(kUpdateNothingDiffers, RunUpdateJob(&Job(kUpdateModeCheckOnly, L"", built)));
    for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(kFileCurrent, Status(i)) << i;

    Job(kUpdateModeHiddenAlso);
    for (uint32_t i = 0; i < 6; ++i) job_->Entry(i).SkipWord = i == kHelp ? 0 : 1;
    EXPECT_EQ(kUpdateReplacedKeepRunning, RunUpdateJob(&job_->Header));
    EXPECT_EQ(kFileReplaced, Status(kHelp));
    EXPECT_EQ(ReadFileBytes(built + L"\\qv.chm"), Installed(kHelp));
}

// A file that fails keeps the whole set of the program folder as it was: a help file that came
// down well waits for the others and is not swapped in alone.
TEST_F(UpdateEngineTest, FailedDownloadsLeaveTheInstalledFilesAndAreReported) {
    for (uint32_t i : {kProgram, kExtras}) Current(i);
    server_.Behave(R"({"files": {"qvlang.dll": "bad", "qvres.dll": "404", "qx.exe": "truncated"}})");
    EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeHiddenAlso)));

    EXPECT_EQ(kFileBadHash, Status(kLanguage));
    EXPECT_EQ(OldContent(L"qvlang.dll"), Installed(kLanguage));
    EXPECT_TRUE(Left(kLanguage, L".new")) << "a download that fails its hash is kept as .new";
    for (uint32_t i : {kResources, kTransfer}) {
        EXPECT_EQ(kFileFailed, Status(i)) << i;
        EXPECT_EQ(OldContent(kFiles[i]), Installed(i));
        EXPECT_FALSE(Left(i, L".new"));
        EXPECT_FALSE(Left(i, L".old"));
    }
    EXPECT_EQ(kFileSkipped, Status(kHelp));
    EXPECT_EQ(OldContent(L"qv.chm"), Installed(kHelp));
}

// Five files differ and the third fails, first its check, then its swap: the program folder
// keeps its old set whole, the two swapped before it going back.
TEST_F(UpdateEngineTest, WhenTheThirdOfFiveFilesFailsNoneIsSwappedIn) {
    Current(kExtras);
    const auto expectOldSet = [&](uint32_t failed, uint32_t status) {
        for (uint32_t i = kProgram; i <= kTransfer; ++i) {
            EXPECT_EQ(i == failed ? status : kFileSkipped, Status(i)) << i;
            EXPECT_EQ(OldContent(kFiles[i]), Installed(i)) << i;
            EXPECT_FALSE(Left(i, L".old")) << i;
        }
    };
    server_.Behave(R"({"files": {"qvres.dll": "bad"}})");
    EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeHiddenAlso)));
    expectOldSet(kResources, kFileBadHash);

    server_.Behave("{}");
    // Held open without leave to move it, the installed file cannot give way to the new one.
    HANDLE held = CreateFileW(program_.File(L"qvres.dll").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeHiddenAlso)));
    CloseHandle(held);
    expectOldSet(kResources, kFileFailed);
}

TEST_F(UpdateEngineTest, AMissingOrMalformedHashListFailsTheCheck) {
    // A list left by an earlier run that would call every file current is never read.
    std::string stale = "[Hash]\r\n";
    for (uint32_t i = 0; i < 6; ++i) {
        WriteFileBytes(program_.File(L"probe"), OldContent(kFiles[i]));
        stale += std::to_string(i + 1) + "=" + WideToNarrow(FileSha1Hex(program_.File(L"probe"))) + "\r\n";
    }
    for (const char* list : {"404", "garbage"}) {
        WriteFileBytes(UpdateHashListPath(), stale);
        server_.Behave(std::string(R"({"list": ")") + list + "\"}");
        EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeCheckOnly))) << list;
        for (uint32_t i = 0; i < 6; ++i) EXPECT_EQ(kFileFailed, Status(i)) << list << " " << i;
    }
    // No server at all.
    server_.Stop();
    EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeCheckOnly)));
}

TEST_F(UpdateEngineTest, ClosingTheDialogCancelsASlowDownload) {
    for (uint32_t i : {kProgram, kLanguage, kResources, kHelp}) Current(i);
    server_.Behave(R"({"files": {"qx.exe": "slow"}})");
    uint32_t result = 0;
    const bool closed = RunAndClose(L"Downloading: Brindlex 7 File Transfer", result, [](HWND dialog) {
        // Some of the file has arrived: the bars and the status line show it.
        if (SendDlgItemMessageW(dialog, kUpdateFileBar, PBM_GETPOS, 0, 0) < 5) return false;
        RECT area{};
        GetWindowRect(dialog, &area);
        HBITMAP picture = CopyScreenArea(area);
        SaveBitmapAsPng(picture, ScreenshotFolder() + L"\\update_dialog_downloading.png");
        DeleteObject(picture);
        return true;
    });
    ASSERT_TRUE(closed) << "the download's progress was never shown";
    EXPECT_EQ(kUpdateOtherEnd, result);
    EXPECT_EQ(kFileFailed, Status(kTransfer));
    EXPECT_EQ(kFileSkipped, Status(kExtras)) << "nothing after the cancel is touched";
    EXPECT_EQ(OldContent(L"qx.exe"), Installed(kTransfer));
    EXPECT_FALSE(Left(kTransfer, L".new"));
    EXPECT_EQ(OldContent(L"extras.xml"), Installed(kExtras));
}

// A server that redirects for ever, or sends a body without end, ends the file's download with
// a failure the summary names; a body longer than its announced length is cut at that length.
TEST_F(UpdateEngineTest, RedirectLoopsAndEndlessBodiesFailTheFileAndTheRunEnds) {
    for (uint32_t i : {kProgram, kResources, kHelp, kExtras}) Current(i);
    server_.Behave(R"({"files": {"qx.exe": "loop", "qvlang.dll": "longer"}})");
    EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeHiddenAlso)));
    EXPECT_EQ(kFileFailed, Status(kTransfer));
    EXPECT_LE(Fetches(L"qx.exe"), static_cast<size_t>(kMaxHttpRedirects + 1));
    EXPECT_GT(Fetches(L"qx.exe"), 1u) << "a redirect is followed";
    EXPECT_EQ(OldContent(L"qx.exe"), Installed(kTransfer));
    EXPECT_FALSE(Left(kTransfer, L".new"));
    EXPECT_EQ(NewContent(L"qvlang.dll"), Installed(kLanguage, L".new")) << "cut at the announced length";
    const std::wstring summary = UpdateSummaryText(CountUpdateStatuses(job_->Header), false);
    EXPECT_NE(std::wstring::npos, summary.find(UpdateText(kUpdateTextErrors, false)));
    EXPECT_NE(std::wstring::npos, summary.find(L"Brindlex 7 File Transfer System"));

    server_.Behave(R"({"files": {"qx.exe": "endless"}})");
    EXPECT_EQ(kUpdateOtherEnd, RunUpdateJob(&Job(kUpdateModeHiddenAlso)));
    EXPECT_EQ(kFileFailed, Status(kTransfer));
    EXPECT_EQ(OldContent(L"qx.exe"), Installed(kTransfer));
    EXPECT_FALSE(Left(kTransfer, L".new")) << "nothing of the endless body is kept";
    EXPECT_EQ(OldContent(L"qvlang.dll"), Installed(kLanguage)) << "the set is swapped only whole";
}

TEST_F(UpdateEngineTest, ClosingTheDialogStopsARedirectLoop) {
    for (uint32_t i : {kProgram, kLanguage, kResources, kHelp}) Current(i);
    server_.Behave(R"({"files": {"qx.exe": "slowloop"}})");
    uint32_t result = 0;
    const bool closed = RunAndClose(L"", result, [&](HWND) { return Fetches(L"qx.exe") >= 1; });
    ASSERT_TRUE(closed) << "the redirect loop was never asked for";
    EXPECT_EQ(kUpdateOtherEnd, result);
    EXPECT_EQ(kFileFailed, Status(kTransfer));
    EXPECT_EQ(kFileSkipped, Status(kExtras));
    // The worker has ended: the loop stopped at the request under way when the dialog closed.
    EXPECT_LE(Fetches(L"qx.exe"), 3u);
}

TEST_F(UpdateEngineTest, ASwapInterruptedBetweenItsMovesLeavesTheProgramWorking) {
    for (uint32_t i = 1; i < 6; ++i) Current(i);
    server_.Behave(R"({"files": {"qv.exe": "hold"}})");
    const std::wstring fresh = program_.File(L"qv.exe.new");
    const std::string published = NewContent(L"qv.exe");
    HANDLE held = INVALID_HANDLE_VALUE;
    std::thread other([&] {
        // Once the whole download is on disk, and while the server still holds the connection,
        // the new file is opened without leave to move it.
        Eventually([&] { return ReadFileBytes(fresh).size() == published.size(); });
        held = CreateFileW(fresh.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    });
    const uint32_t result = RunUpdateJob(&Job(kUpdateModeHiddenAlso));
    other.join();
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    CloseHandle(held);
    EXPECT_EQ(kUpdateOtherEnd, result);
    EXPECT_EQ(kFileFailed, Status(kProgram));
    EXPECT_EQ(OldContent(L"qv.exe"), Installed(kProgram)) << "the program file went back in place";
    EXPECT_EQ(published, Installed(kProgram, L".new"));
}

TEST(UpdateEngineTls, HttpsNeedsACertificateTheSystemTrusts) {
    const TestCertificates& certificates = GetTestCertificates();
    ASSERT_TRUE(certificates.Made);
    // The test certificates are all made trusted, so that only their date or name can fail them.
    TrustedTestCertificates trusted;
    for (const std::string* pem : {&certificates.Good, &certificates.Expired, &certificates.WrongName})
        ASSERT_TRUE(trusted.Add(*pem));

    TestFolder program(L"updtls");
    struct Case {
        const std::string* Certificate;
        const std::string* Key;
        uint32_t Status;
    };
    const Case cases[] = {{&certificates.Good, &certificates.GoodKey, kFileReplaced},
                          {&certificates.Expired, &certificates.ExpiredKey, kFileFailed},
                          {&certificates.WrongName, &certificates.WrongNameKey, kFileFailed}};
    for (const Case& c : cases) {
        UpdateTestServer server;
        ASSERT_TRUE(server.Start(*c.Certificate, *c.Key));
        // The rest of the program's set is current: only qx.exe stands to be replaced.
        for (const wchar_t* name : kFiles) {
            server.Publish(name, NewContent(name));
            WriteFileBytes(program.File(name), NewContent(name));
        }
        WriteFileBytes(program.File(L"qx.exe"), OldContent(L"qx.exe"));
        auto job = std::make_unique<UpdateJobBuffer>();
        UpdateCheckInputs inputs;
        inputs.Server = server.Address();
        inputs.ProgramPath = program.File(L"qv.exe");
        inputs.ProgramFolder = program.Path();
        inputs.UserDataFolder = program.File(L"user");
        BuildUpdateCheckJob(inputs, *job);
        job->Header.Mode = kUpdateModeHiddenAlso;
        RunUpdateJob(&job->Header);
        EXPECT_EQ(c.Status, job->Entry(kTransfer).Status) << *c.Certificate;
        EXPECT_EQ(c.Status == kFileReplaced ? NewContent(L"qx.exe") : OldContent(L"qx.exe"),
                  ReadFileBytes(program.File(L"qx.exe")));
    }
}

} // namespace
