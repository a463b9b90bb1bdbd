// The input box and tab completion on real controls; the lines it submits are recorded where the
// real input dispatcher hands them to "On_Input".
#include "tests/shell/shell_test_support.h"
#include "core/nick_list_control.h"

#include "shell/controls/input_box.h"
#include "shell/controls/tab_completion.h"
#include "shell/controls/tip_window.h"
#include "core/frame_handles.h"
#include "core/window_record.h"
#include "tests/recorders/recorders.h"
#include "xml/xml_element.h"

#include <commctrl.h>
#include <richedit.h>

namespace {

const wchar_t kParentClass[] = L"InputBoxTestParent";

class InputBox : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        LoadLibraryW(L"riched20.dll");
        static const bool registered = [] {
            WNDCLASSW parent{};
            parent.lpfnWndProc = DefWindowProcW;
            parent.hInstance = GetModuleHandleW(nullptr);
            parent.lpszClassName = kParentClass;
            return RegisterClassW(&parent) != 0;
        }();
        ASSERT_TRUE(registered);
        server_ = Add(kServerWindow, nullptr, "irc.example");
        server_->Connection = new ServerConnection;
        server_->Connection->OwnNick = "me";
    }
    void TearDown() override {
        for (HWND window : windows_) DestroyWindow(window);
        SetKeys({});
        delete server_->Connection;
        server_->Connection = nullptr;
        ShellTest::TearDown();
    }
    // A window of the type with an input box (and a nick list for channels) as its record's.
    WindowRecord* Open(uint32_t type, const char* name) {
        WindowRecord* record = type == kServerWindow ? server_ : Add(type, server_, name);
        HWND parent = CreateWindowExW(0, kParentClass, L"", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, nullptr,
                                      nullptr, nullptr, nullptr);
        windows_.push_back(parent);
        record->Window = parent;
        SetWindowLongPtrW(parent, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
        record->Input =
            CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOHSCROLL, 0,
                            300, 600, 30, parent, nullptr, nullptr, nullptr);
        SubclassInputBox(record->Input);
        if (type == kChannelWindow) {
            record->NickList =
                CreateNickListControl(record, parent, 0, WS_CHILD | LVS_REPORT, 0, 400, 0, 200, 300);
            LVCOLUMNW column{};
            column.mask = LVCF_WIDTH;
            column.cx = 100;
            SendMessageW(record->NickList, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        }
        return record;
    }
    static void AddNick(WindowRecord* channel, const wchar_t* nick) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(SendMessageW(channel->NickList, LVM_GETITEMCOUNT, 0, 0));
        item.pszText = const_cast<wchar_t*>(nick);
        SendMessageW(channel->NickList, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    static std::wstring Text(HWND box) {
        wchar_t text[512] = {};
        GetWindowTextW(box, text, 512);
        return text;
    }
    static void Type(HWND box, const std::wstring& text) {
        SetWindowTextW(box, text.c_str());
        SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(-1), -1);
    }
    static void Char(HWND box, wchar_t c) { SendMessageW(box, WM_CHAR, c, 0); }
    static void Key(HWND box, UINT key) { SendMessageW(box, WM_KEYDOWN, key, 0); }
    // The keys this thread sees as held.
    static void SetKeys(std::initializer_list<int> keys) {
        BYTE state[256] = {};
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    std::vector<std::string> Submitted() { return RecordedInputLines(); }

    WindowRecord* server_ = nullptr;
    std::vector<HWND> windows_;
};

TEST_F(InputBox, EnterSubmitsKeepsHistoryAndEmptiesTheBox) {
    WindowRecord* channel = Open(kChannelWindow, "#room");
    Type(channel->Input, L"hello there");
    Char(channel->Input, L'\r');
    EXPECT_EQ(std::vector<std::string>{"hello there"}, Submitted());
    EXPECT_EQ(L"", Text(channel->Input));
    Type(channel->Input, L"second");
    Char(channel->Input, L'\r');
    Key(channel->Input, VK_UP);
    EXPECT_EQ(L"second", Text(channel->Input));
    Key(channel->Input, VK_UP);
    EXPECT_EQ(L"hello there", Text(channel->Input));
    Key(channel->Input, VK_DOWN);
    Key(channel->Input, VK_DOWN);
    EXPECT_EQ(L"", Text(channel->Input));
}

TEST_F(InputBox, QuickCompleteIsAppliedBeforeSubmission) {
    SetConfig("Cfg\\Options3\\Quick_Complete", "From", "brb,ty");
    SetConfig("Cfg\\Options3\\Quick_Complete", "To", "be right back,thank you");
    WindowRecord* query = Open(kQueryWindow, "bob");
    Type(query->Input, L"ty, brb");
    Char(query->Input, L'\r');
    EXPECT_EQ(std::vector<std::string>{"ty, be right back"}, Submitted());
}

TEST_F(InputBox, CtrlEnterStartsMultiLineForTextButSubmitsCommands) {
    WindowRecord* query = Open(kQueryWindow, "bob");
    SetKeys({VK_CONTROL});
    Type(query->Input, L"/me waves");
    Char(query->Input, L'\n');
    EXPECT_EQ(std::vector<std::string>{"/me waves"}, Submitted());
    EXPECT_EQ(0u, query->MultiLineInput);

    Type(query->Input, L"first line");
    Char(query->Input, L'\n');
    EXPECT_EQ(2u, query->MultiLineInput);
    EXPECT_EQ(1u, Submitted().size());
    SetKeys({});
    Char(query->Input, L'\r');
    EXPECT_EQ(2u, Submitted().size());
    EXPECT_EQ(0u, query->MultiLineInput);
}

TEST_F(InputBox, CtrlLettersInsertFormattingCodesAndCtrlStarTogglesTheTicker) {
    WindowRecord* query = Open(kQueryWindow, "bob");
    SetKeys({VK_CONTROL});
    Char(query->Input, 0x02); // Ctrl+B
    Char(query->Input, 0x15); // Ctrl+U
    Key(query->Input, VK_MULTIPLY);
    EXPECT_NE(TickerWindow.load(), nullptr);
    Key(query->Input, VK_MULTIPLY);
    EXPECT_EQ(TickerWindow.load(), nullptr);
    SetKeys({});
    Char(query->Input, L'x');
    EXPECT_EQ(std::wstring(L"\x02\x1Fx"), Text(query->Input));
}

TEST_F(InputBox, ShiftEscapeClearsBoxAndHistory) {
    WindowRecord* query = Open(kQueryWindow, "bob");
    Type(query->Input, L"one");
    Char(query->Input, L'\r');
    Type(query->Input, L"draft");
    Char(query->Input, 27);
    EXPECT_EQ(L"", Text(query->Input));
    EXPECT_EQ(1u, query->InputHistory.size());
    SetKeys({VK_SHIFT});
    Char(query->Input, 27);
    EXPECT_TRUE(query->InputHistory.empty());
}

TEST_F(InputBox, TabOnEmptyBoxTypesTheOwnNick) {
    WindowRecord* channel = Open(kChannelWindow, "#room");
    Char(channel->Input, L'\t');
    EXPECT_EQ(L"me ", Text(channel->Input));
}

TEST_F(InputBox, TabCyclesThroughMatchingNicksWithoutWrapping) {
    WindowRecord* channel = Open(kChannelWindow, "#room");
    AddNick(channel, L"@ann");
    AddNick(channel, L"+andy");
    AddNick(channel, L"bob");
    Type(channel->Input, L"hi an");
    Char(channel->Input, L'\t');
    EXPECT_EQ(L"hi ann ", Text(channel->Input));
    Char(channel->Input, L'\t');
    EXPECT_EQ(L"hi andy ", Text(channel->Input));
    Char(channel->Input, L'\t');
    EXPECT_EQ(L"hi andy ", Text(channel->Input));
    // Any other key ends the cycle; the next Tab completes the new word.
    Char(channel->Input, L'b');
    Char(channel->Input, L'\t');
    EXPECT_EQ(L"hi andy bob ", Text(channel->Input));
}

TEST_F(InputBox, TabCompletesWindowNamesChannelsAndTriggers) {
    SetConfig("Cfg\\Options1", "Favorite_Channels", "#fav #other");
    {
        XmlDocumentWriteLock lock(&config_);
        XmlElement* scripts = XmlElementFindChild(XmlDocumentGetRoot(&config_), "Scripts", 1);
        XmlElement* entry = XmlElementAddNewChild(scripts, "<s Trigger_Type=\"0\" Trigger=\"/greet\" />");
        ASSERT_TRUE(entry);
    }
    Add(kQueryWindow, server_, "alice");
    WindowRecord* server = Open(kServerWindow, "");
    Type(server->Input, L"al");
    Char(server->Input, L'\t');
    EXPECT_EQ(L"alice ", Text(server->Input));
    Type(server->Input, L"join #");
    Char(server->Input, L'\t');
    EXPECT_EQ(L"join #fav ", Text(server->Input));
    Type(server->Input, L"/gr");
    Char(server->Input, L'\t');
    EXPECT_EQ(L"/greet ", Text(server->Input));
    Type(server->Input, L"m");
    Char(server->Input, L'\t');
    EXPECT_EQ(L"me ", Text(server->Input)) << "the own nick outside channels";
}

TEST_F(InputBox, TabWithTheCaretInsideTheTextDoesNothing) {
    WindowRecord* channel = Open(kChannelWindow, "#room");
    AddNick(channel, L"ann");
    SetWindowTextW(channel->Input, L"an and");
    SendMessageW(channel->Input, EM_SETSEL, 2, 2);
    Char(channel->Input, L'\t');
    EXPECT_EQ(L"an and", Text(channel->Input));
}

// Focus changes in this thread that take the keyboard focus away from the window watched.
HWND watchedBox = nullptr;
int focusLosses = 0;
LRESULT CALLBACK CountFocusLosses(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->hwnd == watchedBox && call->message == WM_KILLFOCUS) ++focusLosses;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(InputBox, TheCommandTipShowsWithoutTakingTheFocusFromTheBox) {
    WindowRecord* channel = Open(kChannelWindow, "#room");
    ShowWindow(channel->Window, SW_SHOW);
    SetForegroundWindow(channel->Window);
    SetFocus(channel->Input);
    watchedBox = channel->Input;
    focusLosses = 0;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CountFocusLosses, nullptr, GetCurrentThreadId());
    HWND tip = CreateTipWindow(channel);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(tip, nullptr);
    windows_.push_back(tip);
    EXPECT_TRUE(IsWindowVisible(tip));
    // Under Wine a popup that takes the activation moves the display's focus away from the frame
    // and back, and the frame's key state is then set anew from the display's.
    EXPECT_EQ(focusLosses, 0);
    EXPECT_EQ(GetActiveWindow(), channel->Window);
    EXPECT_EQ(GetFocus(), channel->Input);
}

TEST(TabCompletion, HintNamesTheCommand) {
    EXPECT_EQ(L"/join ", CompletionFromHint(L"\x02\x03"
                                            L"4/join <channel> : joins a channel"));
    EXPECT_EQ(L"", CompletionFromHint(L"no command here"));
    EXPECT_EQ(L"", CompletionFromHint(L"\x02\x03"
                                      L"4/join"));
}

} // namespace
