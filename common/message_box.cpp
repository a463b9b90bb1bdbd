#include "common/message_box.h"

#include "common/app_state.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"

namespace {

constexpr UINT kShieldIcon = 240;
constexpr UINT kDefaultButtonMask = 0x300;

UINT MessageBoxType(UINT flags) {
    return flags & MB_TYPEMASK;
}

// 1 without default-button bits, 2 for 0x100, 3 for 0x200, 4 for 0x300.
int DefaultButtonNumber(UINT flags) {
    return static_cast<int>((flags & kDefaultButtonMask) >> 8) + 1;
}

PCWSTR TaskDialogIcon(UINT icon) {
    if (icon == kShieldIcon) return TD_SHIELD_ICON;
    if (icon == MB_ICONERROR || icon == MB_ICONWARNING) return TD_ERROR_ICON;
    return TD_INFORMATION_ICON;
}

template <typename Fn> Fn LookUpComctl32(HMODULE library, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

INT_PTR SetCaptionOnInit(HWND dialog, UINT message, int32_t id) {
    if (message != WM_INITDIALOG) return 0;
    SetWindowTextW(dialog, GetLangString(id));
    return 1;
}

} // namespace

UINT PlainMessageBoxStyle(UINT flags, UINT icon) {
    return flags | (icon == kShieldIcon ? MB_ICONINFORMATION : icon);
}

int CautiousAnswer(UINT flags) {
    switch (MessageBoxType(flags)) {
        case MB_OKCANCEL:
        case MB_YESNOCANCEL:
        case MB_RETRYCANCEL: return IDCANCEL;
        case MB_YESNO: return IDNO;
        default: return IDOK;
    }
}

bool BuildTaskDialogSetup(TaskDialogSetup& setup, HWND owner, const wchar_t* text, const wchar_t* caption,
                          UINT flags, UINT icon, const std::vector<MessageBoxButton>* buttons) {
    TASKDIALOGCONFIG& config = setup.config;
    config = TASKDIALOGCONFIG{};
    config.cbSize = sizeof config;
    config.hwndParent = owner;
    setup.caption = caption ? caption : L"";
    config.pszWindowTitle = setup.caption.c_str();
    config.pszMainIcon = TaskDialogIcon(icon);

    // The first line is the main instruction, the rest the content.
    std::wstring whole = text ? text : L"";
    size_t lineFeed = whole.find(L'\n');
    if (lineFeed == std::wstring::npos) {
        setup.instruction = whole;
        setup.content.clear();
    } else {
        setup.instruction = whole.substr(0, lineFeed);
        setup.content = whole.substr(lineFeed + 1);
    }
    config.pszMainInstruction = setup.instruction.c_str();
    config.pszContent = lineFeed == std::wstring::npos ? nullptr : setup.content.c_str();

    if (buttons && !buttons->empty()) {
        setup.buttonTexts.clear();
        setup.buttons.clear();
        for (const MessageBoxButton& button : *buttons)
            setup.buttonTexts.push_back(button.note.empty() ? button.label
                                                            : button.label + L"\r\n" + button.note);
        for (size_t i = 0; i < buttons->size(); ++i)
            setup.buttons.push_back(TASKDIALOG_BUTTON{(*buttons)[i].id, setup.buttonTexts[i].c_str()});
        config.dwFlags |= TDF_USE_COMMAND_LINKS;
        config.pButtons = setup.buttons.data();
        config.cButtons = static_cast<UINT>(setup.buttons.size());
        config.nDefaultButton = (*buttons)[0].id;
        return true;
    }

    const int d = DefaultButtonNumber(flags);
    switch (MessageBoxType(flags)) {
        case MB_OK:
            config.dwCommonButtons = TDCBF_OK_BUTTON;
            config.nDefaultButton = IDOK;
            break;
        case MB_OKCANCEL:
            config.dwCommonButtons = TDCBF_OK_BUTTON | TDCBF_CANCEL_BUTTON;
            config.nDefaultButton = d == 1 ? IDOK : IDCANCEL;
            break;
        case MB_YESNOCANCEL:
            config.dwCommonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON | TDCBF_CANCEL_BUTTON;
            config.nDefaultButton = d == 1 ? IDYES : d == 2 ? IDNO : IDCANCEL;
            break;
        case MB_YESNO:
            config.dwCommonButtons = TDCBF_YES_BUTTON | TDCBF_NO_BUTTON;
            config.nDefaultButton = d == 1 ? IDYES : IDNO;
            break;
        case MB_RETRYCANCEL:
            config.dwCommonButtons = TDCBF_RETRY_BUTTON | TDCBF_CANCEL_BUTTON;
            config.nDefaultButton = d == 1 ? IDRETRY : IDCANCEL;
            break;
        default: return false;
    }
    return true;
}

int AppMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT flags, UINT icon,
                  const std::vector<MessageBoxButton>* buttons) {
    const wchar_t* shownText = text ? text : L"";
    if (WindowsMajorVersion < 6 || (buttons && buttons->empty()))
        return MessageBoxW(owner, shownText, caption, PlainMessageBoxStyle(flags, icon));

    TaskDialogSetup setup;
    if (!BuildTaskDialogSetup(setup, owner, text, caption, flags, icon, buttons))
        return MessageBoxW(owner, shownText, caption, PlainMessageBoxStyle(flags, icon));

    int pressed = 0;
    if (FAILED(TaskDialogIndirectByName(&setup.config, &pressed, nullptr, nullptr)))
        return CautiousAnswer(flags);
    return pressed;
}

