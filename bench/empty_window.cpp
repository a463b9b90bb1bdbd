// The yardstick for qv's benchmarks: a plain Win32 program with a maximised MDI frame and, when a
// number is given, that many empty MDI child windows; with "rich" after the number each child
// holds one empty Rich Edit view, the bare control a chat window shows its lines in.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <cwchar>

namespace {

HWND Client = nullptr;
bool RichViews = false;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefFrameProcW(window, Client, message, wParam, lParam);
}

LRESULT CALLBACK ChildProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE && RichViews)
        CreateWindowExW(0, L"RichEdit20W", L"",
                        WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 100, 100,
                        window, reinterpret_cast<HMENU>(1), nullptr, nullptr);
    if (message == WM_SIZE)
        if (HWND view = GetDlgItem(window, 1)) MoveWindow(view, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
    return DefMDIChildProcW(window, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    // The same common controls as qv, so the comparison holds what every such program pays.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const int children = _wtoi(commandLine);
    RichViews = wcsstr(commandLine, L"rich") != nullptr;
    if (RichViews) LoadLibraryW(L"riched20.dll");
    WNDCLASSW frame{};
    frame.lpfnWndProc = FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.lpszClassName = L"BrindlexEmptyWindow";
    RegisterClassW(&frame);
    WNDCLASSW child{};
    child.lpfnWndProc = ChildProc;
    child.hInstance = instance;
    child.lpszClassName = L"BrindlexEmptyChild";
    RegisterClassW(&child);
    HWND window = CreateWindowExW(0, L"BrindlexEmptyWindow", L"Empty", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr,
                                  nullptr, instance, nullptr);
    CLIENTCREATESTRUCT create{nullptr, 1000};
    Client = CreateWindowExW(0, L"MDICLIENT", L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 400, 400,
                             window, nullptr, instance, &create);
    for (int i = 0; i < children; ++i)
        CreateMDIWindowW(L"BrindlexEmptyChild", L"child", RichViews ? WS_MAXIMIZE : 0, CW_USEDEFAULT,
                         CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Client, instance, 0);
    ShowWindow(window, SW_MAXIMIZE);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
