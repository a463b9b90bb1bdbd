// The engine's parts: hashes, texts and the summary, and the swap of old and new files.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "tests/support/test_files.h"
#include "update/file_hashes.h"
#include "update/file_swap.h"
#include "update/update_engine.h"
#include "update/timed_message_box.h"
#include "update/update_messages.h"

#include <memory>
#include <thread>

namespace {

TEST(UpdateParts, HashesAndPublishedValues) {
    TestFolder folder(L"updhash");
    WriteFileBytes(folder.File(L"abc"), "abc");
    WriteFileBytes(folder.File(L"empty"), "");
    EXPECT_EQ(L"A9993E364706816ABA3E25717850C26C9CD0D89D", FileSha1Hex(folder.File(L"abc")));
    EXPECT_EQ(L"891568578", FileCrc32Text(folder.File(L"abc")));
    EXPECT_EQ(L"0", FileCrc32Text(folder.File(L"empty")));
    // A file that cannot be opened hashes as no bytes.
    EXPECT_EQ(L"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709", FileSha1Hex(folder.File(L"missing")));

    EXPECT_TRUE(IsSha1Text(L"a9993e364706816aba3e25717850c26c9cd0d89d"));
    EXPECT_FALSE(IsSha1Text(L"A9993E364706816ABA3E25717850C26C9CD0D89"));
    EXPECT_FALSE(IsSha1Text(L"<html><body>not a hash at all, forty</b>"));
    EXPECT_TRUE(IsCrc32Text(L"4294967295"));
    EXPECT_FALSE(IsCrc32Text(L"4294967296"));
    EXPECT_FALSE(IsCrc32Text(L""));
}

TEST(UpdateParts, TheSummaryNamesTheFilesThatFailed) {
    UpdateJobBuffer job;
    job.Header.EntryCount = 4;
    const uint32_t statuses[] = {kFileReplaced, kFileBadHash, kFileFailed, kFileCurrent};
    const wchar_t* names[] = {L"one", L"two", L"three", L"four"};
    for (int i = 0; i < 4; ++i) {
        job.Entry(i).Status = statuses[i];
        SetJobText(job.Entry(i).DisplayName, names[i]);
    }
    const UpdateCounts counts = CountUpdateStatuses(job.Header);
    EXPECT_EQ(1u, counts.Updated);
    EXPECT_EQ(2u, counts.Failed) << "a download that fails its hash is a failure";
    EXPECT_EQ(1u, counts.Kept);
    const std::wstring summary = UpdateSummaryText(counts, false);
    EXPECT_EQ(0u, summary.find(
                      L"Total files: \t4\r\nFiles updated: \t1/4\r\nFiles failed: \t2/4\r\nFiles kept: \t1/4"
                      L"\r\n\r\nThere were errors"));
    EXPECT_NE(std::wstring::npos, summary.find(L"Files that failed:\r\n\ttwo\r\n\tthree"));
    EXPECT_EQ(std::wstring::npos, summary.find(L"\tone"));
    EXPECT_EQ(0u, UpdateSummaryText(counts, true).find(L"Αρχεία: \t4\r\nΑνανεώθηκαν: \t1/4"));

    // "GR" in any case picks the Greek texts; any other code is rewritten to "EN".
    job.Header.EntryCount = 0;
    job.Header.Mode = kUpdateModeCheckOnly;
    SetJobText(job.Header.Language, L"de");
    EXPECT_EQ(kUpdateNothingDiffers, RunUpdateJob(&job.Header));
    EXPECT_EQ(L"EN", JobText(job.Header.Language));
    SetJobText(job.Header.Language, L"gr");
    RunUpdateJob(&job.Header);
    EXPECT_EQ(L"gr", JobText(job.Header.Language));
}

TEST(UpdateParts, ASwapThatCannotFinishPutsTheOldFileBack) {
    TestFolder folder(L"updswap");
    const std::wstring program = folder.File(L"qv.exe");
    WriteFileBytes(program, "working program");
    WriteFileBytes(program + L".old", "older program");
    WriteFileBytes(program + L".new", "new program");

    // The new file is held open without leave to move it: the second move fails.
    HANDLE held = CreateFileW((program + L".new").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_FALSE(SwapInNewFile(program));
    CloseHandle(held);
    EXPECT_EQ("working program", ReadFileBytes(program));
    EXPECT_EQ("new program", ReadFileBytes(program + L".new"));

    // The old file held open: nothing moves at all.
    held = CreateFileW(program.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_FALSE(SwapInNewFile(program));
    CloseHandle(held);
    EXPECT_EQ("working program", ReadFileBytes(program));

    EXPECT_TRUE(SwapInNewFile(program));
    EXPECT_EQ("new program", ReadFileBytes(program));
    EXPECT_EQ("working program", ReadFileBytes(program + L".old"));
    EXPECT_FALSE(FileExists(program + L".new"));

    // A file that was missing is installed and leaves no ".old".
    const std::wstring fresh = folder.File(L"qx.exe");
    WriteFileBytes(fresh + L".new", "transfer");
    EXPECT_TRUE(SwapInNewFile(fresh));
    EXPECT_EQ("transfer", ReadFileBytes(fresh));
    EXPECT_FALSE(FileExists(fresh + L".old"));

    SYSTEMTIME at{};
    at.wYear = 2024;
    at.wMonth = 3;
    at.wDay = 7;
    at.wHour = 9;
    at.wMinute = 5;
    EXPECT_EQ(L"3-7-2024-9-5", BackupFolderName(at));
    EXPECT_TRUE(MoveOldFileToBackup(program, folder.File(L"kept")));
    EXPECT_EQ("working program", ReadFileBytes(folder.File(L"kept\\qv.exe.old")));
}

} // namespace

// The summary box is placed by the system; it opens over the program's frame, not in a corner.
TEST(UpdateParts, TheTimedBoxOpensOverTheFrame) {
    HWND frame = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
    MainWindow = frame;
    RECT box{};
    std::thread reader([&box] {
        for (int i = 0; i < 3000; ++i) {
            HWND found = FindWindowW(L"#32770", L"Centred box");
            if (found && IsWindowVisible(found)) {
                GetWindowRect(found, &box);
                PostMessageW(found, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    });
    TimedMessageBox(nullptr, L"text", L"Centred box", MB_OK, 60000, IDOK);
    reader.join();
    MainWindow = nullptr;
    DestroyWindow(frame);
    ASSERT_GT(box.right, box.left) << "the box was not found";
    EXPECT_NEAR((box.left + box.right) / 2, 200, 2);
    EXPECT_NEAR((box.top + box.bottom) / 2, 150, 2);
}
