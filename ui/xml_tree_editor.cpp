#include "ui/xml_tree_editor.h"

#include "common/list_tree_helpers.h"
#include "common/window_helpers.h"
#include "common/xstring.h"
#include "ui/grid_control.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

constexpr size_t kBufferSize = 1000;
// Room beside a name for the list's own margins on both sides.
constexpr int kNameColumnPadding = 16;
constexpr int kNameColumnMinimum = 70;

// Read locks on every document of the editor, for walking the tree.
class ReadAll {
public:
    explicit ReadAll(const XmlEditorState& state) {
        for (XmlDocument* document : state.Documents)
            locks_.push_back(std::make_unique<XmlDocumentReadLock>(document));
    }

private:
    std::vector<std::unique_ptr<XmlDocumentReadLock>> locks_;
};

// The document whose tree holds the element (borrowed children keep their own parents).
XmlDocument* DocumentOf(const XmlEditorState& state, XmlElement* element) {
    XmlElement* top = element;
    while (top && XmlElementGetParent(top)) top = XmlElementGetParent(top);
    for (XmlDocument* document : state.Documents)
        if (document && XmlDocumentGetRoot(document) == top) return document;
    return nullptr;
}

std::wstring Blanked(std::string text) {
    std::replace(text.begin(), text.end(), '_', ' ');
    return NarrowToWide(text);
}

std::string VariableValue(XmlElement* element, const std::string& name) {
    XmlVariable* variable = XmlElementFindVariableView(element, name);
    return variable ? XmlVariableGetValueString(variable) : std::string();
}

bool HasVariable(XmlElement* element, const std::string& name) {
    return XmlElementFindVariableView(element, name) != nullptr;
}

bool FormMode(const XmlEditorState& state) {
    return state.Option == kXmlEditorFormMode;
}

bool IsFormRow(XmlElement* element) {
    return XmlElementGetNameString(element) == "e";
}

XmlElement* TranslationOf(const XmlEditorState& state, XmlElement* element) {
    if (!state.Translation) return nullptr;
    return XmlElementFindPath(state.Translation, XmlElementGetPathString(element, 0).c_str());
}

std::string ElementLabel(const XmlEditorState& state, XmlElement* element) {
    std::string label;
    if (HasVariable(element, "name"))
        label = VariableValue(element, "name");
    else if (HasVariable(element, "Name"))
        label = VariableValue(element, "Name");
    else
        label = XmlElementGetNameString(element);
    if (!FormMode(state))
        if (XmlElement* translated = TranslationOf(state, element);
            translated && HasVariable(translated, "__"))
            label = VariableValue(translated, "__");
    return label;
}

struct TreeEntry {
    int Depth = 0;
    std::wstring Label;
    XmlElement* Element = nullptr; // null for an unloaded slot
    bool HasChildren = false;
};

void CollectTree(const XmlEditorState& state, XmlElement* element, int depth, std::vector<TreeEntry>& out) {
    if (depth >= static_cast<int>(kXmlMaxDepth)) return;
    const uint32_t count = XmlElementGetChildCount(element);
    XmlElement** children = XmlElementGetChildren(element);
    bool hasChildren = false;
    for (uint32_t i = 0; i < count; ++i)
        if (!FormMode(state) || !children[i] || !IsFormRow(children[i])) hasChildren = true;
    out.push_back({depth, Blanked(ElementLabel(state, element)), element, hasChildren});
    for (uint32_t i = 0; i < count; ++i) {
        if (!children[i])
            out.push_back({depth + 1, L"<Unloaded>", nullptr, false});
        else if (!FormMode(state) || !IsFormRow(children[i]))
            CollectTree(state, children[i], depth + 1, out);
    }
}

LRESULT CallItem(HWND window, const XmlEditorState& state, uint32_t code, void* item, wchar_t* text) {
    return state.ItemCallback ? state.ItemCallback(window, code, item, text) : 0;
}

