#include "common/open_file_dialog.h"

#include <commdlg.h>

std::wstring ChooseFileToOpen(HWND owner, DWORD flags, size_t capacity) {
    std::wstring buffer(capacity, L'\0');
    OPENFILENAMEW choose{};
    choose.lStructSize = sizeof choose;
    choose.hwndOwner = owner;
    choose.lpstrFilter = L"*.*\0*.*\0";
    choose.lpstrFile = buffer.data();
    choose.nMaxFile = static_cast<DWORD>(capacity);
    choose.Flags = flags;
    return GetOpenFileNameW(&choose) ? buffer : std::wstring();
}
