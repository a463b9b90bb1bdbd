#include "update/update_page.h"

#include "update/update_dialog.h"

#include <exdisp.h>

#include <cstdio>
#include <string>

namespace {

constexpr wchar_t kHostClass[] = L"AX";
constexpr wchar_t kWebBrowserClsid[] = L"{8856F961-340A-11D0-A96B-00C04FD705A2}";
constexpr UINT kHostQueryInterface = 1025;
constexpr UINT kHostActivate = 1026;

// The page text goes to a file of its own in the temporary folder, which the browser opens.
std::wstring WritePageFile(const char* text, size_t length) {
    wchar_t folder[MAX_PATH] = {};
    wchar_t name[MAX_PATH] = {};
    if (!GetTempPathW(MAX_PATH, folder) || !GetTempFileNameW(folder, L"u", 0, name)) return std::wstring();
    DeleteFileW(name);
    const std::wstring path = std::wstring(name) + L".html";
    std::FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) return std::wstring();
    const bool written = std::fwrite(text, 1, length, file) == length;
    std::fclose(file);
    return written ? path : std::wstring();
}

bool Navigate(HWND host, const std::wstring& path) {
    IWebBrowser2* browser = nullptr;
    SendMessageW(host, kHostQueryInterface, reinterpret_cast<WPARAM>(&IID_IWebBrowser2),
                 reinterpret_cast<LPARAM>(&browser));
    if (!browser) return false;
    VARIANT none;
    VariantInit(&none);
    BSTR address = SysAllocString(path.c_str());
    const HRESULT result = browser->Navigate(address, &none, &none, &none, &none);
    SysFreeString(address);
    browser->Release();
    return SUCCEEDED(result);
}

} // namespace

bool ShowUpdatePage(HWND dialog, const UpdateJob& job) {
    size_t length = 0;
    while (length < sizeof job.PageText && job.PageText[length]) ++length;
    HWND placeholder = GetDlgItem(dialog, kUpdatePagePlaceholder);
    if (!placeholder || length == 0) return false;
    RECT area{};
    GetWindowRect(placeholder, &area);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&area), 2);
    HWND host = CreateWindowExW(0, kHostClass, kWebBrowserClsid, WS_CHILD | WS_VISIBLE, area.left, area.top,
                                area.right - area.left, area.bottom - area.top, dialog, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!host) return false;
    SendMessageW(host, kHostActivate, 1, 0);
    const std::wstring path = WritePageFile(job.PageText, length);
    if (path.empty() || !Navigate(host, path)) {
        DestroyWindow(host);
        DeleteFileW(path.c_str());
        return false;
    }
    DestroyWindow(placeholder);
    SetWindowLongPtrW(host, GWLP_ID, kUpdatePagePlaceholder);
    return true;
}
