#include "ui/grid_control.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <memory>

namespace {

// Posted to an editor whose edit has ended: it destroys itself once the message that ended the
// edit has run through the system procedure.
constexpr UINT kDestroyEditor = WM_APP + 0x31;
constexpr size_t kTextCapacity = 1000;

struct GridData {
    uint32_t Editing = 0;
    HWND Editor = nullptr;
    uint32_t Row = 0;
    uint32_t Column = 0;
    std::vector<GridCellDef> CellDefs;
    std::vector<GridCellImage> Images;
};

struct BaseClass {
    WNDPROC Proc = nullptr;
    int Extra = 0; // where the class's own pointer sits in the extra bytes
};
BaseClass GridBase, EditBase, ComboBase;

GridData* DataOf(HWND window, const BaseClass& base) {
    return reinterpret_cast<GridData*>(GetWindowLongPtrW(window, base.Extra));
}

const BaseClass& BaseOfEditor(HWND editor) {
    wchar_t name[32] = {};
    GetClassNameW(editor, name, 32);
    return lstrcmpiW(name, kGridComboClass) == 0 ? ComboBase : EditBase;
}

LRESULT Notify(HWND grid, int code, int row, int column, wchar_t* text, LPARAM lParam) {
    NMLVDISPINFOW info{};
    info.hdr.hwndFrom = grid;
    info.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(grid));
    info.hdr.code = static_cast<UINT>(code);
    info.item.iItem = row;
    info.item.iSubItem = column;
    info.item.pszText = text;
    info.item.lParam = lParam;
    return SendMessageW(GetParent(grid), WM_NOTIFY, info.hdr.idFrom, reinterpret_cast<LPARAM>(&info));
}

std::wstring CellText(HWND grid, int row, int column) {
    wchar_t text[kTextCapacity] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(kTextCapacity);
    SendMessageW(grid, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

void SetCellText(HWND grid, int row, int column, const wchar_t* text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text);
    SendMessageW(grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// Ends the open edit once: Enter hands the text to the parent, anything else cancels. The editor
// is hidden now and destroyed by a posted message, so the message being handled still finds it.
void EndEdit(HWND editor, bool commit) {
    GridData* data = DataOf(editor, BaseOfEditor(editor));
    if (!data || !data->Editing || data->Editor != editor) return;
    data->Editing = 0;
    data->Editor = nullptr;
    HWND grid = GetParent(editor);
    const int row = static_cast<int>(data->Row);
    const int column = static_cast<int>(data->Column);
    const int endCode = column == 0 ? kGridEndEditName : kGridEndEdit;
    if (commit) {
        std::wstring text(kTextCapacity, L'\0');
        text.resize(
            static_cast<size_t>(GetWindowTextW(editor, text.data(), static_cast<int>(kTextCapacity))));
        if (Notify(grid, endCode, row, column, text.data(), 0) == 1) {
            SetCellText(grid, row, column, text.c_str());
            Notify(grid, kGridCellStored, row, column, text.data(), 0);
        }
    } else {
        Notify(grid, endCode, row, column, nullptr, 0);
    }
    const bool hadFocus = GetFocus() == editor || IsChild(editor, GetFocus());
    ShowWindow(editor, SW_HIDE);
    if (hadFocus && IsWindow(grid)) SetFocus(grid);
    PostMessageW(editor, kDestroyEditor, 0, 0);
}

// Whether the focus moving to next stays inside the editor (a drop-down combo's own edit).
bool FocusStaysInEditor(HWND editor, HWND next) {
    return next && (next == editor || IsChild(editor, next));
}

// The edit inside an editable combo box: its keys and focus end the combo's edit. Its own
// procedure is kept in a window property.
constexpr const wchar_t* kComboEditProcProperty = L"GridComboEditProc";

LRESULT CALLBACK ComboEditProc(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    auto previous = reinterpret_cast<WNDPROC>(GetPropW(edit, kComboEditProcProperty));
    HWND combo = GetParent(edit);
    switch (message) {
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == 10 || wParam == VK_ESCAPE) {
                EndEdit(combo, wParam != VK_ESCAPE);
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == VK_RETURN || wParam == 10 || wParam == VK_ESCAPE) return 0; // no beep
            break;
        case WM_KILLFOCUS:
            if (!FocusStaysInEditor(combo, reinterpret_cast<HWND>(wParam))) EndEdit(combo, false);
            break;
        case WM_NCDESTROY:
            SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
            RemovePropW(edit, kComboEditProcProperty);
            break;
    }
    return previous ? CallWindowProcW(previous, edit, message, wParam, lParam)
                    : DefWindowProcW(edit, message, wParam, lParam);
}

void SubclassComboEdit(HWND edit) {
    SetPropW(edit, kComboEditProcProperty, reinterpret_cast<HANDLE>(GetWindowLongPtrW(edit, GWLP_WNDPROC)));
    SetWindowLongPtrW(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ComboEditProc));
}

LRESULT EditorProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam, const BaseClass& base) {
    switch (message) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(editor, base.Extra, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case kDestroyEditor: DestroyWindow(editor); return 0;
        case WM_KEYDOWN:
            if (wParam == VK_RETURN || wParam == 10)
                EndEdit(editor, true);
            else if (wParam == VK_ESCAPE)
                EndEdit(editor, false);
            break;
        case WM_KILLFOCUS:
            if (!FocusStaysInEditor(editor, reinterpret_cast<HWND>(wParam))) EndEdit(editor, false);
            break;
        case WM_COMMAND:
            // A choice taken from the drop-down list of a list-only combo box commits it.
            if (&base == &ComboBase && HIWORD(wParam) == 1 &&
                (GetWindowLongPtrW(editor, GWL_STYLE) & 3) == CBS_DROPDOWNLIST)
                PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
            break;
        case WM_NCDESTROY:
            if (GridData* data = DataOf(editor, base); data && data->Editor == editor) {
                data->Editor = nullptr;
                data->Editing = 0;
            }
            break;
    }
    return CallWindowProcW(base.Proc, editor, message, wParam, lParam);
}

