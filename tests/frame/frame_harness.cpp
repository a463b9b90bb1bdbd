#include "tests/frame/frame_harness.h"

#include "common/app_state.h"
#include "common/data_folders.h"
#include "common/shell_helpers.h"
#include "core/frame_handles.h"
#include "core/resource_library.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "irc_lines/server_line_handlers.h"
#include "shell/preferences/apply_settings.h"
#include "shell/chats/chat_window.h"
#include "shell/startup/startup.h"
#include "shell/setup/startup_documents.h"
#include "shell/startup/startup_libraries.h"
#include "tests/support/chat_test_frame.h"
#include "tests/support/test_files.h"
#include "views/print_dispatch.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

#include <commctrl.h>

namespace {

std::wstring BinFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L'\\'));
}

XmlDocument* OpenDefaultSettings(const std::wstring& folder) {
    const std::wstring path = folder + L"\\qv.xml";
    ExtractResource(path.c_str(), L"DEFAULT_USER_CFG", ResourceModule.load());
    auto* document = new XmlDocument;
    XmlDocumentOpenFile(document, path.c_str());
    return document;
}

HWND MakeFrame() {
    static TestFolder data(L"frame");
    ProgramFolder = BinFolder();
    ProgramPath = ProgramFolder + L"\\frame_tests.exe";
    UserDataFolder = CommonDataFolder = DocumentsFolder = TempFolder = data.Path();
    INITCOMMONCONTROLSEX controls{sizeof controls, 0x7FF};
    InitCommonControlsEx(&controls);
    LoadLibraryW(L"RICHED20.DLL");
    LoadResourceLibrary();
    LanguageModule = LoadLibraryW((ProgramFolder + L"\\qvlang.dll").c_str());
    UserConfigDocument = OpenDefaultSettings(data.Path());
    UserConfigPath = data.Path() + L"\\qv.xml";
    // Lines leave at once rather than one a second, so the tests read them without waiting.
    XmlWriteProfileInt("Cfg\\Options1", "Flood_Delay_MS", 0, nullptr, UserConfigDocument);
    TempDocument = new XmlDocument;
    XmlDocumentOpenText(TempDocument, "<?xml version=\"1.0\" ?><temp />");
    LoadImages();
    ApplySettings();
    PrepareLinePrinter();
    RegisterServerLineHandlers();
    MainMenuHandle = LoadMenuW(LanguageModule.load(), L"MENU_MAIN");
    if (!RegisterShellWindowClasses(GetModuleHandleW(nullptr))) return nullptr;
    return CreateFrameWindow(GetModuleHandleW(nullptr));
}

void CloseChatWindows() {
    for (;;) {
        const std::vector<WindowRecord*> list = WindowListSnapshot();
        if (list.empty()) break;
        SendMessageW(list.back()->Window, WM_CLOSE, 0, 0);
        Settle(50);
    }
}

} // namespace

HWND RealFrame() {
    static HWND frame = MakeFrame();
    return frame;
}

bool Pump(const std::function<bool()>& condition, DWORD timeoutMs) {
    return PumpUntil(condition, timeoutMs);
}

void Settle(DWORD ms) {
    Pump([] { return false; }, ms);
}

