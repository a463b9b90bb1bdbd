// The one-question prompts, answered with posted keys as a user answers them.
#include "common/window_helpers.h"
#include "tests/frame/frame_harness.h"

#include "ui/prompt_dialogs.h"

#include <commctrl.h>

#include <thread>

namespace {

using Prompts = FrameTest;

constexpr int kAnswer = 102;

void PressEnter(HWND dialog) {
    HWND edit = GetDlgItem(dialog, kAnswer);
    PostMessageW(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageW(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
}

TEST_F(Prompts, TextIsTypedTheCountdownEndsAsOkAndTheAnswerFitsTheCallersBuffer) {
    wchar_t text[1000] = L"initial";
    {
        DialogWatcher watcher([](HWND dialog) {
            SendDlgItemMessageW(dialog, kAnswer, EM_SETSEL, 0, -1);
            TypeInto(GetDlgItem(dialog, kAnswer), L"typed answer");
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

    // A key typed stops the countdown for good: the timer's message then ends nothing.
    {
        DialogWatcher watcher([](HWND dialog) {
            TypeInto(GetDlgItem(dialog, kAnswer), L"x");
            Sleep(1500);
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        EXPECT_FALSE(ui::PromptText(frame_, L"", L"Nick?", text, 1000, 1)) << "ended by the time after a key";
        watcher.Texts();
    }

    // The answer never runs past the caller's buffer, whatever the user types.
    struct {
        wchar_t Small[6] = L"";
        wchar_t Guard[4] = L"!!!";
    } buffers;
    {
        DialogWatcher watcher([](HWND dialog) {
            SendMessageW(GetDlgItem(dialog, kAnswer), WM_SETTEXT, 0,
                         reinterpret_cast<LPARAM>(L"a far longer answer than the buffer"));
            PressEnter(dialog);
        });
        EXPECT_TRUE(ui::PromptText(frame_, L"", L"Short:", buffers.Small, 6, 0));
        watcher.Texts();
    }
    EXPECT_STREQ(L"a far", buffers.Small);
    EXPECT_STREQ(L"!!!", buffers.Guard);
}

TEST_F(Prompts, TwoThreadsPromptAtOnceAndEachGetsItsOwnAnswer) {
    wchar_t first[1000] = L"", second[1000] = L"";
    bool firstOk = false, secondOk = false;
    std::thread one([&] { firstOk = ui::PromptText(nullptr, L"one", L"First:", first, 1000, 0); });
    std::thread two([&] { secondOk = ui::PromptText(nullptr, L"two", L"Second:", second, 1000, 0); });
    // Both open together; each is answered in its own box.
    HWND boxes[2] = {};
    Pump(
        [&] {
            boxes[0] = FindWindowW(L"#32770", L"one");
            boxes[1] = FindWindowW(L"#32770", L"two");
            return boxes[0] && boxes[1];
        },
        10000);
    ASSERT_TRUE(boxes[0] && boxes[1]);
    // One box after the other: Wine's edit control can fault when two threads type into edits at
    // the same moment, which a person with one keyboard never does.
    const auto typed = [](HWND box, const wchar_t* text) {
        TypeInto(GetDlgItem(box, kAnswer), text);
        Pump([&] { return GetWindowTextString(GetDlgItem(box, kAnswer)) == text; }, 10000);
    };
    typed(boxes[1], L"from two");
    typed(boxes[0], L"from one");
    PressEnter(boxes[0]);
    PressEnter(boxes[1]);
    one.join();
    two.join();
    EXPECT_TRUE(firstOk && secondOk);
    EXPECT_STREQ(L"from one", first);
    EXPECT_STREQ(L"from two", second);
}

TEST_F(Prompts, HotKeyAndListPrompts) {
    const uint32_t key = 'K' | (HOTKEYF_CONTROL << 8);
    {
        DialogWatcher watcher([key](HWND dialog) {
            SendDlgItemMessageW(dialog, kAnswer, HKM_SETHOTKEY, key, 0);
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
            HWND list = GetDlgItem(dialog, kAnswer);
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1); // a
            PostMessageW(list, WM_KEYDOWN, VK_DOWN, 1); // b
            Sleep(300);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        EXPECT_TRUE(ui::PromptList(frame_, L"Pick", L"Which one?", choices, selection, true));
        EXPECT_NE(std::wstring::npos, watcher.Texts().find(L"Which one?"));
    }
    EXPECT_EQ((std::vector<bool>{false, true, false}), selection);
    {
        DialogWatcher watcher([](HWND dialog) {
            SendDlgItemMessageW(dialog, kAnswer, LB_SETSEL, TRUE, 0);
            SendDlgItemMessageW(dialog, kAnswer, LB_SETSEL, TRUE, 2);
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
