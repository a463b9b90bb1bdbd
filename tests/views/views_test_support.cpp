#include "tests/views/views_test_support.h"

#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/lang_strings.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/frame_handles.h"
#include "core/resource_library.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "tests/common/test_paths.h"
#include "ui/ticker_window.h"
#include "views/print_dispatch.h"
#include "views/smiley_menu.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

namespace {

LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SIZE) {
        HWND child = GetWindow(window, GW_CHILD);
        if (child) MoveWindow(child, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

const char kConfig[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><root><Cfg>"
                       "<Options1 /><Options2 TimeStamp=\"0\" /><Options3><Notifications /></Options3>"
                       "<Colors FG_Color=\"0\" BG_Color=\"16777215\" Server_Color=\"8421376\" />"
                       "<Appearance /><Fonts /></Cfg></root>";

} // namespace

HWND CreateTestRichEdit(HWND parent, int width, int height) {
    static HMODULE library = LoadLibraryW(L"riched20.dll");
    if (!library) return nullptr;
    DWORD style = WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | (parent ? WS_CHILD | WS_VISIBLE : WS_POPUP);
    return CreateWindowExW(0, L"RichEdit20W", L"", style, 0, 0, width, height, parent, nullptr, nullptr,
                           nullptr);
}

HWND CreateHostWindow(const wchar_t* title, int width, int height) {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HostProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrindlexViewsTestHost";
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        return RegisterClassExW(&wc) != 0;
    }();
    if (!registered) return nullptr;
    HWND window = CreateWindowExW(0, L"BrindlexViewsTestHost", title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20,
                                  20, width, height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    return window;
}

std::wstring RichEditText(HWND view) {
    GETTEXTLENGTHEX length{GTL_NUMCHARS | GTL_PRECISE, 1200};
    LRESULT count = SendMessageW(view, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&length), 0);
    std::wstring text(static_cast<size_t>(count) + 1, L'\0');
    GETTEXTEX get{static_cast<DWORD>((count + 1) * sizeof(wchar_t)), GT_DEFAULT, 1200, nullptr, nullptr};
    LRESULT copied = SendMessageW(view, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&get),
                                  reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(copied));
    return text;
}

CHARFORMAT2W FormatAt(HWND view, LONG position) {
    CHARRANGE one{position, position + 1};
    SendMessageW(view, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&one));
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_ALL2;
    SendMessageW(view, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The test plug-in hands each line the printer offers to plug-ins here: recorded as the offer,
// answered with the test's answer.
extern "C" __declspec(dllexport) uint64_t
    __cdecl TestPluginWindowText(uint32_t windowIndex, const wchar_t* text) {
    const RecordedCall call{"NotifyPluginsWindowText", nullptr, WideToNarrow(text ? text : L""), windowIndex};
    CallLog& log = CallLog::Instance();
    log.Add(call);
    return log.Answer ? log.Answer(call) : 0;
}

void InstallAnswers(const ServiceAnswers& answers) {
    CallLog::Instance().Answer = [answers](const RecordedCall& call) -> uint64_t {
        if (call.Service == "NotifyPluginsWindowText") return answers.PluginResult;
        if (call.Service == "RunEventScript") return answers.EventScript;
        if (call.Service == "InsertImageIntoRichEdit") return 0;
        return 0;
    };
}

void ChatViewTest::SetUp() {
    CallLog::Instance().Clear();
    ASSERT_EQ(XmlDocumentOpenText(&config_, kConfig), 1);
    XmlDocumentOpenText(&temp_, "<?xml version=\"1.0\" ?><root />");
    UserConfigDocument = &config_;
    TempDocument = &temp_;
    CustomViewMode = 0;
    GroupChatMessages = 0;
    TickerWindow = nullptr;

    resources_ = LoadLibraryW(BesideTestProgram(L"views_test_resources.dll").c_str());
    FreeLangStrings();
    LanguageModule = resources_;
    ResourceModule = resources_;
    DestroySmileyMenu();

    PrepareLinePrinter();
    // One host for all tests: destroying a top-level window under Wine takes seconds.
    static HWND sharedHost = CreateHostWindow(L"Brindlex view test");
    host_ = sharedHost;
    ASSERT_NE(host_, nullptr);
    view_ = CreateTestRichEdit(host_);
    ASSERT_NE(view_, nullptr);
    // The control's own default is the bold system font; chat views get a configured font.
    SendMessageW(view_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SetForegroundWindow(host_);
    MainWindow = host_;
    PumpMessages();

    connection_ = std::make_unique<ServerConnection>();
    connection_->OwnNick = "me";
    server_ = AddRecord(kServerWindow, nullptr, "irc.example.net", nullptr, nullptr);
    server_->Connection = connection_.get();
    channel_ = AddRecord(kChannelWindow, server_, "#test", host_, view_);
}

void ChatViewTest::LoadTestPlugin() {
    SetPluginPaths({BesideTestProgram(L"test_plugin_a.dll")});
    LoadPlugins();
    ASSERT_EQ(PluginCount(), 1u);
}

void ChatViewTest::TearDown() {
    UnloadPlugins(0xFFFFFFFF);
    SetPluginPaths({});
    for (auto& r : records_) EraseWindowRecord(r.get());
    records_.clear();
    CallLog::Instance().Clear();
    DestroySmileyMenu();
    if (view_) DestroyWindow(view_);
    MainWindow = nullptr;
    PumpMessages();
    UserConfigDocument = nullptr;
    TempDocument = nullptr;
    FreeLangStrings();
    LanguageModule = nullptr;
    ResourceModule = nullptr;
    if (resources_) FreeLibrary(resources_);
}

void ChatViewTest::SetConfig(const char* section, const char* key, const char* value) {
    XmlWriteProfileString(section, key, value, nullptr, &config_);
}

void ChatViewTest::SetConfig(const char* section, const char* key, int value) {
    XmlWriteProfileInt(section, key, value, nullptr, &config_);
}

void ChatViewTest::SetEventScript(const char* name, const char* script) {
    XmlDocumentWriteLock lock(&config_);
    XmlElement* root = XmlDocumentGetRoot(&config_);
    XmlElement* events = XmlElementFindChild(root, "Special_Scripts");
    if (!events) events = XmlElementAddNewChild(root, "Special_Scripts");
    XmlElement* entry = XmlElementAddNewChild(events, "e");
    XmlElementAddVariable(entry, "name", name);
    XmlElementAddCData(entry, script);
}

WindowRecord* ChatViewTest::AddRecord(uint32_t type, WindowRecord* server, const char* name, HWND window,
                                      HWND view) {
    records_.push_back(std::make_unique<WindowRecord>(window, type, server));
    WindowRecord* record = records_.back().get();
    record->Name = name;
    record->View = view;
    InsertWindowRecord(record);
    return record;
}

LONG ChatViewTest::Find(const std::wstring& text) const {
    size_t at = ViewText().find(text);
    return at == std::wstring::npos ? -1 : static_cast<LONG>(at);
}
