#include "tests/dialogs/dialog_session.h"

#include "core/client_services.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc/server_connection.h"
#include "xml/config_documents.h"
#include "xml/xml_profile.h"

#include <commdlg.h>
#include <dlgs.h>

WindowRecord* FindRecord(const std::string& name, uint32_t type) {
    for (WindowRecord* record : WindowListSnapshot())
        if (record->Type == type && record->Name == name) return record;
    return nullptr;
}

WindowRecord* ConnectFrame(uint16_t port, const std::string& nick) {
    XmlWriteProfileString("Cfg\\Options1", "Default_Nick", nick.c_str(), nullptr, UserConfigDocument);
    const std::string line = "/server 127.0.0.1:" + std::to_string(port);
    ProcessInputLine(line.c_str(), nullptr);
    WindowRecord* found = nullptr;
    Pump(
        [&] {
            for (WindowRecord* record : WindowListSnapshot())
                if (record->Type == kServerWindow && record->Connection && record->Connection->StartupDone &&
                    record->Connection->OwnNick == nick)
                    found = record;
            return found != nullptr;
        },
        20000);
    return found;
}

void Activate(WindowRecord* record) {
    ActivateWindowRecord(record);
    Settle(100);
}

void PostCommand(HWND frame, UINT id) {
    PostMessageW(frame, WM_COMMAND, id, 0);
}

std::wstring ControlText(HWND dialog, int id) {
    HWND control = FindControl(dialog, id);
    const int length = static_cast<int>(SendMessageW(control, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(SendMessageW(control, WM_GETTEXT, static_cast<WPARAM>(length + 1),
                                                 reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

void SetControlText(HWND dialog, int id, const std::wstring& text) {
    SendMessageW(FindControl(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

bool WaitOnWatcher(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (condition()) return true;
        Sleep(50);
    }
    return condition();
}

void ChooseSaveFile(HWND dialog, const std::wstring& path) {
    HWND name = FindControl(dialog, cmb13);
    if (!name) name = FindControl(dialog, edt1);
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    ClickButton(dialog, IDOK);
}

std::wstring ViewText(HWND view) {
    const int length = GetWindowTextLengthW(view);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(view, text.data(), length + 1)));
    return text;
}
