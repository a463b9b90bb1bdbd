// Menu commands that offer pictures, movies, files and controls to a window's target as objects.
#include "shell/menus/menu_command_handlers.h"
#include "shell/menus/menu_command_table.h"

#include "commands/input_dispatcher.h"
#include "common/command_ids.h"
#include "common/rich_edit_helpers.h"
#include "common/xstring.h"
#include "core/window_record.h"
#include "peer/embedded_objects.h"
#include "peer/pictures.h"
#include "ui/object_dialog.h"

#include <commdlg.h>

#include <string>

namespace {

// Explorer style, existing files only, no read-only box, the current folder left alone.
constexpr DWORD kOpenFlags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;

// The file the user picks with the filter ("*.JPG;*.PNG"); empty when cancelled.
std::wstring PickFile(HWND owner, const wchar_t* pattern) {
    std::wstring filter = pattern;
    filter += L'\0';
    filter += pattern;
    filter += L'\0';
    wchar_t path[MAX_PATH] = {};
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = owner;
    open.lpstrFilter = filter.c_str();
    open.lpstrFile = path;
    open.nMaxFile = MAX_PATH;
    open.Flags = kOpenFlags;
    return GetOpenFileNameW(&open) ? std::wstring(path) : std::wstring();
}

} // namespace

// A picture also shows in the window's own view, a movie plays there.
void OfferObjectFile(const MenuCommand& command) {
    WindowRecord* record = command.Window;
    const uint32_t id = command.Id;
    const wchar_t* pattern = id == ID_SEND_PICTURE ? L"*.JPG;*.PNG" : id == ID_SEND_MOVIE ? L"*.SWF" : L"*.*";
    const std::wstring path = PickFile(record->Window, pattern);
    if (path.empty()) return;
    commands::ProcessInputLine(("/sendobject " + record->Name + " " + WideToNarrow(path)).c_str(), record);
    if (id == ID_SEND_PICTURE && record->View) {
        // At the end of the view, never over text the user has selected there.
        RichEditScrollToEnd(record->View);
        HBITMAP picture = peer::LoadPictureFile(path);
        if (picture && peer::InsertImageIntoRichEdit(record->View, picture) != 0) DeleteObject(picture);
    } else if (id == ID_SEND_MOVIE) {
        peer::InsertFlashObject(record, path, 0xFFFFFFFF);
    }
}

void InsertActiveXControl(const MenuCommand& command) {
    InsertActiveXObject(command.Window);
}