void FillTree(HWND window, XmlEditorState& state) {
    HWND tree = GetDlgItem(window, kXmlEditorTreeId);
    std::vector<TreeEntry> entries;
    {
        ReadAll lock(state);
        CollectTree(state, state.Element, 0, entries);
    }
    state.Filling = true;
    SendMessageW(tree, TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(TVI_ROOT));
    std::vector<HTREEITEM> parents;
    for (TreeEntry& entry : entries) {
        if (entry.Element) {
            std::wstring label = entry.Label;
            label.resize(kBufferSize);
            if (CallItem(window, state, kXmlItemLabel, entry.Element, label.data()) == 2)
                entry.Label = label.c_str();
        }
        TVINSERTSTRUCTW insert{};
        insert.hParent = entry.Depth == 0 ? TVI_ROOT : parents[static_cast<size_t>(entry.Depth - 1)];
        insert.hInsertAfter = TVI_LAST;
        insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_CHILDREN;
        insert.item.pszText = entry.Label.data();
        insert.item.lParam = reinterpret_cast<LPARAM>(entry.Element);
        insert.item.cChildren = entry.HasChildren ? 1 : 0;
        auto item = reinterpret_cast<HTREEITEM>(
            SendMessageW(tree, TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
        parents.resize(static_cast<size_t>(entry.Depth));
        parents.push_back(item);
    }
    state.Filling = false;
}

bool TextPaneEmpty(HWND window) {
    return GetWindowTextLengthW(GetDlgItem(window, kXmlEditorTextId)) == 0;
}

void Layout(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    const int w = client.right, h = client.bottom;
    const int left = w / 5;
    const int gridHeight = TextPaneEmpty(window) ? h : h / 2;
    MoveWindow(GetDlgItem(window, kXmlEditorTreeId), 0, 0, left, h, TRUE);
    MoveWindow(GetDlgItem(window, kXmlEditorGridId), left, 0, w - left, gridHeight, TRUE);
    MoveWindow(GetDlgItem(window, kXmlEditorTextId), left, gridHeight, w - left, h - gridHeight, TRUE);
}

// The names are drawn in the bold font, wider than the list's own, which its automatic sizing
// measures: the column is measured in bold so that no name is cut short.
int NameColumnWidth(HWND grid) {
    const XmlEditorState* state = XmlEditorStateOf(GetParent(grid));
    HFONT bold = state && state->BoldFont ? state->BoldFont
                                          : reinterpret_cast<HFONT>(SendMessageW(grid, WM_GETFONT, 0, 0));
    HDC dc = GetDC(grid);
    HGDIOBJ previous = SelectObject(dc, bold);
    int widest = 0;
    const int rows = static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        const std::wstring text = ListViewItemText(grid, row, 0);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        widest = std::max(widest, static_cast<int>(extent.cx));
    }
    SelectObject(dc, previous);
    ReleaseDC(grid, dc);
    // Check boxes stand before the names.
    int boxes = 0;
    if (auto states = reinterpret_cast<HIMAGELIST>(SendMessageW(grid, LVM_GETIMAGELIST, LVSIL_STATE, 0));
        states && (SendMessageW(grid, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES)) {
        int height = 0;
        ImageList_GetIconSize(states, &boxes, &height);
    }
    return widest + boxes + kNameColumnPadding;
}

void SizeValueColumn(HWND grid) {
    SendMessageW(grid, LVM_SETCOLUMNWIDTH, 0, std::max(kNameColumnMinimum, NameColumnWidth(grid)));
    RECT client{};
    GetClientRect(grid, &client);
    const int first = static_cast<int>(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 0, 0));
    SendMessageW(grid, LVM_SETCOLUMNWIDTH, 1, std::max(50, static_cast<int>(client.right) - first));
}

struct Row {
    std::wstring Label;
    std::wstring Value;
    void* Item = nullptr;
    std::vector<std::wstring> Choices;
};

std::vector<std::wstring> SplitChoices(const std::string& list) {
    std::vector<std::wstring> choices;
    size_t start = 0;
    while (true) {
        const size_t cut = list.find("|||", start);
        choices.push_back(NarrowToWide(list.substr(start, cut - start)));
        if (cut == std::string::npos) break;
        start = cut + 3;
    }
    return choices;
}

std::vector<Row> CollectRows(const XmlEditorState& state, XmlElement* element, std::wstring& text) {
    std::vector<Row> rows;
    if (std::string body; XmlElementGetBodyText(element, body)) text = NarrowToWide(body);
    if (FormMode(state)) {
        for (uint32_t i = 0, n = XmlElementGetChildCount(element); i < n; ++i) {
            XmlElement* child = XmlElementGetChild(element, i);
            if (!child || !IsFormRow(child)) continue;
            Row row{
                NarrowToWide(VariableValue(child, "d")), NarrowToWide(VariableValue(child, "v")), child, {}};
            const std::string type = VariableValue(child, "t");
            if (type == "1" || type == "2") row.Choices = SplitChoices(VariableValue(child, "l"));
            rows.push_back(std::move(row));
        }
        return rows;
    }
    XmlElement* translated = TranslationOf(state, element);
    XmlVariable** variables = XmlElementGetVariables(element);
    for (uint32_t i = 0, n = XmlElementGetVariableCount(element); i < n; ++i) {
        const std::string name = XmlVariableGetNameString(variables[i]);
        if (name.rfind("__", 0) == 0) continue;
        // "__" and the name: the row's choices when the value holds "|||", else its label.
        const std::string described = VariableValue(element, "__" + name);
        const bool choices = described.find("|||") != std::string::npos;
        std::string label = name;
        if (HasVariable(element, "__" + name) && !choices)
            label = described;
        else if (translated && HasVariable(translated, name))
            label = VariableValue(translated, name);
        Row row{Blanked(label), NarrowToWide(XmlVariableGetValueString(variables[i])), variables[i], {}};
        if (choices) row.Choices = SplitChoices(described);
        rows.push_back(std::move(row));
    }
    return rows;
}

void FillGrid(HWND window, XmlEditorState& state, XmlElement* element) {
    HWND grid = GetDlgItem(window, kXmlEditorGridId);
    state.Selected = element;
    std::vector<Row> rows;
    std::wstring text;
    if (element) {
        ReadAll lock(state);
        rows = CollectRows(state, element, text);
    }
    state.Filling = true;
    SendMessageW(grid, LVM_DELETEALLITEMS, 0, 0);
    SendMessageW(grid, kGridClearCellDefs, 0, 0);
    for (size_t i = 0; i < rows.size(); ++i) {
        Row& row = rows[i];
        std::wstring shown = row.Value;
        shown.resize(kBufferSize);
        if (CallItem(window, state, kXmlItemDisplayText, row.Item, shown.data()) == 2)
            row.Value = shown.c_str();
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = static_cast<int>(i);
        item.pszText = row.Label.data();
        item.lParam = reinterpret_cast<LPARAM>(row.Item);
        const auto at =
            static_cast<int>(SendMessageW(grid, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        item.iSubItem = 1;
        item.pszText = row.Value.data();
        SendMessageW(grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(&item));
        if (!row.Choices.empty()) {
            GridCellDef def{static_cast<uint32_t>(at), 1, row.Choices};
            SendMessageW(grid, kGridAddCellDef, 0, reinterpret_cast<LPARAM>(&def));
        }
    }
    SetWindowTextW(GetDlgItem(window, kXmlEditorTextId), text.c_str());
    state.Filling = false;
    if (state.Mode == kXmlEditorOwnWindow) {
        // Through WM_SIZE, so a hook that lays the window out itself does so now too.
        RECT client{};
        GetClientRect(window, &client);
        SendMessageW(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    }
    SizeValueColumn(grid);
}

// Stores the text pane as the element's body, a CDATA section, where scripts are read from; an
// emptied pane empties an existing body, and an unchanged one writes nothing.
void StoreText(HWND window, XmlEditorState& state, XmlElement* element) {
    if (!element) return;
    const std::string text = WideToNarrow(GetWindowTextString(GetDlgItem(window, kXmlEditorTextId)));
    XmlDocumentWriteLock lock(DocumentOf(state, element));
    std::string body;
    const bool hasBody = XmlElementGetBodyText(element, body);
    if (hasBody ? body == text : text.empty()) return;
    XmlElementSetBodyText(element, text);
}

void* RowItem(HWND grid, int row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(grid, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<void*>(item.lParam);
}

void StoreValue(HWND window, XmlEditorState& state, void* item, const wchar_t* text) {
    if (!item) return;
    if (FormMode(state)) {
        auto* row = static_cast<XmlElement*>(item);
        XmlDocumentWriteLock lock(DocumentOf(state, row));
        XmlVariableSetValue(XmlElementFindVariable(row, "v", 1), WideToNarrow(text).c_str());
        return;
    }
    auto* variable = static_cast<XmlVariable*>(item);
    {
        XmlDocumentWriteLock lock(DocumentOf(state, XmlVariableGetOwner(variable)));
        XmlVariableSetValue(variable, WideToNarrow(text).c_str());
    }
    std::wstring value(text);
    CallItem(window, state, kXmlItemValueChanged, variable, value.data());
}

LRESULT GridNotice(HWND window, XmlEditorState& state, NMHDR* header) {
    HWND grid = header->hwndFrom;
    const int code = static_cast<int>(header->code);
    if (header->code == NM_CUSTOMDRAW) {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
        if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
        if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
        if (draw->nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
            HFONT normal = reinterpret_cast<HFONT>(SendMessageW(grid, WM_GETFONT, 0, 0));
            SelectObject(draw->nmcd.hdc, draw->iSubItem == 0 && state.BoldFont ? state.BoldFont : normal);
            return CDRF_NEWFONT;
        }
        return CDRF_DODEFAULT;
    }
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
    switch (code) {
        case kGridBeginEditName: return 1;
        case kGridBeginEdit: {
            if (!state.ItemCallback) return 0;
            std::wstring buffer(kBufferSize, L'\0');
            const LRESULT answer =
                CallItem(window, state, kXmlItemBeforeEdit, RowItem(grid, info->item.iItem), buffer.data());
            if (answer == 1) return 0;
            if (answer == 2) {
                LVITEMW cell{};
                cell.iSubItem = 1;
                cell.pszText = buffer.data();
                SendMessageW(grid, LVM_SETITEMTEXTW, static_cast<WPARAM>(info->item.iItem),
                             reinterpret_cast<LPARAM>(&cell));
                SizeValueColumn(grid);
            }
            return 1;
        }
        case kGridEndEdit:
            if (!info->item.pszText) return 0;
            StoreValue(window, state, RowItem(grid, info->item.iItem), info->item.pszText);
            return 1;
    }
    return 0;
}

LRESULT TreeNotice(HWND window, XmlEditorState& state, NMHDR* header) {
    auto* change = reinterpret_cast<NMTREEVIEWW*>(header);
    if (state.Filling) return 0;
    if (header->code == TVN_SELCHANGINGW)
        StoreText(window, state, reinterpret_cast<XmlElement*>(change->itemOld.lParam));
    else if (header->code == TVN_SELCHANGEDW)
        FillGrid(window, state, reinterpret_cast<XmlElement*>(change->itemNew.lParam));
    return 0;
}

void SetUpGrid(HWND grid) {
    SendMessageW(grid, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER);
    if (SendMessageW(reinterpret_cast<HWND>(SendMessageW(grid, LVM_GETHEADER, 0, 0)), HDM_GETITEMCOUNT, 0,
                     0) > 0)
        return;
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH | LVCF_TEXT;
    column.pszText = const_cast<wchar_t*>(L"");
    column.cx = 70;
    SendMessageW(grid, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.cx = 100;
    SendMessageW(grid, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
}

HFONT MakeBoldFont(HWND grid) {
    LOGFONTW font{};
    HFONT base = reinterpret_cast<HFONT>(SendMessageW(grid, WM_GETFONT, 0, 0));
    if (!base) base = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    GetObjectW(base, sizeof font, &font);
    font.lfWeight = FW_BOLD;
    return CreateFontIndirectW(&font);
}

void CreateControls(HWND window, XmlEditorState& state) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    auto id = [](int value) { return reinterpret_cast<HMENU>(static_cast<INT_PTR>(value)); };
    CreateWindowExW(0, WC_TREEVIEWW, L"",
                    WS_CHILD | WS_VISIBLE | WS_BORDER | TVS_HASBUTTONS | TVS_HASLINES | TVS_LINESATROOT |
                        TVS_FULLROWSELECT | TVS_SHOWSELALWAYS,
                    0, 0, 10, 10, window, id(kXmlEditorTreeId), instance, nullptr);
    HWND grid =
        CreateWindowExW(0, kGridClass, L"", WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SINGLESEL, 0,
                        0, 10, 10, window, id(kXmlEditorGridId), instance, nullptr);
    LoadLibraryW(L"riched20.dll");
    CreateWindowExW(0, L"RichEdit20W", L"",
                    WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL | ES_MULTILINE |
                        ES_AUTOHSCROLL | ES_AUTOVSCROLL | ES_WANTRETURN,
                    0, 0, 10, 10, window, id(kXmlEditorTextId), instance, nullptr);
    const auto font = reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT));
    for (int child : {kXmlEditorTreeId, kXmlEditorGridId, kXmlEditorTextId})
        SendMessageW(GetDlgItem(window, child), WM_SETFONT, font, FALSE);
    SetUpGrid(grid);
    state.BoldFont = MakeBoldFont(grid);
}

void Fill(HWND window, XmlEditorState& state) {
    FillTree(window, state);
    SetWindowTextW(window, Blanked(XmlElementGetNameString(state.Element)).c_str());
    HWND tree = GetDlgItem(window, kXmlEditorTreeId);
    if (auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)))
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(root));
    CallItem(window, state, kXmlItemFilled, nullptr, nullptr);
}

void Close(HWND window, XmlEditorState& state) {
    StoreText(window, state, state.Selected);
    if (state.BoldFont) DeleteObject(state.BoldFont);
    state.BoldFont = nullptr;
    if (state.Mode == kXmlEditorModal)
        EndDialog(window, 2);
    else
        DestroyWindow(window);
}

// The handling both window kinds share; false when the message is not the editor's.
bool HandleMessage(HWND window, XmlEditorState& state, UINT message, WPARAM wParam, LPARAM lParam,
                   LRESULT& result) {
    switch (message) {
        case kXmlEditorFill: Fill(window, state); return true;
        case kXmlEditorGetState: result = reinterpret_cast<LRESULT>(&state); return true;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom == static_cast<UINT_PTR>(kXmlEditorGridId))
                result = GridNotice(window, state, header);
            else if (header->idFrom == static_cast<UINT_PTR>(kXmlEditorTreeId))
                result = TreeNotice(window, state, header);
            else
                return false;
            return true;
        }
        case WM_SIZE:
            if (state.Mode != kXmlEditorOwnWindow) return false;
            Layout(window);
            SizeValueColumn(GetDlgItem(window, kXmlEditorGridId));
            return true;
        case WM_CLOSE: Close(window, state); return true;
    }
    (void)wParam;
    return false;
}

