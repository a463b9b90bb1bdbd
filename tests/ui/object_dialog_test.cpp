// The object dialog with the tests' own control: the control is shown live, saved to a storage
// file on OK, offered with "/sendobject" and shown in the window's own view from that file.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/data_folders.h"
#include "common/xstring.h"
#include "core/window_record.h"
#include "tests/ax_control/test_control_registration.h"
#include "tests/recorders/call_log.h"
#include "tests/recorders/recorders.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "ui/ax_host.h"
#include "ui/object_dialog.h"

#include <ole2.h>
#include <richedit.h>
#include <richole.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace {

// The object dialog or its class prompt, both titled "ActiveX".
HWND FindActiveXDialog() {
    for (HWND dialog = FindWindowExW(nullptr, nullptr, L"#32770", L"ActiveX"); dialog;
         dialog = FindWindowExW(nullptr, dialog, L"#32770", L"ActiveX")) {
        DWORD process = 0;
        GetWindowThreadProcessId(dialog, &process);
        if (process == GetCurrentProcessId()) return dialog;
    }
    return nullptr;
}

// Answers the dialog from another thread, as the user would, once the control shows in it.
class DialogAnswer {
public:
    DialogAnswer(WORD button, const wchar_t* value) {
        thread_ = std::thread([this, button, value] {
            for (int i = 0; i < 400 && !done_; ++i, Sleep(50)) {
                HWND dialog = FindActiveXDialog();
                HWND host = dialog ? GetDlgItem(dialog, kObjectHostId) : nullptr;
                if (!host || !FindWindowExW(host, nullptr, kTestControlWindowClass, nullptr)) continue;
                SawControl = true;
                if (value) SetValue(host, value);
                if (button == IDOK) SaveBitmapShot(dialog);
                PostMessageW(dialog, WM_COMMAND, button, 0);
                return;
            }
        });
    }
    ~DialogAnswer() {
        done_ = true;
        thread_.join();
    }
    std::atomic<bool> SawControl{false};

private:
    static void SetValue(HWND host, const wchar_t* value) {
        IDispatch* control = nullptr;
        SendMessageW(host, AX_QUERY_INTERFACE, reinterpret_cast<WPARAM>(&kTestControlDispatch),
                     reinterpret_cast<LPARAM>(&control));
        if (!control) return;
        VARIANT text;
        text.vt = VT_BSTR;
        text.bstrVal = SysAllocString(value);
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{&text, &put, 1, 1};
        control->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
        VariantClear(&text);
        control->Release();
    }
    static void SaveBitmapShot(HWND dialog) {
        RECT box{};
        GetWindowRect(dialog, &box);
        if (HBITMAP shot = CopyScreenArea(box)) {
            SaveBitmapAsPng(shot, ScreenshotFolder() + L"\\object_dialog.png");
            DeleteObject(shot);
        }
    }
    std::atomic<bool> done_{false};
    std::thread thread_;
};

// Answers every class prompt from another thread with the answer set last, or cancels it.
class PromptAnswers {
public:
    PromptAnswers() {
        thread_ = std::thread([this] {
            while (!done_) {
                HWND prompt = FindActiveXDialog();
                HWND edit = prompt ? GetDlgItem(prompt, IDC_PROMPT_ANSWER) : nullptr;
                if (!edit) {
                    Sleep(20);
                    continue;
                }
                std::lock_guard lock(mutex_);
                if (answer_) SetWindowTextW(edit, answer_->c_str());
                PostMessageW(prompt, WM_COMMAND, answer_ ? IDOK : IDCANCEL, 0);
                ++Count;
                while (!done_ && IsWindow(prompt)) Sleep(20);
            }
        });
    }
    ~PromptAnswers() {
        done_ = true;
        thread_.join();
    }
    void Set(std::optional<std::wstring> answer) {
        std::lock_guard lock(mutex_);
        answer_ = std::move(answer);
    }
    std::atomic<unsigned> Count{0};

private:
    std::mutex mutex_;
    std::optional<std::wstring> answer_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

class ObjectDialog : public testing::Test {
protected:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        RegisterAxHostClass();
        LoadLibraryW(L"RICHED20.DLL");
        registered_ = RegisterTestControl();
    }