LRESULT CALLBACK GridEditProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam) {
    return EditorProc(editor, message, wParam, lParam, EditBase);
}

LRESULT CALLBACK GridComboProc(HWND editor, UINT message, WPARAM wParam, LPARAM lParam) {
    return EditorProc(editor, message, wParam, lParam, ComboBase);
}

RECT CellRect(HWND grid, int row, int column) {
    RECT cell{};
    cell.top = column;
    cell.left = LVIR_BOUNDS;
    SendMessageW(grid, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    if (column == 0) {
        RECT next{};
        next.top = 1;
        next.left = LVIR_BOUNDS;
        if (SendMessageW(grid, LVM_GETSUBITEMRECT, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&next)) &&
            next.left > cell.left)
            cell.right = next.left;
        else
            cell.right = cell.left + static_cast<LONG>(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 0, 0));
    }
    return cell;
}

const GridCellDef* FindCellDef(const GridData& data, uint32_t row, uint32_t column) {
    for (const GridCellDef& def : data.CellDefs)
        if (def.Row == row && def.Column == column) return &def;
    return nullptr;
}

HWND CreateEditor(HWND grid, GridData* data, int row, int column, const std::wstring& text) {
    const RECT cell = CellRect(grid, row, column);
    const LPARAM font = static_cast<LPARAM>(SendMessageW(grid, WM_GETFONT, 0, 0));
    HMENU id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(kGridEditorId));
    HINSTANCE instance = GetModuleHandleW(nullptr);
    if (const GridCellDef* def =
            FindCellDef(*data, static_cast<uint32_t>(row), static_cast<uint32_t>(column))) {
        const bool editable =
            std::find(def->Choices.begin(), def->Choices.end(), L"???") != def->Choices.end();
        const DWORD style = WS_CHILD | WS_VISIBLE | WS_VSCROLL | (editable ? CBS_DROPDOWN : CBS_DROPDOWNLIST);
        HWND combo = CreateWindowExW(0, kGridComboClass, L"", style, cell.left + 1, cell.top + 1,
                                     cell.right - cell.left - 2, 200, grid, id, instance, data);
        if (!combo) return nullptr;
        SendMessageW(combo, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
        for (const std::wstring& choice : def->Choices)
            if (choice != L"???")
                SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice.c_str()));
        const LRESULT found = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(text.c_str()));
        if (found != CB_ERR)
            SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(found), 0);
        else if (editable)
            SetWindowTextW(combo, text.c_str());
        else
            SendMessageW(combo, CB_SETCURSEL, 0, 0);
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        if (editable && GetComboBoxInfo(combo, &info) && info.hwndItem) SubclassComboEdit(info.hwndItem);
        return combo;
    }
    HWND edit =
        CreateWindowExW(0, kGridEditClass, text.c_str(),
                        WS_CHILD | WS_VISIBLE | ES_WANTRETURN | ES_AUTOHSCROLL, cell.left + 1, cell.top + 1,
                        cell.right - cell.left - 2, cell.bottom - cell.top - 2, grid, id, instance, data);
    if (!edit) return nullptr;
    SendMessageW(edit, WM_SETFONT, static_cast<WPARAM>(font), TRUE);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    return edit;
}

