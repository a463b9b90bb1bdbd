#include "shell/windows/start_panel.h"

#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/shell_helpers.h"
#include "common/tray_icon.h"
#include "common/xstring.h"
#include "core/frame_handles.h"
#include "core/resource_library.h"
#include "ui/ax_host.h"

#include <exdisp.h>
#include <exdispid.h>

#include <atomic>
#include <string>

namespace {

constexpr wchar_t kWebBrowserClsid[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";
constexpr int kPanelLeft = 200;

// Written and read on the interface thread only.
bool PageShown = false;
bool Failed = false;
std::atomic<bool> FailureSaid{false};

HRESULT RunPageCommand(const char* address, AxHostSite*) {
    WhatsNewCommandCallback(NarrowToWide(std::string(address), CP_ACP).c_str());
    return S_OK;
}

std::wstring PageAddress() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(ResourceModule.load(), path, MAX_PATH);
    return L"res://" + std::wstring(path) + L"/whatsnew";
}

bool Navigate(HWND host) {
    IWebBrowser2* browser = nullptr;
    SendMessageW(host, AX_QUERY_INTERFACE, reinterpret_cast<WPARAM>(&IID_IWebBrowser2),
                 reinterpret_cast<LPARAM>(&browser));
    if (!browser) return false;
    VARIANT none;
    VariantInit(&none);
    BSTR address = SysAllocString(PageAddress().c_str());
    const HRESULT result = browser->Navigate(address, &none, &none, &none, &none);
    SysFreeString(address);
    browser->Release();
    return SUCCEEDED(result);
}

} // namespace

bool OpenStartPanel(HWND frame) {
    if (StartPanelWindow.load()) return true;
    if (Failed) return false;
    RECT client{};
    GetClientRect(frame, &client);
    HWND host = CreateWindowExW(0, kAxHostClass, kWebBrowserClsid, WS_CHILD | WS_VISIBLE, kPanelLeft, 0,
                                client.right - kPanelLeft, client.bottom, frame, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!host) {
        PostMessageW(frame, WM_START_PANEL_FAILED, 0, 0);
        Failed = true;
        return false;
    }
    StartPanelWindow = host;
    PageShown = false;
    SendMessageW(host, AX_ACTIVATE, 1, 0);
    AxEventConnection events;
    events.Interface = DIID_DWebBrowserEvents2;
    SendMessageW(host, AX_CONNECT_EVENTS, reinterpret_cast<WPARAM>(&DIID_DWebBrowserEvents2),
                 reinterpret_cast<LPARAM>(&events));
    SendMessageW(host, AX_NOTIFY_EVENTS, reinterpret_cast<WPARAM>(frame), WM_START_PANEL_EVENT);
    AxSetNavigationCallback(host, &RunPageCommand);
    SendMessageW(frame, WM_SIZE, 0, 0);
    if (!Navigate(host)) {
        PostMessageW(frame, WM_START_PANEL_FAILED, 0, 0);
        return false;
    }
    SendMessageW(frame, WM_SIZE, 0, 0);
    return StartPanelWindow.load() != nullptr;
}

bool HandleStartPanelMessage(HWND frame, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_START_PANEL_EVENT) {
        const auto* event = reinterpret_cast<const AxEvent*>(lParam);
        if (event && event->DispId == DISPID_DOCUMENTCOMPLETE) PageShown = true;
        // The page itself could not be shown (no HTML engine behind the control): the panel goes,
        // after the browser has finished the event.
        if (event && event->DispId == DISPID_NAVIGATEERROR && !PageShown) {
            Failed = true;
            PostMessageW(frame, WM_START_PANEL_FAILED, 0, 0);
        }
        return true;
    }
    if (message == WM_START_PANEL_FAILED) {
        Failed = true;
        CloseStartPanel();
        SendMessageW(frame, WM_SIZE, 0, 0);
        if (!FailureSaid.exchange(true))
            ShowTrayBalloon(L"Brindlex", GetLangString(kEngineMissingText), false, nullptr, NIIF_INFO);
        return true;
    }
    return false;
}

void CloseStartPanel() {
    if (HWND panel = StartPanelWindow.exchange(nullptr)) DestroyWindow(panel);
}
