#include "shell/controls/input_box.h"

#include "common/command_ids.h"
#include "peer/dcc_send_dialog.h"
#include "peer/pictures.h"
#include "commands/command_interpreter.h"
#include "commands/input_dispatcher.h"
#include "common/window_helpers.h"
#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "shell/windows/active_window.h"
#include "core/frame_message_ids.h"
#include "core/client_services.h"
#include "core/settings.h"
#include "shell/controls/input_rules.h"
#include "shell/controls/input_smileys.h"
#include "shell/controls/tab_completion.h"
#include "shell/controls/tip_window.h"
#include "core/window_list.h"
#include "shell/windows/window_operations.h"
#include "core/window_record.h"
#include "shell/windows/window_record_ops.h"
#include "shell/windows/window_state.h"
#include "shell/windows/window_tabs.h"
#include "ui/ticker_window.h"
#include "views/line_printer.h"

#include <richedit.h>
#include <shellapi.h>

#include <string>

WNDPROC PreviousInputBoxProc = nullptr;

namespace {

constexpr size_t kHintLength = 1000;

bool KeyHeld(int key) {
    return GetKeyState(key) < 0;
}

LRESULT Previous(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return PreviousInputBoxProc ? CallWindowProcW(PreviousInputBoxProc, window, message, wParam, lParam) : 0;
}

std::wstring BoxText(HWND box) {
    return InputTextWithSmileys(box);
}

void PostFrame(UINT command, LPARAM lParam = 0) {
    PostMessageW(MainWindow.load(), WM_COMMAND, command, lParam);
}

void ActivateIndex(int32_t index) {
    if (index < 0) return;
    if (WindowRecord* target = GetWindowRecordAt(static_cast<uint32_t>(index)))
        shell::ActivateWindowRecord(target);
}

// Alt+Left and Alt+Right: the window before or after the active one, wrapping around.
void ActivateNeighbour(bool next) {
    const uint32_t active = GetActiveWindowIndex();
    const std::vector<WindowRecord*> list = WindowListSnapshot();
    if (active == kNoWindowIndex || active >= list.size()) return;
    const size_t count = list.size();
    const size_t target = next ? (active + 1) % count : (active + count - 1) % count;
    shell::ActivateWindowRecord(list[target]);
}

void ActivateFirstWithNews() {
    for (WindowRecord* r : WindowListSnapshot())
        if (shell::GetWindowTabState(r) != kTabIdle && shell::GetWindowTabState(r) != kNoTabState) {
            shell::ActivateWindowRecord(r);
            return;
        }
}

bool HandleAltKey(WPARAM key) {
    const int32_t digitIndex = WindowIndexForDigitKey(static_cast<uint32_t>(key));
    if (digitIndex >= 0) {
        ActivateIndex(digitIndex);
        return true;
    }
    switch (key) {
        case VK_LEFT: ActivateNeighbour(false); return true;
        case VK_RIGHT: ActivateNeighbour(true); return true;
        case VK_OEM_COMMA: ActivateFirstWithNews(); return true;
        default: return false;
    }
}

void ShowHint(WindowRecord* record, const wchar_t* hint) {
    DestroyWindowRecordPopup(record);
    record->Popup = CreateTipWindow(record);
    if (record->Popup)
        views::PrintToWindow(kInformationLine, record, hint,
                             {.View = record->Popup, .NoTimeStamp = true, .NoNotice = true});
}

// While no hint is shown, asks the command interpreter for the usage of the command being typed.
void OfferCommandHint(WindowRecord* record, HWND box, wchar_t typed) {
    if (record->Popup) return;
    std::wstring text = BoxText(box);
    text += typed;
    wchar_t hint[kHintLength] = {};
    commands::ExecuteCommand(WideToNarrow(text).c_str(), nullptr, nullptr, hint);
    if (hint[0]) ShowHint(record, hint);
}

void Submit(WindowRecord* record, HWND box, std::wstring text, bool ctrl, bool alt) {
    TrimWStringCrLf(text);
    text = ApplyQuickCompleteSettings(text);
    if (record->MultiLineInput != 1) AddToInputHistory(record->InputHistory, text);
    record->HistoryIndex = -1;
    // Emptied first: a command may close this very window.
    SetWindowTextW(box, L"");
    commands::ExecuteInputText(record, text, {.NoTriggers = ctrl, .PreferUtf8 = alt});
}

void Relayout(WindowRecord* record) {
    PostMessageW(record->Window, WM_SIZE, 0, 0);
}

// Enter (or the forced submission of ID_MULTI_LINE_INPUT). Returns true when the key was used up.
bool HandleEnter(WindowRecord* record, HWND box, LPARAM lParam) {
    const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT), alt = KeyHeld(VK_MENU);
    const bool forced = lParam == kForcedSubmission;
    const std::wstring text = BoxText(box);
    switch (record->MultiLineInput) {
        case 1:
            if (!ctrl && !shift && !forced) return false;
            break;
        case 2:
            if (ctrl || shift) return false;
            record->MultiLineInput = 0;
            Relayout(record);
            break;
        default:
            if ((ctrl || shift) && !text.empty() && text[0] != L'/') {
                record->MultiLineInput = 2;
                Relayout(record);
                return false;
            }
            break;
    }
    Submit(record, box, text, ctrl, alt);
    return true;
}

