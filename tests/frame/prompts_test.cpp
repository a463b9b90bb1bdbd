// The one-question prompts, answered with posted keys as a user answers them.
#include "common/command_ids.h"
#include "common/window_helpers.h"
#include "tests/frame/frame_harness.h"

#include "ui/prompt_dialogs.h"

#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

using Prompts = FrameTest;

void PressEnter(HWND dialog) {
    HWND edit = GetDlgItem(dialog, IDC_PROMPT_ANSWER);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
}

TEST_F(Prompts, TextIsTypedTheCountdownEndsAsOkAndTheAnswerFitsTheCallersBuffer) {
    wchar_t text[1000] = L"initial";
    {
        DialogWatcher watcher([](HWND dialog) {
            SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, EM_SETSEL, 0, -1);
            TypeInto(GetDlgItem(dialog, IDC_PROMPT_ANSWER), L"typed answer");
            PressEnter(dialog);
        });
        EXPECT_TRUE(ui::PromptText(frame_, L"Title", L"Say something:", text, 1000, 0));
        const std::wstring texts = watcher.Texts();
        EXPECT_NE(std::wstring::npos, texts.find(L"Say something:"));
        EXPECT_NE(std::wstring::npos, texts.find(L"Title"));
    }
    EXPECT_STREQ(L"typed answer", text);

    // Left alone, the countdown ends the prompt as OK with the text it shows.
    wcscpy(text, L"kept as it was");
    {
        DialogWatcher watcher([](HWND) {});
        const ULONGLONG start = GetTickCount64();
        EXPECT_TRUE(ui::PromptText(frame_, L"", L"Nick?", text, 1000, 1));
        EXPECT_GE(GetTickCount64() - start, 900u);
        watcher.Texts();
    }
    EXPECT_STREQ(L"kept as it was", text);

    // A key typed stops the countdown for good. A timer of this thread, due after the countdown,
    // cancels the prompt: the countdown's message, had it still come, would have been first.
    {
        static std::atomic<HWND> typed;
        static std::atomic<ULONGLONG> due;
        typed = nullptr;
        DialogWatcher watcher([](HWND dialog) {
            const ULONGLONG shown = GetTickCount64(); // the countdown began before it showed
            HWND answer = GetDlgItem(dialog, IDC_PROMPT_ANSWER);
            TypeInto(answer, L"x");
            wchar_t seen[8] = {};
            for (int i = 0; i < 400 && wcscmp(seen, L"x") != 0; ++i) {
                GetWindowTextW(answer, seen, 8);
                if (wcscmp(seen, L"x") != 0) Sleep(5);
            }
            due = shown + 1100;
            typed = dialog;
        });
        const UINT_PTR after = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR, DWORD) {
            if (HWND dialog = typed.load(); dialog && GetTickCount64() >= due) {
                typed = nullptr;
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            }
        });
        EXPECT_FALSE(ui::PromptText(frame_, L"", L"Nick?", text, 1000, 1)) << "ended by the time after a key";
        KillTimer(nullptr, after);
        watcher.Texts();
    }

    // The answer never runs past the caller's buffer, whatever the user types.
    struct {
        wchar_t Small[6] = L"";
        wchar_t Guard[4] = L"!!!";
    } buffers;
    {
        DialogWatcher watcher([](HWND dialog) {
            SendMessageW(GetDlgItem(dialog, IDC_PROMPT_ANSWER), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(L"a far longer answer than the buffer"));
            PressEnter(dialog);
        });
        EXPECT_TRUE(ui::PromptText(frame_, L"", L"Short:", buffers.Small, 6, 0));
        watcher.Texts();
    }
    EXPECT_STREQ(L"a far", buffers.Small);
    EXPECT_STREQ(L"!!!", buffers.Guard);
}

