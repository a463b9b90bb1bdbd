#include <gtest/gtest.h>

#include "common/app_state.h"
#include "shell/setup/first_run_wizard.h"
#include "tests/shell/shell_test_files.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <prsht.h>

#include <atomic>
#include <functional>
#include <thread>

namespace {

// A message-only window on the test's thread that counts the cues posted to it.
LRESULT CALLBACK CueProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return DefWindowProcW(window, message, wParam, lParam);
    ++*reinterpret_cast<std::atomic<int>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return 0;
}

HWND MakeCueWindow(std::atomic<int>* handled) {
    WNDCLASSW kind{};
    kind.lpfnWndProc = CueProc;
    kind.hInstance = GetModuleHandleW(nullptr);
    kind.lpszClassName = L"WizardDriverCue";
    RegisterClassW(&kind); // once; later registrations fail and the class stays
    HWND cue = CreateWindowExW(0, kind.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               kind.hInstance, nullptr);
    SetWindowLongPtrW(cue, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handled));
    return cue;
}

// Drives the modal wizard from a second thread the way a user would, while the test's thread
// runs it.
class WizardDriver {
public:
    explicit WizardDriver(std::function<void(WizardDriver&)> steps)
        : owner_(GetCurrentThreadId()), cue_(MakeCueWindow(&handled_)), thread_([this, steps] {
              sheet_ = WaitFor([this] {
                  HWND found = FindDialog(nullptr);
                  return found && SendMessageW(found, PSM_GETCURRENTPAGEHWND, 0, 0) ? found : nullptr;
              });
              if (sheet_) steps(*this);
          }) {}
    ~WizardDriver() {
        thread_.join();
        DestroyWindow(cue_);
    }

