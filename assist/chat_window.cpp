// The session's chat window: the conversation above, one input line below; Enter sends the line
// over the "chat" channels.
#include "assist/assist_session.h"

#include "common/rich_edit_helpers.h"
#include "common/window_helpers.h"

#include <algorithm>
#include <string>

namespace {

constexpr wchar_t kChatClass[] = L"QDS2_CHAT_CLASS";
constexpr int kOutputId = 900;
constexpr int kInputId = 901;
// The notification code the input sends its parent for Enter.
constexpr UINT kInputEnter = static_cast<UINT>(-199);

WNDPROC PreviousInputProc = nullptr;

LRESULT InputProcBody(HWND input, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CHAR && (wParam == 13 || wParam == 10)) {
        NMHDR header{GetParent(input), 0, kInputEnter};
        SendMessageW(GetParent(input), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
        return 0;
    }
    return CallWindowProcW(PreviousInputProc, input, message, wParam, lParam);
}

void AppendLine(HWND window, const wchar_t* prefix, std::wstring text) {
    if (text.size() > kChatTextLimit) text.resize(kChatTextLimit);
    const std::wstring line = prefix + text + L"\r\n";
    RichEditAppendText(GetDlgItem(window, kOutputId), line.c_str(), false, false);
}

void SendInputLine(HWND window, AssistSession& session) {
    HWND output = GetDlgItem(window, kOutputId);
    HWND input = GetDlgItem(window, kInputId);
    RichEditScrollToEnd(output);
    std::wstring text(kChatTextLimit + 1, L'\0');
    text.resize(GetWindowTextW(input, text.data(), static_cast<int>(text.size())));
    SetWindowTextW(input, L"");
    const bool sent = SendOnSessionChannels(session, L"chat", reinterpret_cast<const uint8_t*>(text.data()),
                                            static_cast<uint32_t>(text.size() * sizeof(wchar_t)));
    if (sent) AppendLine(window, L"<Local> ", text);
}

void ShowRemoteText(HWND window, uint32_t length, const uint8_t* bytes) {
    if (!bytes || length == 0) return;
    std::wstring text(std::min<size_t>(length / sizeof(wchar_t), kChatTextLimit), L'\0');
    std::copy_n(bytes, text.size() * sizeof(wchar_t), reinterpret_cast<uint8_t*>(text.data()));
    text.resize(wcsnlen(text.c_str(), text.size()));
    AppendLine(window, L"<Remote> ", text);
}

void LayOut(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int outputHeight = client.bottom * 9 / 10;
    MoveWindow(GetDlgItem(window, kOutputId), 0, 0, client.right, outputHeight, TRUE);
    MoveWindow(GetDlgItem(window, kInputId), 0, outputHeight, client.right, client.bottom - outputHeight,
               TRUE);
}

void CreateChildren(HWND window) {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND output = CreateWindowExW(0, L"RichEdit20W", L"",
                                  WS_CHILD | WS_VISIBLE | WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY,
                                  0, 0, 0, 0, window, reinterpret_cast<HMENU>(kOutputId), instance, nullptr);
    HWND input = CreateWindowExW(0, L"RichEdit20W", L"", WS_CHILD | WS_VISIBLE | WS_BORDER | ES_AUTOHSCROLL,
                                 0, 0, 0, 0, window, reinterpret_cast<HMENU>(kInputId), instance, nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    SendMessageW(output, WM_SETFONT, font, FALSE);
    SendMessageW(input, WM_SETFONT, font, FALSE);
    PreviousInputProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(input, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(GuardedWindowProc<InputProcBody>)));
}

LRESULT ChatProcBody(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* session = reinterpret_cast<AssistSession*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_CREATE:
            session = static_cast<AssistSession*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(session));
            CreateChildren(window);
            return 0;
        case WM_SIZE: LayOut(window); return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) SetFocus(GetDlgItem(window, kInputId));
            return 0;
        case WM_NOTIFY:
            if (session && reinterpret_cast<NMHDR*>(lParam)->code == kInputEnter)
                SendInputLine(window, *session);
            return 0;
        case WM_ASSIST_CHAT_TEXT:
            ShowRemoteText(window, static_cast<uint32_t>(wParam), reinterpret_cast<uint8_t*>(lParam));
            return 0;
        case WM_CLOSE: DestroyWindow(window); return 0;
        case WM_DESTROY:
            if (session) session->ChatWindowHandle = nullptr;
            return 0;
        default: return DefWindowProcW(window, message, wParam, lParam);
    }
}

void RegisterChatClass() {
    static const bool registered = [] {
        LoadLibraryW(L"RICHED20.DLL");
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = GuardedWindowProc<ChatProcBody>;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        windowClass.lpszClassName = kChatClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

} // namespace

HWND ChatWindow(AssistSession& session) {
    if (session.ChatWindowHandle) return session.ChatWindowHandle;
    RegisterChatClass();
    session.ChatWindowHandle = CreateWindowExW(0, kChatClass, L"Chat", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                               nullptr, nullptr, GetModuleHandleW(nullptr), &session);
    return session.ChatWindowHandle;
}