void FreeState(HWND window) {
    auto* state = reinterpret_cast<XmlEditorState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    if (state && state->BoldFont) DeleteObject(state->BoldFont);
    delete state;
}

LRESULT CALLBACK EditorWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        XmlEditorState* state = XmlEditorStateOf(window);
        if (!state) return DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_NCDESTROY) {
            if (state->Hook) state->Hook(window, message, wParam, lParam);
            FreeState(window);
            return DefWindowProcW(window, message, wParam, lParam);
        }
        if (message == WM_CREATE) {
            CreateControls(window, *state);
            if (state->Hook) state->Hook(window, message, wParam, lParam);
            SendMessageW(window, kXmlEditorFill, 0, 0);
            return 0;
        }
        if (state->Hook)
            if (LRESULT hooked = state->Hook(window, message, wParam, lParam)) return hooked;
        LRESULT result = 0;
        if (HandleMessage(window, *state, message, wParam, lParam, result)) return result;
    } catch (...) {
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

INT_PTR CALLBACK EditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, GWLP_USERDATA, lParam);
        XmlEditorState* state = XmlEditorStateOf(dialog);
        if (!state) return FALSE;
        if (message == WM_NCDESTROY) {
            if (state->Hook) state->Hook(dialog, message, wParam, lParam);
            FreeState(dialog);
            return FALSE;
        }
        if (state->Hook)
            if (LRESULT hooked = state->Hook(dialog, message, wParam, lParam)) {
                SetWindowLongPtrW(dialog, DWLP_MSGRESULT, hooked);
                return TRUE;
            }
        if (message == WM_INITDIALOG) {
            SetUpGrid(GetDlgItem(dialog, kXmlEditorGridId));
            state->BoldFont = MakeBoldFont(GetDlgItem(dialog, kXmlEditorGridId));
            SendMessageW(dialog, kXmlEditorFill, 0, 0);
            return TRUE;
        }
        LRESULT result = 0;
        if (!HandleMessage(dialog, *state, message, wParam, lParam, result)) return FALSE;
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

