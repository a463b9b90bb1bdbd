#include "ui/ribbon.h"

#include <cwchar>
#include <new>

RibbonHost* FrameRibbonHost = nullptr;

namespace {

// The same text the frame registers: one message id for the frame and the ribbon.
constexpr const wchar_t* kRibbonMessageText = L"{3B7C6E2A-58D4-4F1B-9A2E-7D51C08B4E93}";

LRESULT SendRequest(RibbonHost* host, RibbonRequest& request) {
    request.Host = host;
    request.Framework = host->Framework;
    request.Ribbon = host->Ribbon;
    return SendMessageW(host->Owner, RibbonCommandMessage(), reinterpret_cast<WPARAM>(host),
                        reinterpret_cast<LPARAM>(&request));
}

struct FindDock {
    UINT Height = 0;
    HWND Found = nullptr;
};

BOOL CALLBACK FindDockWindow(HWND window, LPARAM parameter) {
    auto* find = reinterpret_cast<FindDock*>(parameter);
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    RECT box{};
    GetWindowRect(window, &box);
    if (_wcsicmp(name, L"UIRibbonCommandBarDock") == 0 &&
        static_cast<UINT>(box.bottom - box.top) == find->Height) {
        find->Found = window;
        return FALSE;
    }
    return TRUE;
}

// A reference-counted object whose count starts at 1 and that frees itself at 0.
template <typename Interface> class CountedObject : public Interface {
public:
    ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&count_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = InterlockedDecrement(&count_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    virtual ~CountedObject() = default;

protected:
    HRESULT Answer(REFIID riid, const IID& own, void** object) {
        if (!object) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, own)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }

private:
    LONG count_ = 1;
};

class CommandHandler final : public CountedObject<IUICommandHandler> {
public:
    CommandHandler(RibbonHost* host, uint32_t id, uint32_t type) : host_(host), id_(id), type_(type) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return Answer(riid, kIidUiCommandHandler, object);
    }
    HRESULT STDMETHODCALLTYPE Execute(UINT32 commandId, int32_t verb, const PROPERTYKEY* key,
                                      const PROPVARIANT* currentValue,
                                      IUISimplePropertySet* executionProperties) override {
        RibbonRequest request;
        request.Id = commandId;
        request.CommandType = type_;
        request.ExecutionVerb = static_cast<uint32_t>(verb);
        request.Key = key;
        request.CurrentValue = currentValue;
        request.ExecutionProperties = executionProperties;
        SendRequest(host_, request);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE UpdateProperty(UINT32 commandId, const PROPERTYKEY& key,
                                             const PROPVARIANT* currentValue,
                                             PROPVARIANT* newValue) override {
        RibbonRequest request;
        request.Id = commandId;
        request.CommandType = type_;
        request.Key = &key;
        request.CurrentValue = currentValue;
        request.NewValue = newValue;
        request.Kind = 1;
        SendRequest(host_, request);
        return S_OK;
    }

private:
    RibbonHost* host_;
    uint32_t id_;
    uint32_t type_;
};

} // namespace

