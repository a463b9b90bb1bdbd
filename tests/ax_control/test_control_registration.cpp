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

bool WriteControlObject(const std::wstring& path, const wchar_t* value) {
    IPersistStorage* persist = nullptr;
    if (FAILED(CoCreateInstance(kTestControlClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPersistStorage,
                                reinterpret_cast<void**>(&persist))))
        return false;
    IDispatch* control = nullptr;
    persist->QueryInterface(kTestControlDispatch, reinterpret_cast<void**>(&control));
    if (control) {
        VARIANT text;
        text.vt = VT_BSTR;
        text.bstrVal = SysAllocString(value);
        DISPID put = DISPID_PROPERTYPUT;
        DISPPARAMS params{&text, &put, 1, 1};
        control->Invoke(kDispValue, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
        VariantClear(&text);
        control->Release();
    }
    IStorage* storage = nullptr;
    bool saved = false;
    if (SUCCEEDED(StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0,
                                   &storage))) {
        saved = SUCCEEDED(OleSave(persist, storage, FALSE)) && SUCCEEDED(storage->Commit(STGC_DEFAULT));
        persist->SaveCompleted(nullptr);
        storage->Release();
    }
    persist->Release();
    return saved;
}

bool WriteForeignObject(const std::wstring& path) {
    static const CLSID kForeign = {0x0BAD0BAD, 0x0000, 0x4000, {0x80, 0, 0, 0, 0, 0, 0, 0x01}};
    IStorage* storage = nullptr;
    if (FAILED(
            StgCreateDocfile(path.c_str(), STGM_CREATE | STGM_SHARE_EXCLUSIVE | STGM_READWRITE, 0, &storage)))
        return false;
    const bool written =
        SUCCEEDED(WriteClassStg(storage, kForeign)) && SUCCEEDED(storage->Commit(STGC_DEFAULT));
    storage->Release();
    return written;
}