bool RegisterEditorClass(HINSTANCE instance) {
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    if (GetClassInfoExW(instance, kXmlEditorClass, &cls)) return true;
    cls.cbSize = sizeof cls;
    cls.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    cls.lpfnWndProc = EditorWindowProc;
    cls.hInstance = instance;
    cls.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    cls.lpszClassName = kXmlEditorClass;
    return RegisterClassExW(&cls) != 0;
}

} // namespace

XmlEditorState* XmlEditorStateOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    const bool ours = lstrcmpW(name, kXmlEditorClass) == 0 || lstrcmpW(name, L"#32770") == 0;
    return ours ? reinterpret_cast<XmlEditorState*>(GetWindowLongPtrW(window, GWLP_USERDATA)) : nullptr;
}

void XmlEditorCommitText(HWND window) {
    if (XmlEditorState* state = XmlEditorStateOf(window)) StoreText(window, *state, state->Selected);
}

void XmlEditorRefillGrid(HWND window) {
    if (XmlEditorState* state = XmlEditorStateOf(window)) FillGrid(window, *state, state->Selected);
}

INT_PTR OpenXmlEditor(HWND owner, XmlElement* element, uint8_t flag, HINSTANCE instance,
                      const wchar_t* templateName, bool modal, XmlEditorHook hook,
                      XmlEditorItemCallback itemCallback, void* userData, XmlElement* translation,
                      uint32_t option, std::vector<XmlDocument*> documents) {
    if (!element) return 0;
    RegisterGridClasses();
    auto* state = new XmlEditorState;
    state->Element = element;
    state->Translation = translation;
    state->Flag = flag;
    state->Hook = hook;
    state->ItemCallback = itemCallback;
    state->UserData = userData;
    state->Option = option;
    state->Documents = documents.empty() ? std::vector<XmlDocument*>{UserConfigDocument, CommonConfigDocument,
                                                                     ExtrasDocument, TempDocument}
                                         : std::move(documents);
    std::erase(state->Documents, nullptr);
    const auto parameter = reinterpret_cast<LPARAM>(state);
    if (instance && modal) {
        state->Mode = kXmlEditorModal;
        // The dialog frees the state with its window.
        return DialogBoxParamW(instance, templateName, owner, EditorDialogProc, parameter);
    }
    if (instance) {
        state->Mode = kXmlEditorModeless;
        HWND dialog = CreateDialogParamW(instance, templateName, owner, EditorDialogProc, parameter);
        if (!dialog) delete state;
        return reinterpret_cast<INT_PTR>(dialog);
    }
    state->Mode = kXmlEditorOwnWindow;
    HINSTANCE self = GetModuleHandleW(nullptr);
    RegisterEditorClass(self);
    HWND window = CreateWindowExW(0, kXmlEditorClass, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, nullptr, self, state);
    if (!window) delete state;
    return reinterpret_cast<INT_PTR>(window);
}