void HandleEscape(WindowRecord* record, HWND box) {
    if (Settings::EscapeKeyHides())
        PostFrame(ID_HIDE_IN_TRAY);
    else
        SetWindowTextW(box, L"");
    DestroyWindowRecordPopup(record);
    record->HistoryIndex = -1;
    if (record->View) {
        CHARRANGE none{-1, -1};
        SendMessageW(record->View, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&none));
    }
    if (KeyHeld(VK_SHIFT)) record->InputHistory.clear();
    if (!record->ChannelListRows.Empty())
        SendMessageW(MainWindow.load(), WM_COMMAND, ID_CHANNEL_LIST_BY_MEMBERS,
                     reinterpret_cast<LPARAM>(record));
}

LRESULT HandleChar(WindowRecord* record, HWND box, WPARAM wParam, LPARAM lParam) {
    const wchar_t typed = static_cast<wchar_t>(wParam);
    if (typed != L'\t') {
        record->CompletionIndex = -1;
        record->CompletionWord.clear();
    }
    if (KeyHeld(VK_CONTROL) && typed != 27) {
        if (typed == 0x05) {
            PostFrame(ID_FORMAT_FONT);
            return 0;
        }
        if (typed == 0x07) {
            PostFrame(ID_FORMAT_COLOUR_RUN);
            return 0;
        }
        if (const wchar_t code = FormattingCodeForCtrlChar(typed)) {
            const wchar_t insert[2] = {code, 0};
            SendMessageW(box, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(insert));
            return 0;
        }
    }
    if (typed == L'\t' && record->MultiLineInput == 0 && !KeyHeld(VK_SHIFT)) {
        TabComplete(record);
        return 0;
    }
    if (typed == L'\r' || typed == L'\n') {
        if (HandleEnter(record, box, lParam)) return 0;
        return Previous(box, WM_CHAR, wParam, lParam);
    }
    if (typed == 27) {
        HandleEscape(record, box);
        return Previous(box, WM_CHAR, wParam, lParam);
    }
    OfferCommandHint(record, box, typed);
    if (!record->ChannelListRows.Empty()) {
        Previous(box, WM_CHAR, wParam, lParam);
        SendMessageW(MainWindow.load(), WM_COMMAND, ID_CHANNEL_LIST_BY_MEMBERS,
                     reinterpret_cast<LPARAM>(record));
        return 0;
    }
    return Previous(box, WM_CHAR, wParam, lParam);
}

// A new file in the temporary folder for a pasted picture: a name of the system's making with
// ".png" after it, free of any earlier file of that name.
std::wstring NewPictureFile() {
    wchar_t name[MAX_PATH] = {};
    if (!GetTempFileNameW(TempFolder.c_str(), L"png", 0, name)) return {};
    const std::wstring path = std::wstring(name) + L".png";
    DeleteFileW(path.c_str());
    return path;
}

// A picture on the clipboard pasted into a query is saved as a PNG file and offered to the
// partner in the send dialog; false (an ordinary paste) when the clipboard holds no picture.
// A picture that cannot be read or saved is said in the window, so the paste never just
// does nothing.
bool OfferClipboardPicture(WindowRecord* record) {
    if (record->Type != kQueryWindow) return false;
    const auto fail = [record](const std::wstring& why) {
        views::PrintToWindow(kInformationLine, record, L"The pasted picture is not offered: " + why);
        return true;
    };
    // What the clipboard holds is asked while holding it: a program rewriting it (as the system's
    // clipboard keeper does after another program's change) leaves it empty for a moment.
    if (!OpenClipboardPatiently(record->Window))
        return IsClipboardFormatAvailable(CF_BITMAP) && fail(L"another program holds the clipboard.");
    if (!IsClipboardFormatAvailable(CF_BITMAP)) {
        CloseClipboard();
        return false;
    }
    HBITMAP copy = nullptr;
    if (auto held = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP)))
        copy = static_cast<HBITMAP>(CopyImage(held, IMAGE_BITMAP, 0, 0, 0));
    CloseClipboard();
    if (!copy) return fail(L"the clipboard's picture could not be read.");
    const std::wstring path = NewPictureFile();
    const bool saved = !path.empty() && peer::SaveBitmapAsPng(copy, path);
    DeleteObject(copy);
    if (!saved) return fail(L"it could not be saved as a PNG file in " + TempFolder + L".");
    peer::OfferFilesDialog(MainWindow.load(), record, {path});
    return true;
}

