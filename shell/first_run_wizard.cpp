#include "shell/first_run_wizard.h"

#include "common/app_state.h"
#include "common/message_box.h"
#include "common/xstring.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

constexpr size_t kMaxAnswerBytes = 99;
constexpr int kPageCount = 3;
constexpr int kIdentityPage = 1;
constexpr int kLastPage = 2;

// One wizard at a time, on the interface thread.
WizardAnswers g_answers;
HWND g_sheet = nullptr;

std::string ReadAnswer(HWND page, int id) {
    HWND edit = GetDlgItem(page, id);
    int length = edit ? GetWindowTextLengthW(edit) : 0;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    if (edit) text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), length + 1)));
    std::string utf8 = WideToNarrow(text.c_str(), wcslen(text.c_str()));
    if (utf8.size() > kMaxAnswerBytes) {
        size_t cut = kMaxAnswerBytes;
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) --cut;
        utf8.resize(cut);
    }
    return utf8;
}

bool IsEmpty(HWND page, int id) {
    HWND edit = GetDlgItem(page, id);
    return !edit || GetWindowTextLengthW(edit) == 0;
}

void SetButtonsFor(HWND sheet, int index) {
    DWORD buttons = index == 0 ? PSWIZB_NEXT : index == kLastPage ? PSWIZB_FINISH : PSWIZB_BACK | PSWIZB_NEXT;
    PostMessageW(sheet, PSM_SETWIZBUTTONS, 0, buttons);
}

LRESULT Answer(HWND page, LRESULT result) {
    SetWindowLongPtrW(page, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR OnNotify(HWND page, const NMHDR* header) {
    const int index = static_cast<int>(GetWindowLongPtrW(page, GWLP_USERDATA));
    switch (header->code) {
        case PSN_SETACTIVE:
            SetButtonsFor(g_sheet, index);
            // The sheet puts the focus on its buttons after the page change; the nickname box
            // takes it afterwards, so what the user types lands there.
            if (index == kIdentityPage)
                PostMessageW(g_sheet, WM_NEXTDLGCTL,
                             reinterpret_cast<WPARAM>(GetDlgItem(page, kWizardNickEdit)), TRUE);
            return Answer(page, 0);
        case PSN_KILLACTIVE:
            if (index == kIdentityPage) {
                for (int id : {kWizardNickEdit, kWizardEmailEdit, kWizardNameEdit}) {
                    if (IsEmpty(page, id)) {
                        SetFocus(GetDlgItem(page, id));
                        return Answer(page, TRUE);
                    }
                }
                g_answers.Nick = ReadAnswer(page, kWizardNickEdit);
                g_answers.Email = ReadAnswer(page, kWizardEmailEdit);
                g_answers.Name = ReadAnswer(page, kWizardNameEdit);
                g_answers.AlternativeNick = ReadAnswer(page, kWizardAlternativeNickEdit);
            }
            return Answer(page, FALSE);
        case PSN_WIZFINISH:
            XmlWriteProfileString("Cfg\\Options1", "Default_Nick", g_answers.Nick.c_str(), nullptr,
                                  UserConfigDocument);
            XmlWriteProfileString("Cfg\\Options1", "Default_EMail", g_answers.Email.c_str(), nullptr,
                                  UserConfigDocument);
            XmlWriteProfileString("Cfg\\Options1", "Default_Name", g_answers.Name.c_str(), nullptr,
                                  UserConfigDocument);
            XmlWriteProfileString("Cfg\\Options1", "Alternative_Nick", g_answers.AlternativeNick.c_str(),
                                  nullptr, UserConfigDocument);
            return Answer(page, FALSE);
        case PSN_QUERYCANCEL: {
            int answer =
                AppMessageBox(g_sheet, kWizardCancelQuestion, L"Brindlex", MB_YESNO, MB_ICONINFORMATION);
            return Answer(page, answer == IDNO ? TRUE : FALSE);
        }
        default: return FALSE;
    }
}

} // namespace

INT_PTR CALLBACK FirstRunPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        switch (message) {
            case WM_INITDIALOG: {
                const PROPSHEETPAGEW* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
                const int index = sheetPage ? static_cast<int>(sheetPage->lParam) : 0;
                g_sheet = GetParent(page);
                SetWindowLongPtrW(page, GWLP_USERDATA, index);
                if (index == kLastPage) {
                    for (int id = kWizardFirstHintBox; id <= kWizardLastHintBox; ++id)
                        CheckDlgButton(page, id, BST_CHECKED);
                    SetButtonsFor(g_sheet, index);
                }
                return TRUE;
            }
            case WM_NOTIFY: return OnNotify(page, reinterpret_cast<const NMHDR*>(lParam));
            default: return FALSE;
        }
    } catch (...) {
        return FALSE;
    }
}

HWND FirstRunWizard() {
    g_answers = WizardAnswers();
    g_sheet = nullptr;
    HMODULE language = LanguageModule.load();
    static const wchar_t* const kTemplates[kPageCount] = {L"W_1", L"W_2", L"W_3"};
    HPROPSHEETPAGE pages[kPageCount] = {};
    for (int i = 0; i < kPageCount; ++i) {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof page;
        page.hInstance = language;
        page.pszTemplate = kTemplates[i];
        page.pfnDlgProc = FirstRunPageProc;
        page.lParam = i;
        pages[i] = CreatePropertySheetPageW(&page);
        if (!pages[i]) {
            for (int j = 0; j < i; ++j) DestroyPropertySheetPage(pages[j]);
            return nullptr;
        }
    }
    PROPSHEETHEADERW header{};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_WIZARD | PSH_HASHELP;
    header.hwndParent = MainWindow.load();
    header.hInstance = language;
    header.pszCaption = L"Brindlex";
    header.nPages = kPageCount;
    header.phpage = pages;
    PropertySheetW(&header);
    return g_sheet;
}

const WizardAnswers& FirstRunWizardAnswers() {
    return g_answers;
}
