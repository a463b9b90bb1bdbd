#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/rich_edit_helpers.h"

namespace {

HWND CreateRichEdit() {
    static HMODULE library = LoadLibraryW(L"riched20.dll");
    if (!library) return nullptr;
    return CreateWindowExW(0, L"RichEdit20W", L"", WS_POPUP | ES_MULTILINE, 0, 0, 300, 200, nullptr, nullptr,
                           nullptr, nullptr);
}

std::wstring TextOf(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));
    return text;
}

class RichEdit : public testing::Test {
protected:
    void SetUp() override {
        view_ = CreateRichEdit();
        ASSERT_NE(view_, nullptr);
        SetWindowTextW(view_, L"some text");
        SendMessageW(view_, EM_SETSEL, 0, -1);
        // The default font may be bold (the system font): start plain.
        RichEditSetEffect(view_, CFM_BOLD | CFM_ITALIC, 0, false, 0);
        ASSERT_EQ(Effects(), 0u);
    }
    void TearDown() override { DestroyWindow(view_); }

    DWORD Effects() {
        CHARFORMAT2W format{};
        format.cbSize = sizeof format;
        format.dwMask = CFM_BOLD | CFM_ITALIC;
        SendMessageW(view_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format.dwEffects & (CFE_BOLD | CFE_ITALIC);
    }

    HWND view_ = nullptr;
};

TEST_F(RichEdit, RestoreAppliesOnlyBitsStillToBeRestored) {
    CHARFORMAT2W saved{};
    RichEditSaveCharFormat(view_, saved, CFM_BOLD);
    RichEditSetEffect(view_, CFM_BOLD, CFE_BOLD, true, 0);
    ASSERT_EQ(Effects(), DWORD(CFE_BOLD));

    // A mask that shares no bit with the saved one changes nothing.
    RichEditRestoreCharFormat(view_, saved, CFM_ITALIC);
    EXPECT_EQ(Effects(), DWORD(CFE_BOLD));
    // The saved bit is restored once; after that it is no longer pending.
    RichEditRestoreCharFormat(view_, saved, CFM_BOLD);
    EXPECT_EQ(Effects(), 0u);
    RichEditSetEffect(view_, CFM_BOLD, CFE_BOLD, true, 0);
    RichEditRestoreCharFormat(view_, saved, CFM_BOLD);
    EXPECT_EQ(Effects(), DWORD(CFE_BOLD));
}

TEST_F(RichEdit, RestoreOfTwoSavedBitsOneAtATime) {
    CHARFORMAT2W saved{};
    RichEditSaveCharFormat(view_, saved, CFM_BOLD | CFM_ITALIC);
    RichEditSetEffect(view_, CFM_BOLD | CFM_ITALIC, CFE_BOLD | CFE_ITALIC, true, 0);
    RichEditRestoreCharFormat(view_, saved, CFM_BOLD);
    EXPECT_EQ(Effects(), DWORD(CFE_ITALIC));
    RichEditRestoreCharFormat(view_, saved, CFM_ITALIC);
    EXPECT_EQ(Effects(), 0u);
}

TEST_F(RichEdit, SetEffectWithTheFlagClearedRemovesTheEffect) {
    RichEditSetEffect(view_, CFM_ITALIC, CFE_ITALIC, true, 0);
    EXPECT_EQ(Effects(), DWORD(CFE_ITALIC));
    RichEditSetEffect(view_, CFM_ITALIC, CFE_ITALIC, false, 0);
    EXPECT_EQ(Effects(), 0u);
}

TEST_F(RichEdit, AppendGoesToTheEndWhateverTheSelection) {
    SendMessageW(view_, EM_SETSEL, 0, 4);
    RichEditAppendText(view_, L" more", false, false);
    RichEditAppendText(view_, L"!", false, true);
    EXPECT_EQ(TextOf(view_), L"some text more!");
    EXPECT_EQ(RichEditScrollToEnd(view_), -1);
}

// The view's own thread appends while a worker appends to the same view. The worker holds the
// append lock while it waits in SendMessage for the view's thread; that thread must keep
// answering while it waits for the lock, or both stop for good.
struct AppendRace {
    static constexpr int kEach = 300;
    HWND view = nullptr;
    int ownerAppends = 0;
    int workerAppends = 0;
    bool workerFinished = false;
    std::wstring text; // read by the owner: its windows end with it

    static DWORD WINAPI Worker(void* context) {
        auto* race = static_cast<AppendRace*>(context);
        for (int i = 0; i < kEach; ++i) {
            RichEditAppendText(race->view, L"w", false, false);
            ++race->workerAppends;
        }
        return 0;
    }

    static DWORD WINAPI Owner(void* context) {
        auto* race = static_cast<AppendRace*>(context);
        race->view = CreateRichEdit();
        if (!race->view) return 1;
        HANDLE worker = CreateThread(nullptr, 0, Worker, race, 0, nullptr);
        for (int i = 0; i < kEach; ++i) {
            RichEditAppendText(race->view, L"o", false, false);
            ++race->ownerAppends;
        }
        // Answer the worker's last appends until it ends.
        while (MsgWaitForMultipleObjects(1, &worker, FALSE, INFINITE, QS_SENDMESSAGE) != WAIT_OBJECT_0) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        CloseHandle(worker);
        race->workerFinished = true;
        race->text = TextOf(race->view);
        DestroyWindow(race->view);
        return 0;
    }
};

TEST(RichEditAppend, OwnerAndWorkerAppendingTogetherBothFinish) {
    auto* race = new AppendRace; // left behind if the threads hang, so they never touch freed memory
    HANDLE owner = CreateThread(nullptr, 0, AppendRace::Owner, race, 0, nullptr);
    ASSERT_NE(owner, nullptr);
    const DWORD waited = WaitForSingleObject(owner, 30000);
    ASSERT_EQ(waited, WAIT_OBJECT_0) << "appends stopped: owner " << race->ownerAppends << ", worker "
                                     << race->workerAppends;
    CloseHandle(owner);
    ASSERT_TRUE(race->workerFinished);
    EXPECT_EQ(race->text.size(), size_t(2 * AppendRace::kEach));
    EXPECT_EQ(std::count(race->text.begin(), race->text.end(), L'w'), AppendRace::kEach);
    delete race;
}

} // namespace
