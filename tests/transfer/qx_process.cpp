#include "tests/transfer/qx_process.h"

#include <commctrl.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <vector>

namespace {

std::wstring ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

struct Search {
    DWORD Process;
    const wchar_t* Caption;
    HWND Found;
};

BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t caption[256] = {};
    GetWindowTextW(window, caption, 256);
    if (process == search->Process && IsWindowVisible(window) && wcscmp(caption, search->Caption) == 0) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

struct ButtonSearch {
    const wchar_t* Text;
    HWND Found;
};

BOOL CALLBACK VisitChild(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ButtonSearch*>(parameter);
    wchar_t text[128] = {}, name[64] = {};
    GetWindowTextW(window, text, 128);
    GetClassNameW(window, name, 64);
    if (_wcsicmp(name, L"Button") == 0 && wcscmp(text, search->Text) == 0) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

QxProcess::QxProcess(const std::wstring& arguments) {
    std::wstring line = ProgramFolder() + L"\\qx.exe " + arguments;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &info)) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

QxProcess::QxProcess(DWORD processId)
    : process_(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE,
                           FALSE, processId)),
      id_(processId) {}

QxProcess::~QxProcess() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99); // a test that failed midway leaves no program behind
        WaitForSingleObject(process_, 10000);
    }
    CloseHandle(process_);
}

HWND QxProcess::WaitForWindow(const wchar_t* caption, DWORD timeoutMs) const {
    const ULONGLONG until = GetTickCount64() + timeoutMs;
    do {
        Search search{id_, caption, nullptr};
        EnumWindows(Visit, reinterpret_cast<LPARAM>(&search));
        if (search.Found) return search.Found;
        Sleep(50);
    } while (GetTickCount64() < until);
    return nullptr;
}

bool QxProcess::WaitForEnd(HWND dialog, DWORD timeoutMs) const {
    const ULONGLONG until = GetTickCount64() + timeoutMs;
    do {
        if (ControlText(dialog, 804) == L"Close") return true;
        Sleep(50);
    } while (GetTickCount64() < until);
    return false;
}

long QxProcess::ExitCode(DWORD timeoutMs) const {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    return static_cast<long>(code);
}

std::wstring QxProcess::CommandLine() const {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    if (!process_ || !query || query(process_, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        !ReadProcessMemory(process_, basic.PebBaseAddress, &peb, sizeof peb, nullptr) ||
        !ReadProcessMemory(process_, peb.ProcessParameters, &parameters, sizeof parameters, nullptr))
        return {};
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(process_, parameters.CommandLine.Buffer, line.data(),
                           parameters.CommandLine.Length, nullptr))
        return {};
    return line;
}

std::vector<DWORD> QxChildren() {
    struct Child {
        DWORD Id;
        ULONGLONG Created;
    };
    std::vector<Child> children;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId() || _wcsicmp(entry.szExeFile, L"qx.exe") != 0)
            continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        FILETIME created{}, ignored{};
        if (process && GetProcessTimes(process, &created, &ignored, &ignored, &ignored))
            children.push_back(
                {entry.th32ProcessID, (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime});
        if (process) CloseHandle(process);
    }
    CloseHandle(snapshot);
    std::stable_sort(children.begin(), children.end(),
                     [](const Child& a, const Child& b) { return a.Created < b.Created; });
    std::vector<DWORD> ids;
    for (const Child& child : children) ids.push_back(child.Id);
    return ids;
}

std::wstring ControlText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

bool ControlVisible(HWND dialog, int id) {
    return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE;
}

void Press(HWND dialog, int id) {
    PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

bool PressButtonNamed(HWND window, const wchar_t* text) {
    ButtonSearch search{text, nullptr};
    EnumChildWindows(window, VisitChild, reinterpret_cast<LPARAM>(&search));
    if (search.Found) PostMessageW(search.Found, BM_CLICK, 0, 0);
    return search.Found != nullptr;
}

int ProgressPercent(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, 902, PBM_GETPOS, 0, 0));
}