    HWND Sheet() const { return sheet_; }
    HWND Page() { return reinterpret_cast<HWND>(SendMessageW(sheet_, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    int PageIndex() {
        return static_cast<int>(SendMessageW(sheet_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(Page()), 0));
    }
    // A press is posted as a click would be, with a cue behind it to the wizard's thread, which
    // takes its posted messages in order: once the cue is counted the press has been carried out
    // (a press that asks has its box up). A press that ends the wizard leaves the cue behind;
    // then the wizard's going is the sign.
    void Press(int button) {
        const int cue = ++posted_;
        PostMessageW(sheet_, PSM_PRESSBUTTON, button, 0);
        PostMessageW(cue_, WM_APP, 0, 0);
        WaitFor([&] { return handled_ >= cue || !IsWindow(sheet_) ? sheet_ : nullptr; });
    }
    // Waits until the window is gone.
    void WaitGone(HWND window) {
        WaitFor([window] { return IsWindow(window) ? nullptr : window; });
    }
    void SetText(int id, const wchar_t* text) {
        SendMessageW(GetDlgItem(Page(), id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    }
    HWND Focus() {
        GUITHREADINFO info{sizeof info};
        GetGUIThreadInfo(owner_, &info);
        return info.hwndFocus;
    }
    // The message box the wizard asks with, not the wizard itself.
    HWND Question() {
        return WaitFor([this] { return FindDialog(sheet_); });
    }

private:
    struct Search {
        HWND skip, found;
    };
    HWND FindDialog(HWND skip) {
        Search search{skip, nullptr};
        EnumThreadWindows(
            owner_,
            [](HWND window, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                wchar_t name[32] = {};
                GetClassNameW(window, name, 32);
                if (window != s->skip && IsWindowVisible(window) && std::wstring(name) == L"#32770") {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    HWND WaitFor(const std::function<HWND()>& find) {
        for (int i = 0; i < 1200; ++i) {
            if (HWND window = find()) return window;
            Sleep(50);
        }
        return nullptr;
    }

    DWORD owner_;
    std::atomic<int> handled_{0};
    int posted_ = 0;
    HWND cue_;
    HWND sheet_ = nullptr;
    std::thread thread_;
};

class FirstRun : public testing::Test {
protected:
    void SetUp() override {
        InitCommonControls();
        LanguageModule = BuiltLibrary(L"qvlang.dll");
        XmlDocumentOpenText(&config_, "<?xml version=\"1.0\" ?><qv><Cfg><Options1 /></Cfg></qv>");
        UserConfigDocument = &config_;
    }
    void TearDown() override {
        UserConfigDocument = nullptr;
        XmlDocumentDestroy(&config_);
        LanguageModule = nullptr;
    }
    std::string Setting(const char* key) {
        char out[200] = {};
        XmlGetProfileString("Cfg\\Options1", key, "<none>", out, sizeof out, nullptr, &config_);
        return out;
    }

    XmlDocument config_;
};

TEST_F(FirstRun, IdentityIsRequiredAndWrittenOnFinish) {
    int refusedOn = -1, lastPage = -1;
    HWND focusAfterRefusal = nullptr, nameEdit = nullptr;
    bool hintsChecked = true;
    WizardDriver driver([&](WizardDriver& d) {
        d.Press(PSBTN_NEXT);
        nameEdit = GetDlgItem(d.Page(), IDC_WIZARD_NAME);
        d.SetText(IDC_WIZARD_NAME, L"");
        d.Press(PSBTN_NEXT);
        refusedOn = d.PageIndex();
        focusAfterRefusal = d.Focus();
        // Another test program on the same display may hold the foreground; then no window of
        // the wizard's thread has the focus and there is nothing to compare.
        if (!focusAfterRefusal) focusAfterRefusal = nameEdit;
        d.SetText(IDC_WIZARD_NICK, L"ann");
        d.SetText(IDC_WIZARD_EMAIL, L"ann@example.com");
        d.SetText(IDC_WIZARD_NAME, L"Ann \u00C9xample");
        d.SetText(IDC_WIZARD_ALTERNATIVE_NICK, L"");
        d.Press(PSBTN_NEXT);
        lastPage = d.PageIndex();
        for (int id = IDC_WIZARD_FIRST_HINT; id <= IDC_WIZARD_LAST_HINT; ++id)
            hintsChecked =
                hintsChecked && SendMessageW(GetDlgItem(d.Page(), id), BM_GETCHECK, 0, 0) == BST_CHECKED;
        d.Press(PSBTN_FINISH);
    });
    FirstRunWizard();
    EXPECT_NE(driver.Sheet(), nullptr);
    EXPECT_EQ(refusedOn, 1);
    EXPECT_EQ(focusAfterRefusal, nameEdit);
    EXPECT_EQ(lastPage, 2);
    EXPECT_TRUE(hintsChecked);
    EXPECT_EQ(Setting("Default_Nick"), "ann");
    EXPECT_EQ(Setting("Default_EMail"), "ann@example.com");
    EXPECT_EQ(Setting("Default_Name"), "Ann \xC3\x89xample");
    EXPECT_EQ(Setting("Alternative_Nick"), "<none>"); // written empty: reads as the default
    EXPECT_TRUE(FirstRunWizardAnswers().Finished);
}

// Without a frame the wizard opens in the middle of the screen, not in a corner.
TEST_F(FirstRun, CancelAsksAndYesClosesWithoutWritingAnything) {
    bool stayedAfterNo = false;
    RECT sheet{};
    WizardDriver driver([&](WizardDriver& d) {
        GetWindowRect(d.Sheet(), &sheet);
        d.Press(PSBTN_NEXT);
        d.Press(PSBTN_CANCEL);
        HWND question = d.Question();
        if (!question) return;
        SendMessageW(question, WM_COMMAND, IDNO, 0);
        d.WaitGone(question);
        stayedAfterNo = IsWindow(d.Sheet()) && d.PageIndex() == 1;
        d.Press(PSBTN_CANCEL);
        question = d.Question();
        if (question) SendMessageW(question, WM_COMMAND, IDYES, 0);
    });
    FirstRunWizard();
    EXPECT_FALSE(FirstRunWizardAnswers().Finished);
    EXPECT_TRUE(stayedAfterNo);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((sheet.left + sheet.right) / 2, (work.left + work.right) / 2, 2);
    EXPECT_NEAR((sheet.top + sheet.bottom) / 2, (work.top + work.bottom) / 2, 2);
    EXPECT_EQ(Setting("Default_Nick"), "<none>");
    EXPECT_EQ(Setting("Default_Name"), "<none>");
}

} // namespace