struct RibbonApplication final : public CountedObject<IUIApplication> {
    explicit RibbonApplication(RibbonHost* host) : Host(host) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        return Answer(riid, kIidUiApplication, object);
    }
    HRESULT STDMETHODCALLTYPE OnViewChanged(UINT32 viewId, int32_t typeId, IUnknown* view, int32_t verb,
                                            INT32 reasonCode) override {
        HRESULT result = E_NOTIMPL;
        if (typeId == kUiViewTypeRibbon) {
            if (verb == kUiViewVerbCreate) {
                result = Host->Ribbon || !view
                             ? S_OK
                             : view->QueryInterface(kIidUiRibbon, reinterpret_cast<void**>(&Host->Ribbon));
            } else if (verb == kUiViewVerbDestroy) {
                // The view is going: the reference taken when it was created goes with it.
                if (Host->Ribbon) Host->Ribbon->Release();
                Host->Ribbon = nullptr;
                result = S_OK;
            } else if (verb == kUiViewVerbSize) {
                if (!Host->Ribbon && view)
                    view->QueryInterface(kIidUiRibbon, reinterpret_cast<void**>(&Host->Ribbon));
                FindDock find;
                find.Height = RibbonHeight(Host);
                EnumChildWindows(Host->Owner, FindDockWindow, reinterpret_cast<LPARAM>(&find));
                Host->DockWindow = find.Found;
                result = S_OK;
            }
        }
        RibbonRequest request;
        request.Id = viewId;
        request.ReasonCode = static_cast<uint32_t>(reasonCode);
        request.ViewType = static_cast<uint32_t>(typeId);
        request.ViewVerb = static_cast<uint32_t>(verb);
        request.View = view;
        SendRequest(Host, request);
        return result;
    }
    HRESULT STDMETHODCALLTYPE OnCreateUICommand(UINT32 commandId, int32_t typeId,
                                                IUICommandHandler** handler) override {
        if (!handler) return E_POINTER;
        *handler = new (std::nothrow) CommandHandler(Host, commandId, static_cast<uint32_t>(typeId));
        return *handler ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT STDMETHODCALLTYPE OnDestroyUICommand(UINT32, int32_t, IUICommandHandler*) override {
        return S_OK;
    }

    RibbonHost* Host;
};

UINT RibbonCommandMessage() {
    static const UINT id = RegisterWindowMessageW(kRibbonMessageText);
    return id;
}

void RibbonHostInit(RibbonHost* host, HWND owner) {
    *host = RibbonHost{};
    host->Owner = owner;
}

bool RibbonCreate(RibbonHost* host) {
    host->Application = new (std::nothrow) RibbonApplication(host);
    if (!host->Application) return false;
    host->LastResult = CoCreateInstance(kUiRibbonFrameworkClass, nullptr, 0x17, kIidUiFramework,
                                        reinterpret_cast<void**>(&host->Framework));
    if (SUCCEEDED(host->LastResult) && host->Framework)
        host->LastResult = host->Framework->Initialize(host->Owner, host->Application);
    if (SUCCEEDED(host->LastResult) && host->Framework) return true;
    RibbonDestroy(host);
    return false;
}

bool RibbonLoad(RibbonHost* host, HINSTANCE module, const wchar_t* resourceName) {
    if (!host->Framework) return false;
    if (host->Loaded) RibbonUnload(host);
    host->LastResult = host->Framework->LoadUI(module, resourceName);
    if (FAILED(host->LastResult)) return false;
    host->Loaded = 1;
    return true;
}

void RibbonUnload(RibbonHost* host) {
    if (host->Ribbon) host->Ribbon->Release();
    host->Ribbon = nullptr;
    if (host->Loaded && host->Framework) host->Framework->Destroy();
    host->Loaded = 0;
}

void RibbonDestroy(RibbonHost* host) {
    RibbonUnload(host);
    if (host->Framework) host->Framework->Release();
    host->Framework = nullptr;
    if (host->Application) host->Application->Release();
    host->Application = nullptr;
}

void RibbonInvalidateContext(RibbonHost* host, uint32_t commandId) {
    if (host && host->Framework)
        host->Framework->InvalidateUICommand(commandId, kUiInvalidationsProperty, &kUiKeyContextAvailable);
}

void RibbonInvalidateContext(uint32_t commandId) {
    RibbonInvalidateContext(FrameRibbonHost, commandId);
}

bool RibbonIsAvailable() {
    IUIFramework* framework = nullptr;
    if (FAILED(CoCreateInstance(kUiRibbonFrameworkClass, nullptr, 0x17, kIidUiFramework,
                                reinterpret_cast<void**>(&framework))) ||
        !framework)
        return false;
    framework->Release();
    return true;
}

HWND RibbonDockWindow(const RibbonHost* host) {
    return host ? host->DockWindow : nullptr;
}

uint32_t RibbonHeight(RibbonHost* host) {
    UINT32 height = 0;
    if (host && host->Ribbon && FAILED(host->Ribbon->GetHeight(&height))) height = 0;
    return height;
}
