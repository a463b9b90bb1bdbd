#include "qx/antivirus_scan.h"

#include "qx/qx_ids.h"

#include <shlobj.h>

#include <vector>

namespace {

struct PromptBlock {
    const wchar_t* Title;
    const wchar_t* Prompt;
    std::wstring* Text;
};

INT_PTR CALLBACK PromptProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* block = reinterpret_cast<PromptBlock*>(lParam);
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            SetWindowTextW(dialog, block->Title);
            SetDlgItemTextW(dialog, IDC_QX_PROMPT_TEXT, block->Prompt);
            SetDlgItemTextW(dialog, IDC_QX_PROMPT_EDIT, block->Text->c_str());
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* block = reinterpret_cast<PromptBlock*>(GetWindowLongPtrW(dialog, DWLP_USER));
                wchar_t text[1001] = {};
                GetDlgItemTextW(dialog, IDC_QX_PROMPT_EDIT, text, 1001);
                *block->Text = text;
                EndDialog(dialog, 1);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, 0);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

} // namespace

std::wstring QxIniPath() {
    wchar_t folder[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, folder))) return L"";
    std::wstring path = std::wstring(folder) + L"\\Brindlex 7";
    CreateDirectoryW(path.c_str(), nullptr);
    path += L"\\qx.ini";
    return path.size() <= 1000 ? path : L"";
}

std::wstring ScanCommandLine(const std::wstring& command, const std::wstring& path) {
    std::wstring line = command;
    const size_t at = line.find(L"%1");
    if (at == std::wstring::npos) return line;
    // A command written as "%1" already quotes the path; quoting it again would split it at its blanks.
    const bool quoted = at > 0 && line[at - 1] == L'"' && at + 2 < line.size() && line[at + 2] == L'"';
    line.replace(at, 2, quoted ? path : L"\"" + path + L"\"");
    return line;
}

bool AskLine(HWND owner, const wchar_t* title, const wchar_t* prompt, std::wstring& text) {
    PromptBlock block{title, prompt, &text};
    return DialogBoxParamW(GetModuleHandleW(nullptr), L"DIALOG_AT", owner, PromptProc,
                           reinterpret_cast<LPARAM>(&block)) == 1;
}

void RunAntivirusScan(HWND owner, const std::wstring& iniPath, const std::wstring& path, bool ask) {
    wchar_t kept[1001] = {};
    GetPrivateProfileStringW(L"qx", L"scan", L"", kept, 1000, iniPath.c_str());
    std::wstring command = kept;
    if (command.empty() || ask) {
        if (!AskLine(owner, L"Antivirus Scan", L"Enter command line (Replace file wth %1):", command)) return;
    }
    WritePrivateProfileStringW(L"qx", L"scan", command.c_str(), iniPath.c_str());
    std::wstring line = ScanCommandLine(command, path);
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}
