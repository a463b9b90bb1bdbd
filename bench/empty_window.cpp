// The yardstick for qv's benchmark: a plain Win32 program with a maximised MDI frame and, when a
// number is given, that many empty MDI child windows.
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>

namespace {

HWND Client = nullptr;

LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefFrameProcW(window, Client, message, wParam, lParam);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR commandLine, int) {
    // The same common controls as qv, so the comparison holds what every such program pays.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    const int children = _wtoi(commandLine);
    WNDCLASSW frame{};
    frame.lpfnWndProc = FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    frame.lpszClassName = L"BrindlexEmptyWindow";
    RegisterClassW(&frame);
    WNDCLASSW child{};
    child.lpfnWndProc = DefMDIChildProcW;
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
        CreateMDIWindowW(L"BrindlexEmptyChild", L"child", 0, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                         CW_USEDEFAULT, Client, instance, 0);
    ShowWindow(window, SW_MAXIMIZE);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return 0;
}