enum class OpenBy { Click, DoubleClick, Message };

// Opens the editor on a cell; false when the grid's own handling should take the message.
bool OpenEditor(HWND grid, GridData* data, int row, int column, OpenBy by, UINT message, WPARAM wParam,
                LPARAM lParam) {
    if (row < 0 || column < 0 || data->Editing) return false;
    if (!(SendMessageW(grid, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) & LVIS_SELECTED))
        return false;
    if (by == OpenBy::Click) {
        CallWindowProcW(GridBase.Proc, grid, message, wParam, lParam);
        SendMessageW(grid, LVM_EDITLABELW, static_cast<WPARAM>(-1), 0);
    }
    const int beginCode = column == 0 ? kGridBeginEditName : kGridBeginEdit;
    const LRESULT answer = Notify(grid, beginCode, row, column, nullptr, by == OpenBy::DoubleClick ? 1 : 0);
    if (answer == 1) return by == OpenBy::Click; // a refused double-click is an ordinary one
    if (answer > 1000) {
        std::wstring text = CellText(grid, row, column);
        text.resize(kTextCapacity);
        auto editor = reinterpret_cast<GridCellEditor>(answer);
        if (editor(grid, static_cast<uint32_t>(row), static_cast<uint32_t>(column), text.data())) {
            text[kTextCapacity - 1] = L'\0';
            SetCellText(grid, row, column, text.c_str());
        }
        return true;
    }
    if (answer != 0) return by == OpenBy::Click;
    HWND editor = CreateEditor(grid, data, row, column, CellText(grid, row, column));
    if (!editor) return true;
    data->Editor = editor;
    data->Row = static_cast<uint32_t>(row);
    data->Column = static_cast<uint32_t>(column);
    SetFocus(editor);
    data->Editing = 1;
    Notify(grid, kGridEditorOpen, row, column, nullptr, reinterpret_cast<LPARAM>(editor));
    return true;
}

// Drops the images and choice lists of a deleted row and moves those of later rows up one.
void ForgetRow(GridData& data, uint32_t row) {
    std::erase_if(data.Images, [row](const GridCellImage& image) { return image.Row == row; });
    std::erase_if(data.CellDefs, [row](const GridCellDef& def) { return def.Row == row; });
    for (GridCellImage& image : data.Images)
        if (image.Row > row) --image.Row;
    for (GridCellDef& def : data.CellDefs)
        if (def.Row > row) --def.Row;
}

void PaintImages(HWND grid, const GridData& data) {
    if (data.Images.empty()) return;
    RECT header{};
    if (HWND headerWindow = reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0)))
        if (IsWindowVisible(headerWindow)) {
            GetWindowRect(headerWindow, &header);
            MapWindowPoints(nullptr, grid, reinterpret_cast<POINT*>(&header), 2);
        }
    HDC dc = GetDC(grid);
    for (const GridCellImage& image : data.Images) {
        if (!SendMessageW(grid, LVM_ISITEMVISIBLE, image.Row, 0)) continue;
        const RECT cell = CellRect(grid, static_cast<int>(image.Row), static_cast<int>(image.Column));
        if (cell.top < header.bottom) continue;
        int width = 0, height = 0;
        HBITMAP measured = image.Bitmap;
        ICONINFO icon{};
        if (image.Icon && GetIconInfo(image.Icon, &icon))
            measured = icon.hbmColor ? icon.hbmColor : icon.hbmMask;
        BITMAP bits{};
        if (measured && GetObjectW(measured, sizeof bits, &bits)) {
            width = bits.bmWidth;
            height = bits.bmHeight;
        }
        if (image.Icon) {
            if (icon.hbmColor) DeleteObject(icon.hbmColor);
            if (icon.hbmMask) DeleteObject(icon.hbmMask);
        }
        if (width <= 0 || height <= 0 || width > cell.right - cell.left || height > cell.bottom - cell.top)
            continue;
        const int x = cell.left + (cell.right - cell.left - width) / 2;
        const int y = cell.top + (cell.bottom - cell.top - height) / 2;
        if (image.Icon) {
            DrawIconEx(dc, x, y, image.Icon, width, height, 0, nullptr, DI_NORMAL);
        } else {
            HDC memory = CreateCompatibleDC(dc);
            HGDIOBJ old = SelectObject(memory, image.Bitmap);
            BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
            SelectObject(memory, old);
            DeleteDC(memory);
        }
    }
    ReleaseDC(grid, dc);
    ValidateRect(grid, nullptr);
}

