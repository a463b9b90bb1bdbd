#include "ui/object_dialog.h"

#include "commands/input_dispatcher.h"
#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/shell_helpers.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/window_record.h"
#include "peer/embedded_objects.h"
#include "ui/ax_host.h"
#include "ui/prompt_dialogs.h"

#include <ole2.h>
#include <oledlg.h>

#include <string>

namespace {

constexpr size_t kPromptLength = 1000; // what the text prompt copies back at most
constexpr UINT kInsertFileLength = 200;

std::wstring SavedObjectPath() {
    return TempFolder + L"\\qvSAVE.STG";
}

std::wstring SentObjectPath() {
    return TempFolder + L"\\qvSAVEX.STG";
}

// The host fills the dialog above its buttons.
void PlaceHost(HWND dialog) {
    RECT client{};
    GetClientRect(dialog, &client);
    int bottom = client.bottom;
    if (HWND ok = GetDlgItem(dialog, IDOK)) {
        RECT button{};
        GetWindowRect(ok, &button);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&button), 2);
        bottom = button.top - 4;
    }
    MoveWindow(GetDlgItem(dialog, kObjectHostId), 0, 0, client.right, bottom > 0 ? bottom : 0, TRUE);
}

bool SaveHostedObject(HWND dialog) {
    IPersistStorage* persist = nullptr;
    SendMessageW(GetDlgItem(dialog, kObjectHostId), AX_QUERY_INTERFACE,
                 reinterpret_cast<WPARAM>(&IID_IPersistStorage), reinterpret_cast<LPARAM>(&persist));
    if (!persist) return false;
    IStorage* storage = nullptr;
    bool saved = false;
    if (SUCCEEDED(StgCreateDocfile(SavedObjectPath().c_str(),
                                   STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, &storage))) {
        saved = SUCCEEDED(OleSave(persist, storage, FALSE)) && SUCCEEDED(storage->Commit(STGC_DEFAULT));
        persist->SaveCompleted(nullptr);
        storage->Release();
    }
    persist->Release();
    return saved;
}

// The class text the user chose, or empty when they cancelled.
std::wstring ChooseClass(HWND owner) {
    if (GetKeyState(VK_SHIFT) < 0) {
        wchar_t typed[kPromptLength] = {};
        if (!ui::PromptText(owner, L"ActiveX", L"CLSID?", typed, kPromptLength, 0)) return {};
        CLSID clsid{};
        if (FAILED(ClsidFromAnsiString(clsid, WideToNarrow(std::wstring(typed), CP_ACP).c_str()))) return {};
        return typed;
    }
    wchar_t file[kInsertFileLength] = {};
    OLEUIINSERTOBJECTW insert{};
    insert.cbStruct = sizeof insert;
    insert.dwFlags = IOF_SHOWINSERTCONTROL | IOF_SELECTCREATECONTROL;
    insert.hWndOwner = MainWindow.load();
    insert.lpszFile = file;
    insert.cchFile = kInsertFileLength;
    if (OleUIInsertObjectW(&insert) != OLEUI_OK) return {};
    LPOLESTR text = nullptr;
    if (FAILED(StringFromCLSID(insert.clsid, &text)) || !text) return {};
    std::wstring chosen = text;
    CoTaskMemFree(text);
    return chosen;
}

} // namespace

INT_PTR CALLBACK ObjectSaveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* classText = reinterpret_cast<const wchar_t*>(lParam);
            HWND host =
                CreateWindowExW(0, kAxHostClass, classText ? classText : L"", WS_CHILD | WS_VISIBLE, 0, 0, 10,
                                10, dialog, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kObjectHostId)),
                                GetModuleHandleW(nullptr), nullptr);
            if (host) {
                PlaceHost(dialog);
                SendMessageW(host, AX_ACTIVATE, 1, 0);
            }
            return TRUE;
        }
        case WM_SIZE: PlaceHost(dialog); return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, SaveHostedObject(dialog) ? 1 : 2);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 2);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE: EndDialog(dialog, 2); return TRUE;
        default: return FALSE;
    }
}

void InsertActiveXObject(WindowRecord* record) {
    if (!record) return;
    const std::wstring classText = ChooseClass(record->Window);
    if (classText.empty()) return;
    HMODULE language = LanguageModule.load();
    if (!language || DialogBoxParamW(language, L"DIALOG_AX", record->Window, ObjectSaveDlgProc,
                                     reinterpret_cast<LPARAM>(classText.c_str())) != 1)
        return;
    const std::wstring saved = SavedObjectPath();
    const std::wstring sent = SentObjectPath();
    if (!CopyFileW(saved.c_str(), sent.c_str(), FALSE)) return;
    const std::string line = "/sendobject " + record->Name + " " + WideToNarrow(sent);
    commands::ProcessInputLine(line.c_str(), record);
    CLSID clsid{};
    ClsidFromAnsiString(clsid, WideToNarrow(classText, CP_ACP).c_str());
    peer::InsertOleObject(record->View, saved.c_str(), clsid, nullptr);
    DeleteFileW(saved.c_str());
}
