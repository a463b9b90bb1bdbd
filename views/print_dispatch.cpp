#include "views/print_dispatch.h"

#include <cwchar>
#include <map>

namespace {

constexpr UINT kRunPrintMessage = WM_USER + 1;
constexpr const wchar_t* kDispatcherClass = L"BrindlexLinePrinter";

SRWLOCK g_dispatchersLock = SRWLOCK_INIT;
std::map<DWORD, HWND> g_dispatchers; // by owning thread

LRESULT CALLBACK DispatcherProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunPrintMessage) {
        try {
            (*reinterpret_cast<const std::function<void()>*>(lParam))();
        } catch (...) {
            // The print is lost; the sender goes on.
        }
        return 1;
    }
    if (message == WM_DESTROY) {
        AcquireSRWLockExclusive(&g_dispatchersLock);
        auto found = g_dispatchers.find(GetCurrentThreadId());
        if (found != g_dispatchers.end() && found->second == window) g_dispatchers.erase(found);
        ReleaseSRWLockExclusive(&g_dispatchersLock);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterDispatcherClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DispatcherProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kDispatcherClass;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

HWND DispatcherOf(DWORD thread) {
    AcquireSRWLockShared(&g_dispatchersLock);
    auto found = g_dispatchers.find(thread);
    HWND window = found == g_dispatchers.end() ? nullptr : found->second;
    ReleaseSRWLockShared(&g_dispatchersLock);
    return window;
}

} // namespace

void PrepareLinePrinter() {
    DWORD thread = GetCurrentThreadId();
    if (DispatcherOf(thread) || !RegisterDispatcherClass()) return;
    HWND window = CreateWindowExW(0, kDispatcherClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    if (!window) return;
    AcquireSRWLockExclusive(&g_dispatchersLock);
    g_dispatchers[thread] = window;
    ReleaseSRWLockExclusive(&g_dispatchersLock);
}

bool RunOnViewOwner(HWND control, const std::function<void()>& print) {
    DWORD owner = GetWindowThreadProcessId(control, nullptr);
    if (owner == 0 || owner == GetCurrentThreadId()) return false;
    HWND dispatcher = DispatcherOf(owner);
    // A handle left by a thread that ended may belong to another window by now.
    if (!dispatcher || GetWindowThreadProcessId(dispatcher, nullptr) != owner) return false;
    wchar_t className[64] = {};
    GetClassNameW(dispatcher, className, 64);
    if (wcscmp(className, kDispatcherClass) != 0) return false;
    return SendMessageW(dispatcher, kRunPrintMessage, 0, reinterpret_cast<LPARAM>(&print)) == 1;
}
