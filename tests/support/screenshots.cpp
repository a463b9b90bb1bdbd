#include "tests/support/screenshots.h"

#include "common/xstring.h"
#include "tests/support/test_files.h"

#include <objidl.h>

#include <gdiplus.h>

#include <cwchar>
#include <cstdint>
#include <vector>

std::wstring ScreenshotFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    folder.erase(folder.find_last_of(L"\\/"));     // bin
    folder.erase(folder.find_last_of(L"\\/") + 1); // the build folder
    folder += L"screenshots";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

HBITMAP CopyScreenArea(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

std::vector<uint32_t> ScreenPixels(const RECT& rect) {
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<uint32_t> pixels;
    if (width <= 0 || height <= 0) return pixels;
    HBITMAP copy = CopyScreenArea(rect);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    pixels.resize(static_cast<size_t>(width) * height);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, copy, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    DeleteObject(copy);
    for (uint32_t& pixel : pixels) pixel &= 0xFFFFFF;
    return pixels;
}

bool WaitUntilDrawn(HWND window, DWORD timeoutMs) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    std::vector<uint32_t> last;
    while (GetTickCount64() < end) {
        RECT rect{};
        GetWindowRect(window, &rect);
        std::vector<uint32_t> now = ScreenPixels(rect);
        if (!now.empty() && now == last) return true;
        last = std::move(now);
        Sleep(50);
    }
    return false;
}

bool SaveBitmapAsPng(HBITMAP bitmap, const std::wstring& path) {
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return false;
    bool saved = false;
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<unsigned char> buffer(size);
    auto* encoders = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    Gdiplus::GetImageEncoders(count, size, encoders);
    for (UINT i = 0; i < count; ++i) {
        if (wcscmp(encoders[i].MimeType, L"image/png") != 0) continue;
        Gdiplus::Bitmap image(bitmap, nullptr);
        saved = image.Save(path.c_str(), &encoders[i].Clsid, nullptr) == Gdiplus::Ok;
        break;
    }
    Gdiplus::GdiplusShutdown(token);
    return saved;
}

bool RunHostShell(const std::string& command) {
    // Wine starts host programs only through start.exe, which does not wait for them.
    std::wstring line = L"start.exe /unix /bin/sh -c \"" + NarrowToWide(command) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    WaitForSingleObject(process.hProcess, 10000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

namespace {

// Under Wine a copy of the screen shows other programs' windows black, so the picture is taken
// from the X display by the host's tools; false when there is no host. Wine gives its windows a
// colormap of their own, and xwd, which reads every area of one colormap through the lowest
// window that has it, shows a dialog lying wholly over the frame as black; ImageMagick's import
// reads each window through its own colormap, as the display shows them.
bool SaveHostScreenshot(const RECT& rect, const std::wstring& path) {
    const std::string target = UnixPath(path);
    if (target.empty()) return false;
    DeleteFileW(path.c_str());
    const LONG left = rect.left > 0 ? rect.left : 0, top = rect.top > 0 ? rect.top : 0;
    const std::string crop = std::to_string(rect.right - left) + "x" + std::to_string(rect.bottom - top) +
                             "+" + std::to_string(left) + "+" + std::to_string(top);
    RunHostShell("/usr/bin/import -silent -window root -crop " + crop + " +repage png:'" + target +
                 ".part' && mv '" + target + ".part' '" + target + "'");
    for (int i = 0; i < 400; ++i) {
        if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        Sleep(50);
    }
    return false;
}

} // namespace

bool SaveScreenshot(HWND window, const std::wstring& path) {
    RECT rect{};
    GetWindowRect(window, &rect);
    return SaveScreenAreaShot(rect, path);
}

bool SaveScreenAreaShot(const RECT& rect, const std::wstring& path) {
    if (rect.right <= rect.left || rect.bottom <= rect.top) return false;
    if (SaveHostScreenshot(rect, path)) return true;
    HBITMAP bitmap = CopyScreenArea(rect);
    const bool saved = SaveBitmapAsPng(bitmap, path);
    DeleteObject(bitmap);
    return saved;
}