// Two threads ask at once: the boxes are the interface thread's windows (the threads wait for
// them), both open together, and each answer goes to the thread that asked.
TEST_F(Prompts, TwoThreadsPromptAtOnceAndEachGetsItsOwnAnswer) {
    wchar_t first[1000] = L"", second[1000] = L"";
    std::atomic<bool> firstOk{false}, secondOk{false};
    std::atomic<int> done{0};
    std::thread one([&] {
        firstOk = ui::PromptText(nullptr, L"one", L"First:", first, 1000, 0);
        ++done;
    });
    std::thread two([&] {
        secondOk = ui::PromptText(nullptr, L"two", L"Second:", second, 1000, 0);
        ++done;
    });
    // A person answers, from a thread of their own: this thread runs the boxes.
    std::atomic<bool> onInterfaceThread{false};
    const DWORD interfaceThread = GetCurrentThreadId();
    std::thread person([&] {
        // Each box is answered as it shows, whether the boxes show together or in turn, and again
        // each second while it stays up: a box can take its keys before it is ready for them.
        const wchar_t* titles[2] = {L"one", L"two"};
        const wchar_t* answers[2] = {L"from one", L"from two"};
        ULONGLONG pressed[2] = {};
        bool answered[2] = {}, sameThread = true;
        for (int tries = 0; tries < 1200 && done < 2; ++tries, Sleep(50)) {
            for (int i = 1; i >= 0; --i) {
                HWND box = FindWindowW(L"#32770", titles[i]);
                if (!box || !IsWindowVisible(box) || GetTickCount64() - pressed[i] < 1000) continue;
                sameThread = sameThread && GetWindowThreadProcessId(box, nullptr) == interfaceThread;
                SendMessageW(GetDlgItem(box, IDC_PROMPT_ANSWER), WM_SETTEXT, 0,
                             reinterpret_cast<LPARAM>(answers[i]));
                PressEnter(box);
                pressed[i] = GetTickCount64();
                answered[i] = true;
            }
        }
        onInterfaceThread = sameThread && answered[0] && answered[1];
    });
    const bool bothEnded = Pump([&] { return done == 2; }, 90000);
    EXPECT_TRUE(bothEnded);
    person.join();
    if (!bothEnded) {
        // The askers wait for their boxes: close what is left rather than wait for ever.
        for (const wchar_t* title : {L"one", L"two"})
            if (HWND box = FindWindowW(L"#32770", title)) PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
        if (!Pump([&] { return done == 2; }, 10000)) {
            fprintf(stderr, "a prompt's thread never ended\n");
            ExitProcess(1);
        }
    }
    one.join();
    two.join();
    EXPECT_TRUE(onInterfaceThread);
    EXPECT_TRUE(firstOk && secondOk);
    EXPECT_STREQ(L"from one", first);
    EXPECT_STREQ(L"from two", second);
}

TEST_F(Prompts, HotKeyAndListPrompts) {
    const uint32_t key = 'K' | (HOTKEYF_CONTROL << 8);
    {
        DialogWatcher watcher([key](HWND dialog) {
            SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, HKM_SETHOTKEY, key, 0);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_EQ(key, ui::PromptHotkey(frame_, L"Hot key", L"Press the keys:", 0));
        watcher.Texts();
    }
    {
        DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        EXPECT_EQ(ui::kNoHotkey, ui::PromptHotkey(frame_, L"Hot key", L"Press the keys:", key));
        watcher.Texts();
    }
    const std::vector<std::wstring> choices = {L"a", L"b", L"c"};
    std::vector<bool> selection;
    {
        DialogWatcher watcher([](HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_PROMPT_ANSWER);
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1); // a
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1); // b
            for (int i = 0; i < 400 && SendMessageW(list, LB_GETCARETINDEX, 0, 0) != 1; ++i) Sleep(50);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_TRUE(ui::PromptList(frame_, L"Pick", L"Which one?", choices, selection, true));
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"Which one?"));
    }
    EXPECT_EQ((std::vector<bool>{false, true, false}), selection);
    {
        DialogWatcher watcher([](HWND dialog) {
            SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, LB_SETSEL, TRUE, 0);
            SendDlgItemMessageW(dialog, IDC_PROMPT_ANSWER, LB_SETSEL, TRUE, 2);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_TRUE(ui::PromptList(frame_, L"Pick", L"Which ones?", choices, selection, false));
        watcher.Texts();
    }
    EXPECT_EQ((std::vector<bool>{true, false, true}), selection);
    {
        DialogWatcher watcher([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); });
        EXPECT_FALSE(ui::PromptList(frame_, L"Pick", L"Which ones?", choices, selection, false));
        watcher.Texts();
    }
    EXPECT_EQ((std::vector<bool>{true, false, true}), selection) << "Cancel leaves the selection";
}

} // namespace
