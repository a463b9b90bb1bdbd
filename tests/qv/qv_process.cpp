#include "tests/qv/qv_process.h"

#include "tests/support/screenshots.h"

#include "common/xstring.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

#include <commctrl.h>

#include <atomic>

namespace {

std::wstring UserName() {
    wchar_t name[256] = {};
    DWORD size = 256;
    GetUserNameW(name, &size);
    return name;
}

struct Search {
    DWORD Process;
    const wchar_t* ClassName;
    const wchar_t* TitlePrefix;
    const std::wstring* Text;
    HWND Found;
};

BOOL CALLBACK VisitTop(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<Search*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->Process || !IsWindowVisible(window)) return TRUE;
    wchar_t className[128] = {};
    GetClassNameW(window, className, 128);
    if (search->ClassName && wcscmp(className, search->ClassName) != 0) return TRUE;
    if (search->TitlePrefix && WindowText(window).rfind(search->TitlePrefix, 0) != 0) return TRUE;
    if (search->Text && AllTexts(window).find(*search->Text) == std::wstring::npos) return TRUE;
    search->Found = window;
    return FALSE;
}

BOOL CALLBACK CollectText(HWND window, LPARAM parameter) {
    auto* texts = reinterpret_cast<std::wstring*>(parameter);
    *texts += WindowText(window) + L"\n";
    return TRUE;
}

struct ChatSearch {
    std::wstring Prefix;
    HWND Found = nullptr;
};