LRESULT CALLBACK GridProc(HWND grid, UINT message, WPARAM wParam, LPARAM lParam) {
    GridData* data = DataOf(grid, GridBase);
    switch (message) {
        case WM_NCCREATE:
            SetWindowLongPtrW(grid, GridBase.Extra, reinterpret_cast<LONG_PTR>(new GridData));
            break;
        case WM_DESTROY:
            if (data) {
                data->Editing = 0;
                data->Editor = nullptr;
            }
            break;
        case WM_NCDESTROY: {
            const LRESULT result = CallWindowProcW(GridBase.Proc, grid, message, wParam, lParam);
            SetWindowLongPtrW(grid, GridBase.Extra, 0);
            delete data;
            return result;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: {
            if (!data) break;
            LVHITTESTINFO hit{};
            hit.pt = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            SendMessageW(grid, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
            const OpenBy by = message == WM_LBUTTONDBLCLK ? OpenBy::DoubleClick : OpenBy::Click;
            if (hit.iItem >= 0 &&
                OpenEditor(grid, data, hit.iItem, hit.iSubItem, by, message, wParam, lParam))
                return 0;
            break;
        }
        case kGridEditCell:
            if (data) {
                LVITEMW state{};
                state.stateMask = LVIS_SELECTED;
                state.state = LVIS_SELECTED;
                SendMessageW(grid, LVM_SETITEMSTATE, wParam, reinterpret_cast<LPARAM>(&state));
                SetFocus(grid);
                OpenEditor(grid, data, static_cast<int>(wParam), static_cast<int>(lParam), OpenBy::Message,
                           message, wParam, lParam);
            }
            return 0;
        case kGridAddCellDef:
            if (!data || !lParam) return -1;
            data->CellDefs.push_back(*reinterpret_cast<const GridCellDef*>(lParam));
            return 1;
        case kGridClearCellDefs:
            if (!data) return -1;
            data->CellDefs.clear();
            return 1;
        case kGridSetImages:
            if (!data || !lParam) return -1;
            data->Images = *reinterpret_cast<const std::vector<GridCellImage>*>(lParam);
            RedrawWindow(grid, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            return 1;
        case kGridGetImages:
            if (!data || !lParam) return -1;
            *reinterpret_cast<std::vector<GridCellImage>*>(lParam) = data->Images;
            return 1;
        case LVM_GETEDITCONTROL: return reinterpret_cast<LRESULT>(data ? data->Editor : nullptr);
        case LVM_DELETEITEM:
            if (data && static_cast<int>(wParam) >= 0) ForgetRow(*data, static_cast<uint32_t>(wParam));
            break;
        case LVM_DELETEALLITEMS:
            if (data) {
                data->Images.clear();
                data->CellDefs.clear();
            }
            break;
        case WM_PAINT: {
            const LRESULT result = CallWindowProcW(GridBase.Proc, grid, message, wParam, lParam);
            if (data) PaintImages(grid, *data);
            return result;
        }
        case WM_DROPFILES: {
            NMLVDISPINFOW info{};
            info.hdr.hwndFrom = grid;
            info.hdr.code = static_cast<UINT>(kGridFilesDropped);
            info.item.lParam = static_cast<LPARAM>(wParam);
            SendMessageW(GetParent(grid), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
            break;
        }
        case WM_COMMAND:
            // The list of a list-only combo editor reports a choice: take it.
            if (data && data->Editor && reinterpret_cast<HWND>(lParam) == data->Editor &&
                HIWORD(wParam) == CBN_SELENDOK &&
                (GetWindowLongPtrW(data->Editor, GWL_STYLE) & 3) == CBS_DROPDOWNLIST)
                PostMessageW(data->Editor, WM_KEYDOWN, VK_RETURN, 0);
            break;
    }
    return CallWindowProcW(GridBase.Proc, grid, message, wParam, lParam);
}

bool Superclass(const wchar_t* systemClass, const wchar_t* name, WNDPROC proc, BaseClass& base) {
    WNDCLASSW cls{};
    if (!GetClassInfoW(nullptr, systemClass, &cls)) return false;
    base.Proc = cls.lpfnWndProc;
    base.Extra = cls.cbWndExtra;
    cls.cbWndExtra += 8;
    cls.lpfnWndProc = proc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = name;
    cls.style &= ~CS_GLOBALCLASS;
    return RegisterClassW(&cls) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

} // namespace

bool RegisterGridClasses() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    return Superclass(WC_LISTVIEWW, kGridClass, GridProc, GridBase) &&
           Superclass(L"edit", kGridEditClass, GridEditProc, EditBase) &&
           Superclass(L"combobox", kGridComboClass, GridComboProc, ComboBase);
}
