#include "tests/qv/qv_process.h"

#include "tests/support/screenshots.h"

#include "common/xstring.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

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
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

PortableFolder::PortableFolder(const std::vector<std::wstring>& files) {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"brindlex-qv-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(++serial);
    CreateDirectoryW(folder_.c_str(), nullptr);
    for (const std::wstring& file : files)
        CopyFileW((BuildBinFolder() + L"\\" + file).c_str(), (folder_ + L"\\" + file).c_str(), FALSE);
}

PortableFolder::~PortableFolder() {
    RemoveTree(folder_);
}

std::wstring PortableFolder::UserDataFolder() const {
    return folder_ + L"\\UCFG\\" + UserName();
}

QvProcess::QvProcess(const std::wstring& folder, const std::wstring& arguments) {
    std::wstring line = L"\"" + folder + L"\\qv.exe\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return;
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
    if (!process_) return;
    stopping_ = true;
    if (joinBoxCloser_.joinable()) joinBoxCloser_.join();
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_, 99);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool QvProcess::WaitExit(DWORD timeoutMs, DWORD& code) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    return GetExitCodeProcess(process_, &code) != FALSE;
}

HWND QvProcess::FindTopWindow(const wchar_t* className, const wchar_t* titlePrefix) const {
    Search search{id_, className, titlePrefix, nullptr, nullptr};
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

HWND QvProcess::FindDialogWith(const std::wstring& text) const {
    Search search{id_, L"#32770", nullptr, &text, nullptr};
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    return search.Found;
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

void TypeLine(HWND input, const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(input, WM_CHAR, c, 1);
    PostMessageW(input, WM_CHAR, L'\r', 1);
}
