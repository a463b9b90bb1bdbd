#include "tests/ax_control/test_control_registration.h"

#include <ole2.h>

std::wstring TestControlPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder.resize(folder.find_last_of(L'\\') + 1);
    return folder + kTestControlDll;
}

bool RegisterTestControl() {
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(system) + L"\\regsvr32.exe\" /s \"" + TestControlPath() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CLSID clsid{};
    return SUCCEEDED(CLSIDFromProgID(L"Brindlex.TestControl", &clsid)) && clsid == kTestControlClsid;
}

long TestControlCount(const char* counterExport) {
    HMODULE control = GetModuleHandleW(kTestControlDll);
    auto counter =
        control ? reinterpret_cast<TestControlCounter>(GetProcAddress(control, counterExport)) : nullptr;
    return counter ? counter() : -1;
}
