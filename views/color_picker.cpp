#include "views/color_picker.h"

#include "common/command_ids.h"
#include "views/display_palette.h"

namespace {

HBRUSH g_brushes[kPaletteSize] = {};

void MakeBrushes() {
    for (uint32_t i = 0; i < kPaletteSize; ++i)
        if (!g_brushes[i]) g_brushes[i] = CreateSolidBrush(PaletteColor(i));
}

void DeleteBrushes() {
    for (HBRUSH& brush : g_brushes) {
        if (brush) DeleteObject(brush);
        brush = nullptr;
    }
}

void EndPicker(HWND dialog, INT_PTR result) {
    DeleteBrushes();
    EndDialog(dialog, result);
}

} // namespace

INT_PTR CALLBACK ColorPickerDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: MakeBrushes(); return TRUE;
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            int id = static_cast<int>(wParam);
            if (!item || id < IDC_COLOUR_FIRST || id > IDC_COLOUR_LAST) return FALSE;
            if (HBRUSH brush = g_brushes[id - IDC_COLOUR_FIRST]) FillRect(item->hDC, &item->rcItem, brush);
            return TRUE;
        }
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            if (id >= IDC_COLOUR_FIRST && id <= IDC_COLOUR_LAST) {
                EndPicker(dialog, id - IDC_COLOUR_FIRST);
                return TRUE;
            }
            if (id == IDCANCEL) {
                EndPicker(dialog, -1);
                return TRUE;
            }
            return FALSE;
        }
        case WM_CLOSE: EndPicker(dialog, -1); return TRUE;
        default: return FALSE;
    }
}

int ColorPickerBrushCount() {
    int count = 0;
    for (HBRUSH brush : g_brushes)
        if (brush) ++count;
    return count;
}