BOOL CALLBACK VisitChat(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<ChatSearch*>(parameter);
    wchar_t className[128] = {};
    GetClassNameW(window, className, 128);
    if (wcscmp(className, L"BRINDLEX2000_IRC") == 0 && WindowText(window).rfind(search->Prefix, 0) == 0) {
        search->Found = window;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::string PortableFolder::SavedSetting(const char* section, const char* key) const {
    XmlDocument document;
    XmlDocumentOpenFile(&document, (UserDataFolder() + L"\\qv.xml").c_str());
    char value[1000] = {};
    XmlGetProfileString(section, key, "", value, sizeof value, nullptr, &document);
    XmlDocumentDestroy(&document);
    return value;
}

std::wstring BuildBinFolder() {
    return TestProgramFolder();
}

PortableFolder::PortableFolder(const std::vector<std::wstring>& files) {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"brindlex-qv-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
    CreateDirectoryW(folder_.c_str(), nullptr);
    // BRINDLEX_PROGRAM_FOLDER names another folder to copy from, such as an unpacked release.
    wchar_t source[MAX_PATH] = {};
    const DWORD length = GetEnvironmentVariableW(L"BRINDLEX_PROGRAM_FOLDER", source, MAX_PATH);
    const std::wstring from = length > 0 && length < MAX_PATH ? std::wstring(source) : BuildBinFolder();
    for (const std::wstring& file : files)
        CopyFileW((from + L"\\" + file).c_str(), (folder_ + L"\\" + file).c_str(), FALSE);
}

PortableFolder::~PortableFolder() {
    RemoveTree(folder_);
}

std::wstring PortableFolder::UserDataFolder() const {
    return folder_ + L"\\UCFG\\" + UserName();
}

FileStamp StampOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return {};
    return {(uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow,
            (uint64_t{data.ftLastWriteTime.dwHighDateTime} << 32) | data.ftLastWriteTime.dwLowDateTime};
}

QvProcess::QvProcess(const std::wstring& folder, const std::wstring& arguments,
                     const std::wstring& errorFile) {
    std::wstring line = L"\"" + folder + L"\\qv.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    HANDLE errors = INVALID_HANDLE_VALUE;
    if (!errorFile.empty()) {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        errors = CreateFileW(errorFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = errors;
    }
    // qv and what it starts live in a job that ends them when its last handle closes: a test
    // program that is ended while a case hangs leaves no qv behind.
    job_ = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (job_) SetInformationJobObject(job_, JobObjectExtendedLimitInformation, &limits, sizeof limits);
    PROCESS_INFORMATION process{};
    const BOOL created =
        CreateProcessW(nullptr, line.data(), nullptr, nullptr, errors != INVALID_HANDLE_VALUE,
                       CREATE_SUSPENDED, nullptr, folder.c_str(), &startup, &process);
    if (errors != INVALID_HANDLE_VALUE) CloseHandle(errors);
    if (!created) return;
    if (job_) AssignProcessToJobObject(job_, process.hProcess);
    ResumeThread(process.hThread);
    CloseHandle(process.hThread);
    process_ = process.hProcess;
    id_ = process.dwProcessId;
    // After connecting qv offers its join box ("Join_Box_On_Connect" is on by default); the tests
    // join by command, so they dismiss the box as such a user would.
    joinBoxCloser_ = std::thread([this] {
        while (!stopping_ && WaitForSingleObject(process_, 200) == WAIT_TIMEOUT) {
            Search search{id_, L"#32770", L"Join a channel", nullptr, nullptr};
            EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
            if (search.Found) PostMessageW(search.Found, WM_COMMAND, IDCANCEL, 0);
        }
    });
}

QvProcess::~QvProcess() {
    if (process_) {
        stopping_ = true;
        if (joinBoxCloser_.joinable()) joinBoxCloser_.join();
        if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_, 99);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    if (job_) CloseHandle(job_);
}

bool QvProcess::WaitExit(DWORD timeoutMs, DWORD& code) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_, &code) != FALSE;
}

HWND FindProcessTopWindow(DWORD process, const wchar_t* className, const wchar_t* titlePrefix) {
    Search search{process, className, titlePrefix, nullptr, nullptr};
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND QvProcess::FindTopWindow(const wchar_t* className, const wchar_t* titlePrefix) const {
    return FindProcessTopWindow(id_, className, titlePrefix);
}

HWND QvProcess::FindDialogWith(const std::wstring& text) const {
    Search search{id_, L"#32770", nullptr, &text, nullptr};
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND CurrentWizardPage(HWND wizard) {
    return reinterpret_cast<HWND>(SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
}

bool FinishFirstRunWizard(const QvProcess& qv, DWORD timeoutMs) {
    HWND wizard = nullptr;
    if (!Eventually([&] { return (wizard = qv.FindDialogWith(L"Welcome")) != nullptr; }, timeoutMs))
        return false;
    for (int next = 0; next < 2; ++next) {
        const HWND shown = CurrentWizardPage(wizard);
        PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        if (!Eventually([&] { return CurrentWizardPage(wizard) != shown; }, timeoutMs)) return false;
    }
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    return Eventually([&] { return !IsWindow(wizard) || !IsWindowVisible(wizard); }, timeoutMs);
}

std::wstring WindowText(HWND window) {
    // WM_GETTEXT is carried across processes by the system.
    const LRESULT length = SendMessageW(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied > 0 ? copied : 0));
    return text;
}

std::wstring AllTexts(HWND window) {
    std::wstring texts = WindowText(window) + L"\n";
    EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
    return texts;
}

HWND FindChatWindow(HWND frame, const std::wstring& titlePrefix) {
    ChatSearch search{titlePrefix, nullptr};
    EnumChildWindows(frame, VisitChat, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

void Press(WORD key, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &input, sizeof input);
}

namespace {
GUITHREADINFO ThreadInfoOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info;
}
} // namespace

HWND FocusOf(HWND window) {
    return ThreadInfoOf(window).hwndFocus;
}

HWND ActiveOf(HWND window) {
    return ThreadInfoOf(window).hwndActive;
}

void TypeLine(HWND input, const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(input, WM_CHAR, c, 1);
    PostMessageW(input, WM_CHAR, L'\r', 1);
}

bool RemoteCharFormat(HWND view, const std::wstring& text, CHARFORMAT2W& format) {
    DWORD id = 0;
    GetWindowThreadProcessId(view, &id);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, id);
    if (!process) return false;
    // Laid out there as: the search, the range, the format, the text.
    struct Lent {
        FINDTEXTEXW Find;
        CHARRANGE Range;
        CHARFORMAT2W Format;
    };
    const size_t size = sizeof(Lent) + (text.size() + 1) * sizeof(wchar_t);
    auto* remote =
        static_cast<char*>(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    bool found = false;
    if (remote) {
        auto* lent = reinterpret_cast<Lent*>(remote);
        Lent local{};
        local.Find.chrg = {0, -1};
        local.Find.lpstrText = reinterpret_cast<const wchar_t*>(remote + sizeof(Lent));
        local.Format.cbSize = sizeof local.Format;
        WriteProcessMemory(process, remote, &local, sizeof local, nullptr);
        WriteProcessMemory(process, remote + sizeof(Lent), text.c_str(), (text.size() + 1) * sizeof(wchar_t),
                           nullptr);
        const LRESULT at = SendMessageW(view, EM_FINDTEXTEXW, 1, reinterpret_cast<LPARAM>(&lent->Find));
        if (at >= 0) {
            const CHARRANGE one{static_cast<LONG>(at), static_cast<LONG>(at) + 1};
            WriteProcessMemory(process, &lent->Range, &one, sizeof one, nullptr);
            SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&lent->Range));
            SendMessageW(view, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&lent->Format));
            found = ReadProcessMemory(process, &lent->Format, &format, sizeof format, nullptr) != FALSE;
        }
        VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    CloseHandle(process);
    return found;
}

RECT ScreenRect(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    return box;
}

RECT InClient(HWND window) {
    RECT box = ScreenRect(window);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&box), 2);
    return box;
}
