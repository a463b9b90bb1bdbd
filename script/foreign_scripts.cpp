#include "script/foreign_scripts.h"

#include "common/app_state.h"
#include "core/client_services.h"
#include "core/script_mode.h"
#include "core/window_record.h"
#include "script/script_control.h"
#include "script/script_interpreter.h"

#include <oleauto.h>

#include <cwchar>
#include <string>

namespace {

// A BSTR that frees itself.
class OwnedBstr {
public:
    explicit OwnedBstr(const wchar_t* text)
        : value_(SysAllocStringLen(text, static_cast<UINT>(std::wcslen(text)))) {}
    ~OwnedBstr() { SysFreeString(value_); }
    OwnedBstr(const OwnedBstr&) = delete;
    OwnedBstr& operator=(const OwnedBstr&) = delete;
    BSTR Get() const { return value_; }

private:
    BSTR value_;
};

void RunWithControl(IScriptControl* control, const wchar_t* language, const wchar_t* code) {
    control->Reset();
    control->put_State(kScriptControlInitialized);
    control->put_AllowUI(VARIANT_TRUE);
    control->put_SitehWnd(static_cast<long>(reinterpret_cast<LONG_PTR>(MainWindow.load())));
    OwnedBstr languageName(language);
    control->put_Language(languageName.Get());
    OwnedBstr text(code);
    if (FAILED(control->AddCode(text.Get()))) return;
    SAFEARRAY* parameters = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    if (!parameters) return;
    VARIANT result;
    VariantInit(&result);
    OwnedBstr main(L"main");
    control->Run(main.Get(), &parameters, &result);
    VariantClear(&result);
    SafeArrayDestroy(parameters);
}

} // namespace

LRESULT RunActiveXScript(const wchar_t* language, const wchar_t* code) {
    if (!language || !code) return 0;
    IScriptControl* control = nullptr;
    if (FAILED(CoCreateInstance(kScriptControlClass, nullptr, CLSCTX_ALL, kScriptControlInterface,
                                reinterpret_cast<void**>(&control))) ||
        !control)
        return 0;
    RunWithControl(control, language, code);
    control->Release();
    return 0;
}

extern "C" void __cdecl PluginScript(const char* script, char*) {
    if (!script) return;
    try {
        WindowRecord* window = GetActiveWindowRecord();
        if (!window) return;
        std::string result;
        script::ExecuteScript(kScriptLinesMode, window->Server, window, script, "", result, 0);
    } catch (...) {
        // nothing may leave a call from a plug-in
    }
}