std::vector<MessageBoxButton> MessageBoxButtonList(UINT flags) {
    auto button = [](const wchar_t* label, int32_t id) { return MessageBoxButton{label, L"", id}; };
    std::vector<MessageBoxButton> list;
    switch (MessageBoxType(flags)) {
        case MB_OK:
        case MB_OKCANCEL:
            list.push_back(button(L"OK", IDOK));
            if (MessageBoxType(flags) == MB_OKCANCEL)
                list.push_back(button(GetLangString(kCancelText), IDCANCEL));
            break;
        case MB_RETRYCANCEL:
            list.push_back(button(GetLangString(kRetryText), IDRETRY));
            list.push_back(button(GetLangString(kCancelText), IDCANCEL));
            break;
        case MB_YESNOCANCEL:
        case MB_YESNO:
            list.push_back(button(GetLangString(kYesText), IDYES));
            list.push_back(button(GetLangString(kNoText), IDNO));
            if (MessageBoxType(flags) == MB_YESNOCANCEL)
                list.push_back(button(GetLangString(kCancelText), IDCANCEL));
            break;
        case MB_ABORTRETRYIGNORE:
            list.push_back(button(GetLangString(kAbortText), IDABORT));
            list.push_back(button(GetLangString(kRetryText), IDRETRY));
            list.push_back(button(GetLangString(kIgnoreText), IDIGNORE));
            break;
        default: break;
    }
    return list;
}

INT_PTR CALLBACK CaptionDialogProc19(HWND dialog, UINT message, WPARAM, LPARAM) {
    return SetCaptionOnInit(dialog, message, kPleaseWaitCaption);
}

INT_PTR CALLBACK CaptionDialogProc20(HWND dialog, UINT message, WPARAM, LPARAM) {
    return SetCaptionOnInit(dialog, message, kInformationCaption);
}

HRESULT TaskDialogByName(HWND owner, HINSTANCE instance, PCWSTR title, PCWSTR instruction, PCWSTR content,
                         TASKDIALOG_COMMON_BUTTON_FLAGS commonButtons, PCWSTR icon, int* button) {
    using Fn = HRESULT(WINAPI*)(HWND, HINSTANCE, PCWSTR, PCWSTR, PCWSTR, TASKDIALOG_COMMON_BUTTON_FLAGS,
                                PCWSTR, int*);
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    if (!library) return E_FAIL;
    Fn fn = LookUpComctl32<Fn>(library, "TaskDialog");
    HRESULT result =
        fn ? fn(owner, instance, title, instruction, content, commonButtons, icon, button) : E_FAIL;
    FreeLibrary(library);
    return result;
}

HRESULT TaskDialogIndirectByName(const TASKDIALOGCONFIG* config, int* button, int* radioButton,
                                 BOOL* verificationChecked) {
    using Fn = HRESULT(WINAPI*)(const TASKDIALOGCONFIG*, int*, int*, BOOL*);
    HMODULE library = LoadLibraryW(L"comctl32.dll");
    if (!library) return E_FAIL;
    Fn fn = LookUpComctl32<Fn>(library, "TaskDialogIndirect");
    HRESULT result = fn ? fn(config, button, radioButton, verificationChecked) : E_FAIL;
    FreeLibrary(library);
    return result;
}
