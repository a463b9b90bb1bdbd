#include "common/app_state.h"

std::atomic<HWND> MainWindow{nullptr};
std::atomic<DWORD> UiThreadId{0};
DWORD WindowsMajorVersion = 0;
DWORD WindowsMinorVersion = 0;
std::atomic<HMODULE> LanguageModule{nullptr};
HICON ProgramIcon = nullptr;
std::atomic<uint32_t> DefaultCodePage{0};

void NoteInterfaceThread() {
    UiThreadId = GetCurrentThreadId();
    // GetVersionEx lies to programs without a manifest; ntdll tells the truth.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto rtlGetVersion = ntdll ? reinterpret_cast<RtlGetVersionFn>(
                                     reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                               : nullptr;
    if (rtlGetVersion && rtlGetVersion(&info) == 0) {
        WindowsMajorVersion = info.dwMajorVersion;
        WindowsMinorVersion = info.dwMinorVersion;
    }
}

bool OnInterfaceThread() {
    return GetCurrentThreadId() == UiThreadId.load();
}
