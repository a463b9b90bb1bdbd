#include "shell/setup/first_run_wizard.h"

#include "common/app_state.h"
#include "common/message_box.h"
#include "common/window_centring.h"
#include "common/xstring.h"
#include "core/settings.h"
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

// A user who ran the wizard before sees what they entered then, not the page's examples.
void ShowSavedIdentity(HWND page) {
    static const int kEdits[] = {IDC_WIZARD_NICK, IDC_WIZARD_EMAIL, IDC_WIZARD_NAME,
                                 IDC_WIZARD_ALTERNATIVE_NICK};
    std::string saved[4] = {Settings::DefaultNick(), Settings::DefaultEMail(), Settings::DefaultName(),
                            Settings::AlternativeNick()};
    bool any = false;
    for (std::string& value : saved) {
        // A value longer than an answer may be was not entered here: the field keeps its example.
        if (value.size() > kMaxAnswerBytes) value.clear();
        any = any || !value.empty();
    }
    if (!any) return;
    for (size_t i = 0; i < 4; ++i) SetDlgItemTextW(page, kEdits[i], NarrowToWide(saved[i]).c_str());
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
                             reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_WIZARD_NICK)), TRUE);
            return Answer(page, 0);
        case PSN_KILLACTIVE:
            if (index == kIdentityPage) {
                for (int id : {IDC_WIZARD_NICK, IDC_WIZARD_EMAIL, IDC_WIZARD_NAME}) {
                    if (IsEmpty(page, id)) {
                        SetFocus(GetDlgItem(page, id));
                        return Answer(page, TRUE);
                    }
                }
                g_answers.Nick = ReadAnswer(page, IDC_WIZARD_NICK);
                g_answers.Email = ReadAnswer(page, IDC_WIZARD_EMAIL);
                g_answers.Name = ReadAnswer(page, IDC_WIZARD_NAME);
                g_answers.AlternativeNick = ReadAnswer(page, IDC_WIZARD_ALTERNATIVE_NICK);
            }
            return Answer(page, FALSE);
        case PSN_WIZFINISH:
            g_answers.Finished = true;
            XmlWriteProfileString(Settings::Keys::DefaultNick.Section, Settings::Keys::DefaultNick.Key,
                                  g_answers.Nick.c_str(), nullptr, UserConfigDocument);
            XmlWriteProfileString(Settings::Keys::DefaultEMail.Section, Settings::Keys::DefaultEMail.Key,
                                  g_answers.Email.c_str(), nullptr, UserConfigDocument);
            XmlWriteProfileString(Settings::Keys::DefaultName.Section, Settings::Keys::DefaultName.Key,
                                  g_answers.Name.c_str(), nullptr, UserConfigDocument);
            XmlWriteProfileString(Settings::Keys::AlternativeNick.Section,
                                  Settings::Keys::AlternativeNick.Key, g_answers.AlternativeNick.c_str(),
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

// The sheet is placed by the system, which may put it in a corner: it opens over the frame.
int CALLBACK OnSheetEvent(HWND sheet, UINT event, LPARAM) {
    if (event == PSCB_INITIALIZED) CentreOnFrameOrScreen(sheet);
    return 0;
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
                if (index == kIdentityPage) ShowSavedIdentity(page);
                if (index == kLastPage) {
                    for (int id = IDC_WIZARD_FIRST_HINT; id <= IDC_WIZARD_LAST_HINT; ++id)
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
    header.dwFlags = PSH_WIZARD | PSH_HASHELP | PSH_USECALLBACK;
    header.pfnCallback = OnSheetEvent;
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