    void SetUp() override {
        ASSERT_TRUE(registered_);
        CallLog::Instance().Clear();
        TempFolder = folder_.Path();
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        std::wstring bin = path;
        bin.resize(bin.find_last_of(L'\\'));
        LanguageModule = LoadLibraryW((bin + L"\\qvlang.dll").c_str());
        ASSERT_NE(LanguageModule.load(), nullptr);
        window_ = CreateWindowExW(0, L"STATIC", L"#objects", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 300,
                                  nullptr, nullptr, nullptr, nullptr);
        record_ = new WindowRecord(window_, kChannelWindow, nullptr);
        record_->Name = "#objects";
        record_->View = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0, 0,
                                        480, 260, window_, nullptr, nullptr, nullptr);
        ASSERT_NE(record_->View, nullptr);
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0x80; // the class is typed into the prompt
        SetKeyboardState(keys);
    }

    void TearDown() override {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_SHIFT] = 0;
        SetKeyboardState(keys);
        DestroyWindow(window_);
        delete record_;
        FreeLibrary(LanguageModule.exchange(nullptr));
    }

    void Answer(const std::string& typed) { prompts_.Set(NarrowToWide(typed)); }

    // The dialog sends through the real input dispatcher, which stops the line at "On_Input".
    std::vector<std::string> SentLines() const { return RecordedInputLines(); }

    // The value of the first object in the view, or empty when there is none.
    std::wstring ViewObjectValue() const {
        IRichEditOle* richOle = nullptr;
        SendMessageW(record_->View, EM_GETOLEINTERFACE, 0, reinterpret_cast<LPARAM>(&richOle));
        if (!richOle) return {};
        std::wstring value;
        REOBJECT object{};
        object.cbStruct = sizeof object;
        if (richOle->GetObjectCount() == 1 && SUCCEEDED(richOle->GetObject(0, &object, REO_GETOBJ_POLEOBJ))) {
            IDispatch* control = nullptr;
            if (object.clsid == kTestControlClsid &&
                SUCCEEDED(object.poleobj->QueryInterface(kTestControlDispatch,
                                                         reinterpret_cast<void**>(&control)))) {
                VARIANT read;
                VariantInit(&read);
                DISPPARAMS none{};
                control->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &read, nullptr,
                                nullptr);
                if (read.vt == VT_BSTR) value = read.bstrVal;
                VariantClear(&read);
                control->Release();
            }
            object.poleobj->Release();
        }
        richOle->Release();
        return value;
    }

    TestFolder folder_{L"objdlg"};
    PromptAnswers prompts_;
    HWND window_ = nullptr;
    WindowRecord* record_ = nullptr;
    static bool registered_;
};

bool ObjectDialog::registered_ = false;

TEST_F(ObjectDialog, SavesTheControlSendsItAndShowsItFromTheFile) {
    Answer(WideToNarrow(kTestControlClsidText));
    {
        DialogAnswer answer(IDOK, L"saved with the object");
        InsertActiveXObject(record_);
        EXPECT_TRUE(answer.SawControl) << "the dialog hosts the control";
    }
    const std::wstring sent = folder_.File(L"qvSAVEX.STG");
    EXPECT_EQ(SentLines(), std::vector<std::string>{"/sendobject #objects " + WideToNarrow(sent)});
    EXPECT_TRUE(FileExists(sent)) << "the copy stays for the transfer";
    EXPECT_FALSE(FileExists(folder_.File(L"qvSAVE.STG")));
    EXPECT_EQ(ViewObjectValue(), L"saved with the object") << "shown in the view from the saved file";
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    RECT box{};
    GetWindowRect(window_, &box);
    if (HBITMAP shot = CopyScreenArea(box)) {
        SaveBitmapAsPng(shot, ScreenshotFolder() + L"\\object_in_view.png");
        DeleteObject(shot);
    }

    // A second insertion overwrites the copy.
    const std::string first = ReadFileBytes(sent);
    {
        DialogAnswer answer(IDOK, L"the second object");
        InsertActiveXObject(record_);
    }
    EXPECT_NE(ReadFileBytes(sent), first);
    EXPECT_EQ(SentLines().size(), 2u);
}

TEST_F(ObjectDialog, CancelAndUnparsableClassesSendNothing) {
    Answer(WideToNarrow(kTestControlClsidText));
    {
        DialogAnswer answer(IDCANCEL, nullptr);
        InsertActiveXObject(record_);
        EXPECT_TRUE(answer.SawControl);
    }
    Answer("not a class");
    InsertActiveXObject(record_);
    Answer(std::string(999, '{')); // as long as the prompt's answer can be
    InsertActiveXObject(record_);
    prompts_.Set(std::nullopt); // the prompt cancelled
    InsertActiveXObject(record_);
    InsertActiveXObject(nullptr);

    EXPECT_EQ(prompts_.Count.load(), 4u);
    EXPECT_TRUE(SentLines().empty());
    EXPECT_TRUE(folder_.Entries().empty()) << "no storage file was written";
    EXPECT_EQ(ViewObjectValue(), L"");
}

} // namespace
