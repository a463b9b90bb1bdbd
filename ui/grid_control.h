// "grid": a report-style list view with cells edited in place, in an edit box ("gridedit") or a
// combo box of choices ("gridcb"), with images drawn centred in cells. Edits are announced to the
// grid's parent as WM_NOTIFY with an NMLVDISPINFOW record.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

inline constexpr const wchar_t* kGridClass = L"grid";
inline constexpr const wchar_t* kGridEditClass = L"gridedit";
inline constexpr const wchar_t* kGridComboClass = L"gridcb";
constexpr int kGridEditorId = 1000;

// Private messages.
constexpr UINT kGridEditCell = 0x8001;      // wParam row, lParam column: select and edit the cell
constexpr UINT kGridAddCellDef = 0x8002;    // lParam a GridCellDef
constexpr UINT kGridClearCellDefs = 0x8003; //
constexpr UINT kGridSetImages = 0x8004;     // lParam a std::vector<GridCellImage>
constexpr UINT kGridGetImages = 0x8005;     // lParam a std::vector<GridCellImage> to fill

// Notification codes to the parent.
constexpr int kGridBeginEditName = -175; // LVN_BEGINLABELEDITW: column 0
constexpr int kGridBeginEdit = -200;     // any other column
constexpr int kGridEditorOpen = -201;    // lParam the editor
constexpr int kGridEndEditName = -176;   // LVN_ENDLABELEDITW: column 0
constexpr int kGridEndEdit = -202;       // any other column
constexpr int kGridCellStored = -203;    // an accepted text is in the cell
constexpr int kGridFilesDropped = -204;  // lParam the HDROP

// A cell that offers choices; "???" among them makes the combo box editable.
struct GridCellDef {
    uint32_t Row = 0;
    uint32_t Column = 0;
    std::vector<std::wstring> Choices;
};

// An image drawn centred in a cell; the icon wins over the bitmap.
struct GridCellImage {
    uint32_t Row = 0;
    uint32_t Column = 0;
    HBITMAP Bitmap = nullptr;
    HICON Icon = nullptr;
};

// An editor a parent may name in its answer to a begin notice: it gets the cell text in a buffer
// of 1000 characters and returns nonzero when the buffer is the cell's new text.
using GridCellEditor = int (*)(HWND grid, uint32_t row, uint32_t column, wchar_t* text);

// Registers the three classes; false at the first that fails.
bool RegisterGridClasses();
