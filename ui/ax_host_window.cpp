// The window procedure of "AX": it makes the site, hands the owner's messages to it and lets go
// of the control when the window goes.
#include "ui/ax_host.h"
#include "ui/ax_host_site.h"

#include "common/window_helpers.h"

#include <string>

namespace {

constexpr int kMaxClassText = 1000;

AxHostSite* SiteOf(HWND window) {
    return reinterpret_cast<AxHostSite*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

std::wstring ClassText(HWND window) {
    std::wstring text = GetWindowTextString(window);
    if (text.size() > kMaxClassText) text.resize(kMaxClassText);
    return text;
}

// The window holds one reference to its site from here until WM_DESTROY.
bool StartSite(HWND window, const std::wstring& text, IUnknown* existing) {
    CLSID clsid{};
    if (FAILED(CLSIDFromString(text.c_str(), &clsid))) {
        if (!existing) return false;
        clsid = CLSID_NULL;
    }
    auto* site = new AxHostSite(window, GetParent(window));
    site->AddRef();
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(site));
    if (site->CreateControl(clsid, existing)) return true;
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    site->Close();
    site->Release();
    return false;
}

void NotifyParentOfSize(HWND window) {
    NMHDR header{};
    header.hwndFrom = window;
    header.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(window));
    header.code = kAxHostResized;
    if (HWND parent = GetParent(window))
        SendMessageW(parent, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

LRESULT AxHostMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    AxHostSite* site = SiteOf(window);
    switch (message) {
        case WM_CREATE: {
            const std::wstring text = ClassText(window);
            if (!text.empty() && text[0] == L'}') return 0; // hosts what AX_CREATE_DEFERRED brings
            return StartSite(window, text, nullptr) ? 0 : -1;
        }
        case AX_CREATE_DEFERRED: {
            if (site || !lParam) return 0;
            std::wstring text = ClassText(window);
            if (!text.empty() && text[0] == L'}') text[0] = L'{';
            return StartSite(window, text, reinterpret_cast<IUnknown*>(lParam)) ? 1 : 0;
        }
        case WM_DESTROY:
            if (site) {
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                site->Close();
                site->Release();
            }
            return 1;
        case AX_QUERY_INTERFACE: {
            void** out = reinterpret_cast<void**>(lParam);
            if (!out) return E_POINTER;
            *out = nullptr;
            if (!site || !wParam) return E_NOINTERFACE;
            return site->QueryControl(*reinterpret_cast<const IID*>(wParam), out);
        }
        case AX_ACTIVATE: return site ? site->Activate(wParam != 0, lParam != 0) : 0;
        case AX_GET_SITE: return reinterpret_cast<LRESULT>(site);
        case AX_CONNECT_EVENTS:
            if (site && wParam && lParam)
                site->ConnectEvents(*reinterpret_cast<const IID*>(wParam),
                                    reinterpret_cast<AxEventConnection*>(lParam));
            return 0;
        case AX_DISCONNECT_EVENTS:
            if (site) site->DisconnectEvents();
            return 0;
        case AX_DATA_ADVISE: return site ? site->DataAdvise(wParam, static_cast<DWORD>(lParam)) : 0;
        case AX_FORWARD_COMMANDS:
            if (!site) return 0;
            site->CommandWindow = reinterpret_cast<HWND>(wParam);
            return 1;
        case AX_NOTIFY_EVENTS:
            if (!site) return 0;
            site->NotifyWindow = reinterpret_cast<HWND>(wParam);
            site->NotifyMessage = static_cast<UINT>(lParam);
            return 1;
        case AX_SET_SERVICE_PROVIDER:
            if (!site) return 0;
            site->SetServiceProvider(reinterpret_cast<IServiceProvider*>(lParam));
            return 1;
        case AX_SET_EVENT_CALLBACK:
            if (!site) return 0;
            site->EventCallback = reinterpret_cast<AxEventCallback>(wParam);
            return 1;
        case WM_COMMAND:
            if (site && site->CommandWindow)
                return SendMessageW(site->CommandWindow, WM_COMMAND, wParam, lParam);
            break;
        case WM_LBUTTONDBLCLK: PostMessageW(window, AX_ACTIVATE, 1, 0); return 0;
        case WM_SIZE: {
            NotifyParentOfSize(window);
            const LRESULT result = DefWindowProcW(window, message, wParam, lParam);
            if (site) site->Resize();
            return result;
        }
        default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK AxHostWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return GuardedWindowProc<AxHostMessage>(window, message, wParam, lParam);
}

} // namespace

ATOM RegisterAxHostClass() {
    WNDCLASSEXW host{};
    host.cbSize = sizeof host;
    host.style = CS_GLOBALCLASS | CS_DBLCLKS;
    host.lpfnWndProc = AxHostWndProc;
    host.cbWndExtra = 8;
    host.hInstance = GetModuleHandleW(nullptr);
    host.lpszClassName = kAxHostClass;
    return RegisterClassExW(&host);
}

bool AxSetNavigationCallback(HWND host, AxNavigationCallback callback) {
    auto* site = reinterpret_cast<AxHostSite*>(SendMessageW(host, AX_GET_SITE, 0, 0));
    if (!site) return false;
    site->NavigationCallback = callback;
    return true;
}