WindowRecord* OpenChat(uint32_t type, WindowRecord* server, const std::string& name) {
    HWND window = CreateChatWindow(type, server, name, 0);
    Settle(100);
    return window ? reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

WindowRecord* ActiveChat() {
    HWND child = reinterpret_cast<HWND>(SendMessageW(MdiClientWindow.load(), WM_MDIGETACTIVE, 0, 0));
    return child ? reinterpret_cast<WindowRecord*>(GetWindowLongPtrW(child, GWLP_USERDATA)) : nullptr;
}

int SelectedTab() {
    return static_cast<int>(SendMessageW(WindowTabsControl.load(), TCM_GETCURSEL, 0, 0));
}

WindowRecord* TabRecord(int index) {
    TCITEMW item{};
    item.mask = TCIF_PARAM;
    if (!SendMessageW(WindowTabsControl.load(), TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<WindowRecord*>(item.lParam);
}

int TabIndexOf(const WindowRecord* record) {
    const int count = static_cast<int>(SendMessageW(WindowTabsControl.load(), TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i)
        if (TabRecord(i) == record) return i;
    return -1;
}

void ClickTab(int index) {
    HWND tabs = WindowTabsControl.load();
    RECT box{};
    SendMessageW(tabs, TCM_GETITEMRECT, index, reinterpret_cast<LPARAM>(&box));
    const LPARAM at = MAKELPARAM((box.left + box.right) / 2, (box.top + box.bottom) / 2);
    PostMessageW(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tabs, WM_LBUTTONUP, 0, at);
    Settle(300);
}

std::wstring InputText(const WindowRecord* record) {
    if (!record || !record->Input) return {};
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(record->Input)) + 1, L'\0');
    text.resize(
        static_cast<size_t>(GetWindowTextW(record->Input, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT RectInParent(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&box), 2);
    return box;
}

std::vector<MenuItem> ReadMenu(HMENU menu) {
    std::vector<MenuItem> items;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        wchar_t text[256] = {};
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 255;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        MenuItem item;
        item.Separator = (info.fType & MFT_SEPARATOR) != 0;
        item.Submenu = info.hSubMenu != nullptr;
        item.Id = item.Separator || item.Submenu ? 0 : info.wID;
        item.Text = text;
        items.push_back(item);
    }
    return items;
}

PopupWatcher::PopupWatcher(UINT choose, std::function<void(HWND)> look)
    : choose_(choose), look_(std::move(look)) {
    done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

PopupWatcher::~PopupWatcher() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(done_);
}

std::vector<MenuItem> PopupWatcher::Items(DWORD timeoutMs) {
    Pump([this] { return WaitForSingleObject(done_, 0) == WAIT_OBJECT_0; }, timeoutMs);
    return items_;
}

DWORD WINAPI PopupWatcher::Run(void* parameter) {
    auto* self = static_cast<PopupWatcher*>(parameter);
    HWND popup = nullptr;
    // A popup opened by the test's own thread shows when that thread gets to it, which on a busy
    // machine can take long: look until it shows or the test is done with the watcher.
    for (int i = 0; i < 1200 && !popup && !self->stop_; ++i) {
        popup = FindWindowW(L"#32768", nullptr);
        if (!popup || !IsWindowVisible(popup)) popup = nullptr;
        if (!popup) Sleep(50);
    }
    if (popup) {
        HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
        self->items_ = ReadMenu(menu);
        if (self->look_) self->look_(popup);
        // The keys a user presses: down to the item (separators are passed over), then Enter.
        int steps = -1;
        for (size_t i = 0, n = 0; i < self->items_.size(); ++i) {
            if (self->items_[i].Separator) continue;
            ++n;
            if (self->choose_ && self->items_[i].Id == self->choose_) steps = static_cast<int>(n);
        }
        if (steps < 0) {
            PostMessageW(popup, WM_KEYDOWN, VK_ESCAPE, 0);
        } else {
            for (int i = 0; i < steps; ++i) PostMessageW(popup, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(popup, WM_KEYDOWN, VK_RETURN, 0);
        }
    }
    SetEvent(self->done_);
    return 0;
}

namespace {

struct DialogSearch {
    const std::vector<HWND>* Skip;
    HWND Found;
};

BOOL CALLBACK VisitDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window) || std::wstring(name) != L"#32770")
        return TRUE;
    for (HWND skip : *search->Skip)
        if (skip == window) return TRUE;
    search->Found = window;
    return FALSE;
}

BOOL CALLBACK CollectTexts(HWND window, LPARAM parameter) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    *reinterpret_cast<std::wstring*>(parameter) += std::wstring(text) + L"\n";
    return TRUE;
}

BOOL CALLBACK NoteDialog(HWND window, LPARAM parameter) {
    reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

} // namespace

DialogWatcher::DialogWatcher(std::function<void(HWND)> act) : act_(std::move(act)) {
    EnumWindows(NoteDialog, reinterpret_cast<LPARAM>(&before_));
    done_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
}

DialogWatcher::~DialogWatcher() {
    stop_ = true;
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    CloseHandle(done_);
}

std::wstring DialogWatcher::Texts(DWORD timeoutMs) {
    Pump([this] { return WaitForSingleObject(done_, 0) == WAIT_OBJECT_0; }, timeoutMs);
    Settle(100);
    return texts_;
}

DWORD WINAPI DialogWatcher::Run(void* parameter) {
    auto* self = static_cast<DialogWatcher*>(parameter);
    HWND dialog = nullptr;
    for (int i = 0; i < 1200 && !dialog && !self->stop_; ++i) {
        DialogSearch search{&self->before_, nullptr};
        EnumWindows(VisitDialog, reinterpret_cast<LPARAM>(&search));
        dialog = search.Found;
        if (!dialog) Sleep(50);
    }
    if (dialog) {
        // It fills itself while it starts: once its thread answers a message sent now, it is
        // back at its messages with the start done.
        SendMessageTimeoutW(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 10000, nullptr);
        wchar_t caption[256] = {};
        GetWindowTextW(dialog, caption, 256);
        self->texts_ = std::wstring(caption) + L"\n";
        EnumChildWindows(dialog, CollectTexts, reinterpret_cast<LPARAM>(&self->texts_));
        self->act_(dialog);
    }
    SetEvent(self->done_);
    return 0;
}

void ClickButton(HWND dialog, int id) {
    if (HWND button = FindControl(dialog, id))
        PostMessageW(button, BM_CLICK, 0, 0);
    else
        PostMessageW(dialog, WM_COMMAND, id, 0);
}

HWND WaitForDialog(HWND except, DWORD timeoutMs) {
    const std::vector<HWND> skip = {except};
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        DialogSearch search{&skip, nullptr};
        EnumWindows(VisitDialog, reinterpret_cast<LPARAM>(&search));
        if (search.Found) return search.Found;
        Sleep(50);
    }
    return nullptr;
}

void TypeInto(HWND control, const std::wstring& text) {
    for (wchar_t c : text) PostMessageW(control, WM_CHAR, c, 1);
}

HWND FindControl(HWND dialog, int id) {
    if (HWND direct = GetDlgItem(dialog, id)) return direct;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HWND inner = GetDlgItem(child, id)) return inner;
    return nullptr;
}

void FrameTest::SetUp() {
    frame_ = RealFrame();
    ASSERT_NE(nullptr, frame_);
    SetForegroundWindow(frame_);
    Settle(100);
}

void FrameTest::TearDown() {
    CloseChatWindows();
    Settle(100);
}
