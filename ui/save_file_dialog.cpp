#include "ui/save_file_dialog.h"

#include "common/app_state.h"
#include "core/interface_thread_call.h"

#include <windows.h>
#include <commdlg.h>

#include <vector>

bool ui::PromptSaveFileName(const std::wstring& folder, const std::wstring& filter, std::wstring& path) {
    // The dialog is the interface thread's window; a command on another thread waits for it there.
    if (!OnInterfaceThread() && MainWindow.load())
        return AskOnInterfaceThread([&] { return ui::PromptSaveFileName(folder, filter, path); }, false);
    constexpr size_t kNameChars = 1000;
    std::vector<wchar_t> name(kNameChars, L'\0');
    const std::wstring start = path.substr(path.find_last_of(L'\\') + 1).substr(0, kNameChars - 1);
    start.copy(name.data(), start.size());
    // The filter as pairs of label and pattern, ended by an empty one.
    std::wstring filters = filter + L'\0' + filter + L'\0' + L'\0';
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = MainWindow.load();
    dialog.lpstrFilter = filters.c_str();
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(kNameChars);
    dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameW(&dialog)) return false;
    path = name.data();
    return true;
}