void ToggleNotifyOfIndex(int32_t index) {
    if (index < 0) return;
    if (WindowRecord* target = GetWindowRecordAt(static_cast<uint32_t>(index))) ToggleWindowNotify(target);
}

// Returns true when the key was handled here.
bool HandleKeyDown(WindowRecord* record, HWND box, WPARAM key) {
    switch (key) {
        case VK_BROWSER_BACK: SendMessageW(box, WM_SYSKEYDOWN, VK_LEFT, 0); return true;
        case VK_BROWSER_FORWARD: SendMessageW(box, WM_SYSKEYDOWN, VK_RIGHT, 0); return true;
        case VK_BROWSER_STOP: SendMessageW(record->Window, WM_CLOSE, 0, 0); return true;
        case VK_BROWSER_SEARCH: SendMessageW(record->Window, WM_COMMAND, ID_FIND_NEXT, 0); return true;
        case VK_BROWSER_FAVORITES: SendMessageW(record->Window, WM_COMMAND, ID_SERVER_JOIN, 0); return true;
        default: break;
    }
    if (KeyHeld(VK_CONTROL)) {
        if (key == VK_MULTIPLY) {
            ui::ToggleTickerWindow(record);
            return true;
        }
        if ((key == 'V' || key == VK_F7) && OfferClipboardPicture(record)) return true;
        const int32_t digitIndex = WindowIndexForDigitKey(static_cast<uint32_t>(key));
        if (digitIndex >= 0) {
            ToggleNotifyOfIndex(digitIndex);
            return true;
        }
    }
    if (key == VK_RETURN && record->MultiLineInput == 0) {
        SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(-1), -1);
        return false;
    }
    if (key == VK_PRIOR || key == VK_NEXT) {
        HWND target = KeyHeld(VK_SHIFT) ? record->NickList : record->View;
        if (target) SendMessageW(target, WM_VSCROLL, key == VK_PRIOR ? SB_PAGEUP : SB_PAGEDOWN, 0);
        return true;
    }
    if ((key == VK_UP || key == VK_DOWN) && record->MultiLineInput == 0) {
        std::wstring text;
        if (RecallInputHistory(record->InputHistory, record->HistoryIndex, key == VK_UP, text)) {
            SetWindowTextW(box, text.c_str());
            SendMessageW(box, EM_SETSEL, static_cast<WPARAM>(-1), -1);
            ShowInputSmileys(box);
        }
        return true;
    }
    return false;
}

WindowRecord* RecordOfBox(HWND box) {
    auto* record = reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(GetParent(box), GWLP_USERDATA));
    return record && record->Input == box ? record : nullptr;
}

LRESULT InputBoxMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowRecord* record = RecordOfBox(window);
    if (!record) return Previous(window, message, wParam, lParam);
    switch (message) {
        case WM_DROPFILES: peer::SendDroppedFiles(record, reinterpret_cast<HDROP>(wParam), window); return 0;
        case WM_SYSKEYDOWN:
            if (wParam == VK_OEM_PERIOD) {
                if (record->View) SetWindowTextW(record->View, L"");
                return 0;
            }
            if (HandleAltKey(wParam)) return 0;
            break;
        case WM_KILLFOCUS:
            if (record->Popup && shell::GetActiveWindowRecord() != record) DestroyWindowRecordPopup(record);
            break;
        case WM_CHAR: return HandleChar(record, window, wParam, lParam);
        case WM_KEYDOWN:
            if (HandleKeyDown(record, window, wParam)) return 0;
            break;
        case WM_MOUSEWHEEL:
            if (record->View) PostMessageW(record->View, message, wParam, lParam);
            return 0;
        default: break;
    }
    return Previous(window, message, wParam, lParam);
}

} // namespace

LRESULT CALLBACK InputBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowProc<InputBoxMessage>(window, message, wParam, lParam);
}

void SubclassInputBox(HWND input) {
    WNDPROC previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(input, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(InputBoxProc)));
    if (!PreviousInputBoxProc) PreviousInputBoxProc = previous;
}
