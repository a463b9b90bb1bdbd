#include "common/command_ids.h"
#include "common/lang_string_ids.h"
#include "shell/preferences/preferences_window.h"
#include "shell/preferences/preferences_parts.h"

#include "common/app_state.h"
#include "common/lang_strings.h"
#include "common/list_tree_helpers.h"
#include "common/message_box.h"
#include "common/window_helpers.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/preferences_request.h"
#include "media/speech.h"
#include "script/event_table.h"
#include "shell/preferences/apply_settings.h"
#include "ui/grid_control.h"
#include "ui/rebars.h"
#include "ui/xml_tree_editor.h"
#include "views/config_fonts.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <richedit.h>

#include <algorithm>
#include <cstring>

namespace {

constexpr UINT kApplyCheckBoxes = WM_APP + 0x42;
constexpr int kToolbarHeight = 32;
// Room right of the widest tree label for the text's own margin (the scroll bar is added apart).
constexpr int kTreeLabelMargin = 8;
// Space left and right of a colour's swatch in its cell.
constexpr int kSwatchInset = 4;

HWND PreferencesWindow = nullptr;
uint32_t PaneKind = 0;
std::string StartPath;
HFONT StockFont = nullptr, BoldFont = nullptr, UnderlinedFont = nullptr;
// Set while the switches' check boxes show their values; their changes are the user's then.
bool CheckBoxesLive = false;
// Set while the text pane shows a guide (the formats' preview, the list of events) rather than
// the selected element's own text, which must then not be stored from it.
bool PaneShowsGuide = false;

struct ListTemplate {
    const char* Node;
    const wchar_t* Label;
    const char* Tag;
};
const ListTemplate kTemplates[] = {
    {"Servers", L"Server",
     "<s Group=\"\" name=\"Server\" Address=\"\" Port=\"6667\" Nick=\"\" Email=\"\" Your_Name=\"\" "
     "Password=\"\" "
     "Mode=\"\" Auto_Connect=\"0\" Auto_Reconnect=\"0\" SSL=\"0\" Proxy_Mode=\"0\" __Auto_Connect=\"0|||1\" "
     "__Auto_Reconnect=\"0|||1\" __SSL=\"0|||1\" __Proxy_Mode=\"0|||1\" />"},
    {"Scripts", L"Script",
     "<n name=\"Script\" Description=\"Enter description here\" Trigger_Type=\"0\" __Trigger_Type=\"0|||1\" "
     "Trigger=\"/SCRIPT\" Keyboard_Trigger=\"\" Anti_Trigger=\"\" Enabled=\"1\" Locked=\"0\" "
     "Process_All_Triggers=\"0\" Case_Sensitive_Match=\"0\" Server_Popup=\"0\" Channel_Popup=\"0\" "
     "Query_Popup=\"0\" Nick_Popup=\"0\" DCC_Popup=\"0\" __Enabled=\"0|||1\" __Locked=\"0|||1\" "
     "__Process_All_Triggers=\"0|||1\" __Case_Sensitive_Match=\"0|||1\" __Server_Popup=\"0|||1\" "
     "__Channel_Popup=\"0|||1\" __Query_Popup=\"0|||1\" __Nick_Popup=\"0|||1\" __DCC_Popup=\"0|||1\" />"},
    {"Notes", L"Note", "<n name=\"Note\" />"},
    {"Proxy_List", L"Proxy",
     "<n name=\"Proxy\" Server=\"\" Port=\"\" User_name=\"\" Password=\"\" Type=\"0\" "
     "__Type=\"0|||1|||2|||3\"/>"},
};

// Event scripts are listed by their event's name; NewItem makes their tag for the event it picks.
const ListTemplate kEventScripts = {"Special_Scripts", L"", ""};

const ListTemplate* TemplateFor(const std::string& name) {
    for (const ListTemplate& entry : kTemplates)
        if (lstrcmpiA(entry.Node, name.c_str()) == 0) return &entry;
    if (lstrcmpiA(kEventScripts.Node, name.c_str()) == 0) return &kEventScripts;
    return nullptr;
}

HWND Tree() {
    return GetDlgItem(PreferencesWindow, kXmlEditorTreeId);
}
HWND List() {
    return GetDlgItem(PreferencesWindow, kXmlEditorGridId);
}
HWND Toolbar() {
    return GetDlgItem(GetDlgItem(PreferencesWindow, kMainRebarId), kStandardToolbarId);
}

// The element a tree item stands for.
XmlElement* TreeItemElement(HWND tree, HTREEITEM item) {
    TVITEMW data{};
    data.mask = TVIF_PARAM;
    data.hItem = item;
    SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    return reinterpret_cast<XmlElement*>(data.lParam);
}

XmlElement* ItemElement(HTREEITEM item) {
    return TreeItemElement(Tree(), item);
}

HTREEITEM SelectedItem() {
    return reinterpret_cast<HTREEITEM>(SendMessageW(Tree(), TVM_GETNEXTITEM, TVGN_CARET, 0));
}

std::string NameOf(XmlElement* element) {
    return element ? XmlElementGetNameString(element) : std::string();
}

void EnableListCommands(bool enable) {
    HMENU menu = GetMenu(PreferencesWindow);
    for (UINT id : {902u, 904u}) {
        SendMessageW(Toolbar(), TB_ENABLEBUTTON, id, enable);
        EnableMenuItem(menu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
    }
}

// The width the tree needs to show every label whole, collapsed or not.
int WidestTreeLabel(HWND tree, HDC dc, HTREEITEM parent, int depth) {
    const int indent = static_cast<int>(SendMessageW(tree, TVM_GETINDENT, 0, 0));
    int widest = 0;
    for (auto item = reinterpret_cast<HTREEITEM>(
             SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
         item; item = reinterpret_cast<HTREEITEM>(
                   SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        const std::wstring text = TreeViewItemText(tree, item);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        widest = std::max({widest, (depth + 1) * indent + static_cast<int>(extent.cx),
                           WidestTreeLabel(tree, dc, item, depth + 1)});
    }
    return widest;
}

// A fifth of the width, or more when a label needs it, but never more than half.
int TreeWidth(int clientWidth) {
    HWND tree = Tree();
    HDC dc = GetDC(tree);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(tree, WM_GETFONT, 0, 0)));
    const int needed = WidestTreeLabel(tree, dc, TVI_ROOT, 0) + kTreeLabelMargin +
                       GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXEDGE);
    SelectObject(dc, previous);
    ReleaseDC(tree, dc);
    return std::min(std::max(clientWidth / 5, needed), clientWidth / 2);
}

void Layout() {
    RECT client{};
    GetClientRect(PreferencesWindow, &client);
    const int w = client.right, h = std::max<int>(client.bottom, kToolbarHeight + 1);
    const double f = PaneKind == 0 ? 1.0 : PaneKind == 3 ? static_cast<double>(kToolbarHeight) / h : 0.5;
    const int left = TreeWidth(w), split = static_cast<int>(f * h);
    MoveWindow(GetDlgItem(PreferencesWindow, kMainRebarId), 0, 0, w, kToolbarHeight, TRUE);
    MoveWindow(Tree(), 0, kToolbarHeight, left, h - kToolbarHeight, TRUE);
    MoveWindow(List(), left, kToolbarHeight, w - left, split - kToolbarHeight, TRUE);
    MoveWindow(GetDlgItem(PreferencesWindow, kXmlEditorTextId), left, split, w - left, h - split, TRUE);
}

uint32_t KindOfName(const std::string& name) {
    if (name == "Appearance") return 4;
    if (name == "Special_Scripts") return 1;
    if (name == "Scripts" || name == "Servers" || name == "Proxy_List") return 2;
    if (name == "Notes") return 3;
    return 0;
}

HWND Pane() {
    return GetDlgItem(PreferencesWindow, kXmlEditorTextId);
}

// A guide in the pane is no text of the element: it goes before the editor stores the pane.
void ClearPreview() {
    if (!PaneShowsGuide) return;
    PaneShowsGuide = false;
    SetWindowTextW(Pane(), L"");
    SendMessageW(Pane(), EM_SETREADONLY, FALSE, 0);
    SendMessageW(Pane(), EM_SETTARGETDEVICE, 0, 1); // scripts keep their lines unwrapped
}

// The events a script can be written for, with when each fires and what it is given.
void ShowEventGuide() {
    std::wstring text;
    for (const ScriptEvent& event : ScriptEvents())
        text += NarrowToWide(event.Name) + L"\r\n    " + NarrowToWide(event.FiredWhen) + L" " +
                NarrowToWide(event.Parameters) + L"\r\n";
    SendMessageW(Pane(), EM_SETTARGETDEVICE, 0, 0); // wrapped at the pane's width
    SetWindowTextW(Pane(), text.c_str());
    SendMessageW(Pane(), EM_SETREADONLY, TRUE, 0);
    PaneShowsGuide = true;
}

void OnSelectionChanged(XmlElement* element) {
    const std::string parent = NameOf(element ? XmlElementGetParent(element) : nullptr);
    PaneKind = KindOfName(NameOf(element));
    if (const uint32_t parentKind = KindOfName(parent); parentKind != 0 && parentKind != 4)
        PaneKind = parentKind;
    EnableListCommands(PaneKind == 1 || PaneKind == 2 || PaneKind == 3);
    const bool switches = NameOf(element) == "Options2";
    CheckBoxesLive = false;
    SendMessageW(List(), LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_CHECKBOXES, switches ? LVS_EX_CHECKBOXES : 0);
    // The editor fills the list after this notice; the check boxes and the preview follow it.
    PostMessageW(PreferencesWindow, kApplyCheckBoxes, switches, 0);
    Layout();
}

XmlVariable* RowVariable(int row) {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<XmlVariable*>(item.lParam);
}

void SetCellText(int row, const std::wstring& text) {
    LVITEMW cell{};
    cell.iSubItem = 1;
    cell.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(List(), LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
}

void ApplyCheckBoxes(bool switches) {
    if (switches) {
        const int count = static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row) {
            int32_t value = 0;
            {
                XmlDocumentReadLock lock(UserConfigDocument);
                value = XmlVariableGetInt(RowVariable(row));
            }
            LVITEMW state{};
            state.stateMask = LVIS_STATEIMAGEMASK;
            state.state = INDEXTOSTATEIMAGEMASK(value != 0 ? 2 : 1);
            SendMessageW(List(), LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(&state));
        }
        CheckBoxesLive = true;
    }
    XmlElement* selected = ItemElement(SelectedItem());
    if (PaneKind == 4) {
        ShowAppearancePreview(Pane(), selected);
        PaneShowsGuide = true;
    } else if (NameOf(selected) == kEventScripts.Node) {
        ShowEventGuide();
    }
}

void ShowRowValue(int row) {
    wchar_t text[1000] = {};
    if (PreferencesDisplayText(RowVariable(row), text)) SetCellText(row, text);
}

// A value shown in a readable form is edited in the form it is stored in.
void ShowStoredValue(XmlVariable* variable) {
    if (!HasReadableForm(XmlVariableGetNameString(variable))) return;
    const auto row =
        static_cast<int>(SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    if (row < 0 || RowVariable(row) != variable) return;
    std::string stored;
    {
        XmlDocumentReadLock lock(UserConfigDocument);
        stored = XmlVariableGetValueString(variable);
    }
    SetCellText(row, NarrowToWide(stored));
}

// An entry named by its "name" takes the new name in the tree.
void RelabelSelected(XmlVariable* variable) {
    if (XmlVariableGetNameString(variable) != "name") return;
    XmlElement* element = XmlVariableGetOwner(variable);
    HTREEITEM item = SelectedItem();
    if (ItemElement(item) != element) return;
    wchar_t text[1000] = {};
    if (!PreferencesLabel(element, text)) {
        XmlDocumentReadLock lock(UserConfigDocument);
        const std::wstring name = NarrowToWide(XmlVariableGetValueString(variable));
        wcsncpy(text, name.c_str(), 999);
    }
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    SendMessageW(Tree(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&data));
    Layout();
}

void OnCheckBoxToggled(const NMLISTVIEW& change) {
    if (!CheckBoxesLive || !(change.uChanged & LVIF_STATE)) return;
    if (((change.uNewState ^ change.uOldState) & LVIS_STATEIMAGEMASK) == 0) return;
    const bool checked = (change.uNewState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    wchar_t text[2] = {checked ? L'1' : L'0', L'\0'};
    LVITEMW cell{};
    cell.iSubItem = 1;
    cell.pszText = text;
    SendMessageW(List(), LVM_SETITEMTEXTW, static_cast<WPARAM>(change.iItem),
                 reinterpret_cast<LPARAM>(&cell));
    XmlDocumentWriteLock lock(UserConfigDocument);
    XmlVariableSetInt(RowVariable(change.iItem), checked ? 1 : 0);
}

// The first event, in the table's order, that has no script yet (the first of all when each has).
std::string FirstEventWithoutScript(XmlElement* scripts) {
    const auto events = ScriptEvents();
    for (const ScriptEvent& event : events) {
        bool taken = false;
        for (uint32_t i = 0, n = XmlElementGetChildCount(scripts); i < n && !taken; ++i)
            if (XmlElement* child = XmlElementGetChild(scripts, i))
                if (const XmlVariable* name = XmlElementFindVariableView(child, "name"))
                    taken = lstrcmpiA(XmlVariableGetValueString(name).c_str(), event.Name) == 0;
        if (!taken) return event.Name;
    }
    return events.front().Name;
}

// A new event script: its name is chosen among the events (the choices of "__name").
std::string EventScriptTag(const std::string& event) {
    std::string choices;
    for (const ScriptEvent& each : ScriptEvents())
        choices += (choices.empty() ? "" : "|||") + std::string(each.Name);
    return "<e name=\"" + event + "\" __name=\"" + choices + "\" />";
}

HTREEITEM InsertTreeItem(HTREEITEM parent, const wchar_t* label, XmlElement* element) {
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent;
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM;
    insert.item.pszText = const_cast<wchar_t*>(label);
    insert.item.lParam = reinterpret_cast<LPARAM>(element);
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(Tree(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
}

void NewItem() {
    HTREEITEM item = SelectedItem();
    XmlElement* selected = ItemElement(item);
    if (!selected) return;
    const ListTemplate* entry = TemplateFor(NameOf(selected));
    XmlElement* node = selected;
    if (!entry) {
        node = XmlElementGetParent(selected);
        entry = TemplateFor(NameOf(node));
        item = reinterpret_cast<HTREEITEM>(
            SendMessageW(Tree(), TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)));
    }
    if (!entry || !item) return;
    XmlElement* element = nullptr;
    std::wstring label = entry->Label;
    {
        XmlDocumentWriteLock lock(UserConfigDocument);
        if (entry == &kEventScripts) {
            const std::string event = FirstEventWithoutScript(node);
            element = XmlElementAddNewChild(node, EventScriptTag(event).c_str());
            label = NarrowToWide(event);
        } else {
            element = XmlElementAddNewChild(node, entry->Tag);
        }
    }
    HTREEITEM added = InsertTreeItem(item, label.c_str(), element);
    TreeViewSetHasChildren(Tree(), item);
    SendMessageW(Tree(), TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    TreeViewHighlightItem(Tree(), added);
    SendMessageW(Tree(), TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(added));
}

void DeleteItem() {
    HTREEITEM item = SelectedItem();
    XmlElement* element = ItemElement(item);
    XmlElement* parent = element ? XmlElementGetParent(element) : nullptr;
    if (!parent || !TemplateFor(NameOf(parent))) return;
    if (AppMessageBox(PreferencesWindow, GetLangString(kSureText), kProgramTitle, MB_YESNO | MB_DEFBUTTON2,
                      MB_ICONQUESTION) != IDYES)
        return;
    SendMessageW(Tree(), TVM_DELETEITEM, 0, reinterpret_cast<LPARAM>(item));
    if (XmlEditorState* state = XmlEditorStateOf(PreferencesWindow); state && state->Selected == element) {
        state->Selected = nullptr;
        XmlEditorRefillGrid(PreferencesWindow);
    }
    XmlDocumentWriteLock lock(UserConfigDocument);
    XmlElementRemoveChild(parent, XmlElementFindChildIndex(parent, element));
}

void SaveSettings() {
    if (!PaneShowsGuide) XmlEditorCommitText(PreferencesWindow);
    XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
}

void OnClosed() {
    if (UserConfigDocument && XmlDocumentIsValid(UserConfigDocument)) {
        {
            XmlDocumentWriteLock lock(UserConfigDocument);
            XmlElementSortChildren(XmlElementFindChild(XmlDocumentGetRoot(UserConfigDocument), "Scripts"),
                                   CompareElementsByName);
        }
        XmlDocumentSave(UserConfigDocument, nullptr, 0, 0, nullptr);
    }
    ApplySettings();
    ApplySpeechSettings();
}

// A colour value is drawn as a swatch of the colour followed by its numbers.
LRESULT DrawColourCell(NMLVCUSTOMDRAW& draw, COLORREF colour) {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    RECT cell{};
    cell.top = draw.iSubItem;
    cell.left = LVIR_BOUNDS;
    SendMessageW(List(), LVM_GETSUBITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&cell));
    const bool selected =
        SendMessageW(List(), LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_SELECTED) != 0;
    HDC dc = draw.nmcd.hdc;
    RECT inside = cell;
    inside.bottom -= 1; // the grid line below
    FillRect(dc, &inside, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int side = std::max<int>(inside.bottom - inside.top - 4, 4);
    RECT swatch{inside.left + kSwatchInset, inside.top + 2, inside.left + kSwatchInset + side,
                inside.top + 2 + side};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &swatch, brush);
    DeleteObject(brush);
    FrameRect(dc, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT text = inside;
    text.left = swatch.right + kSwatchInset;
    const std::wstring value = ListViewItemText(List(), row, draw.iSubItem);
    HGDIOBJ previous = SelectObject(dc, StockFont);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    DrawTextW(dc, value.c_str(), static_cast<int>(value.size()), &text,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, previous);
    return CDRF_SKIPDEFAULT;
}

LRESULT CustomDraw(NMLVCUSTOMDRAW& draw) {
    if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) return CDRF_NOTIFYSUBITEMDRAW;
    if (draw.nmcd.dwDrawStage != (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) return 0;
    if (draw.iSubItem == 0) {
        SelectObject(draw.nmcd.hdc, BoldFont);
        return CDRF_NEWFONT;
    }
    if (COLORREF colour = 0; PreferenceColour(reinterpret_cast<XmlVariable*>(draw.nmcd.lItemlParam), colour))
        return DrawColourCell(draw, colour);
    const std::wstring shown =
        ListViewItemText(List(), static_cast<int>(draw.nmcd.dwItemSpec), draw.iSubItem);
    const wchar_t* text = shown.c_str();
    const bool link = _wcsnicmp(text, L"http://", 7) == 0;
    draw.clrText = link ? RGB(0, 0, 255) : RGB(0, 0, 0);
    SelectObject(draw.nmcd.hdc, link ? UnderlinedFont : StockFont);
    return CDRF_NEWFONT;
}

void OnCreated(HWND window) {
    PreferencesWindow = window;
    if (ProgramIcon) {
        SetClassLongPtrW(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(ProgramIcon));
        SetClassLongPtrW(window, GCLP_HICONSM, reinterpret_cast<LONG_PTR>(ProgramIcon));
    }
    DeleteTrackedFont(UnderlinedFont);
    DeleteTrackedFont(BoldFont);
    StockFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    BoldFont = CreateBoldFont(StockFont);
    UnderlinedFont = CreateUnderlinedFont(BoldFont);
    if (!ConfiguredFonts.empty() && ConfiguredFonts[0])
        SendMessageW(GetDlgItem(window, kXmlEditorTextId), WM_SETFONT,
                     reinterpret_cast<WPARAM>(ConfiguredFonts[0]), 0);
    if (HMODULE language = LanguageModule.load())
        if (HMENU menu = LoadMenuW(language, L"MENU_CONNECT")) {
            RemoveMenu(menu, 2, MF_BYPOSITION);
            SetMenu(window, menu);
        }
    CreatePreferencesRebar(window);
    SendMessageW(Toolbar(), TB_ENABLEBUTTON, ID_EDITOR_COPY, FALSE);
    EnableMenuItem(GetMenu(window), ID_EDITOR_COPY, MF_BYCOMMAND | MF_GRAYED);
    EnableListCommands(false);
}

LRESULT OnNotify(NMHDR& header) {
    if (header.idFrom == static_cast<UINT_PTR>(kXmlEditorTreeId)) {
        if (header.code == TVN_SELCHANGINGW)
            ClearPreview();
        else if (header.code == TVN_SELCHANGEDW)
            OnSelectionChanged(
                reinterpret_cast<XmlElement*>(reinterpret_cast<NMTREEVIEWW&>(header).itemNew.lParam));
        else if (header.code == TVN_KEYDOWN && reinterpret_cast<NMTVKEYDOWN&>(header).wVKey == VK_TAB)
            SetFocus(List());
        return 0;
    }
    if (header.idFrom == static_cast<UINT_PTR>(kXmlEditorGridId)) {
        if (header.code == NM_CUSTOMDRAW) return CustomDraw(reinterpret_cast<NMLVCUSTOMDRAW&>(header));
        // A value edited in its stored form shows as it reads again once the edit ends.
        const auto& edit = reinterpret_cast<NMLVDISPINFOW&>(header);
        if (static_cast<int>(header.code) == kGridCellStored ||
            (static_cast<int>(header.code) == kGridEndEdit && !edit.item.pszText))
            ShowRowValue(edit.item.iItem);
        if (header.code == LVN_ITEMCHANGED) OnCheckBoxToggled(reinterpret_cast<NMLISTVIEW&>(header));
        if (header.code == LVN_KEYDOWN && reinterpret_cast<NMLVKEYDOWN&>(header).wVKey == VK_TAB)
            SetFocus(Tree());
        return 0;
    }
    if (header.code == TTN_GETDISPINFOW) {
        auto& info = reinterpret_cast<NMTTDISPINFOW&>(header);
        static wchar_t text[1000];
        text[0] = L'\0';
        const UINT id = static_cast<UINT>(header.idFrom);
        if (id >= ID_POPUP_GROUP_FIRST)
            GetMenuStringW(GetMenu(PreferencesWindow), id - ID_POPUP_GROUP_FIRST, text, 1000, MF_BYPOSITION);
        else
            GetMenuStringW(GetMenu(PreferencesWindow), id, text, 1000, MF_BYCOMMAND);
        info.lpszText = text;
    }
    return 0;
}

void ShowHelpOfFrame() {
    PostMessageW(MainWindow.load(), WM_COMMAND, ID_HELP_FILE, 0);
}

// The commands of the window's own menu and bar; the others are the editor's.
struct EditorCommandRow {
    uint32_t Id;
    void (*Run)();
};
constexpr EditorCommandRow kEditorCommands[] = {
    {ID_EDITOR_HELP, ShowHelpOfFrame},
    {ID_EDITOR_NEW, NewItem},
    {ID_EDITOR_SAVE, SaveSettings},
    {ID_EDITOR_DELETE, DeleteItem},
};

LRESULT RunEditorCommand(uint32_t id) {
    for (const EditorCommandRow& row : kEditorCommands) {
        if (row.Id != id) continue;
        row.Run();
        return 1;
    }
    return 0;
}

LRESULT PreferencesHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: OnCreated(window); return 0;
        case WM_SIZE:
            if (!PreferencesWindow) return 0;
            Layout();
            return 1;
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case kApplyCheckBoxes: ApplyCheckBoxes(wParam != 0); return 1;
        case kPreferencesDownloadDone: FinishCatalogueDownload(window, wParam != 0, lParam); return 1;
        case WM_COMMAND: return RunEditorCommand(LOWORD(wParam));
        case WM_CLOSE: ClearPreview(); return 0;
        case WM_DESTROY:
            ClearPreview();
            XmlEditorCommitText(window);
            PreferencesWindow = nullptr;
            OnClosed();
            return 0;
    }
    return 0;
}

LRESULT PreferencesItemCallback(HWND window, uint32_t code, void* item, wchar_t* text) {
    switch (code) {
        case kXmlItemLabel: return PreferencesLabel(static_cast<XmlElement*>(item), text) ? 2 : 0;
        case kXmlItemDisplayText:
            return PreferencesDisplayText(static_cast<XmlVariable*>(item), text) ? 2 : 0;
        case kXmlItemFilled: {
            HWND tree = GetDlgItem(window, kXmlEditorTreeId);
            auto root = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
            auto first = reinterpret_cast<HTREEITEM>(
                SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(root)));
            if (first) SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(first));
            if (!StartPath.empty()) SelectTreePath(tree, root, StartPath);
            return 0;
        }
        case kXmlItemBeforeEdit: {
            // The editor's answers: 1 edits as text, 2 shows the new text, anything else refuses.
            switch (EditPreferenceValue(window, static_cast<XmlVariable*>(item), text)) {
                case kPreferenceNotHandled: ShowStoredValue(static_cast<XmlVariable*>(item)); return 1;
                case kPreferenceChanged: return 2;
                default: return 0;
            }
        }
        case kXmlItemValueChanged:
            RelabelSelected(static_cast<XmlVariable*>(item));
            if (PaneKind == 4)
                ShowAppearancePreview(GetDlgItem(window, kXmlEditorTextId),
                                      XmlVariableGetOwner(static_cast<XmlVariable*>(item)));
            return 0;
    }
    return 0;
}

} // namespace

HWND PreferencesWindowHandle() {
    return PreferencesWindow;
}

bool PreferencesEditsScript() {
    if (!PreferencesWindow || GetActiveWindow() != PreferencesWindow) return false;
    for (HTREEITEM item = SelectedItem(); item;
         item = reinterpret_cast<HTREEITEM>(
             SendMessageW(Tree(), TVM_GETNEXTITEM, TVGN_PARENT, reinterpret_cast<LPARAM>(item)))) {
        const std::string name = NameOf(ItemElement(item));
        if (name == "Scripts" || name == "Special_Scripts") return true;
    }
    return false;
}

void SelectTreePath(HWND tree, HTREEITEM parent, const std::string& path) {
    const size_t cut = path.find('\\');
    const std::string first = path.substr(0, cut);
    for (auto item = reinterpret_cast<HTREEITEM>(
             SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(parent)));
         item; item = reinterpret_cast<HTREEITEM>(
                   SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)))) {
        XmlElement* element = TreeItemElement(tree, item);
        if (!element || XmlElementGetNameString(element) != first) continue;
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        if (cut != std::string::npos && cut + 1 < path.size()) {
            SelectTreePath(tree, item, path.substr(cut + 1));
        } else {
            SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
            TreeViewHighlightItem(tree, item);
        }
        return;
    }
}

void shell::OpenPreferences(const std::string& section) {
    if (PreferencesWindow && IsWindow(PreferencesWindow)) {
        TakePreferencesPendingSection(); // ignored now, and not left for a later opening
        SetForegroundWindow(PreferencesWindow);
        return;
    }
    FontsChanged = 0;
    ColoursChanged = 0;
    FillConfigurationView();
    StartPath = section;
    if (StartPath.empty()) StartPath = TakePreferencesPendingSection();
    PaneKind = 0;
    auto window = reinterpret_cast<HWND>(OpenXmlEditor(
        nullptr, &ConfigurationView, 0, nullptr, nullptr, false, PreferencesHook, PreferencesItemCallback,
        &StartPath, TranslationTree, 1, {UserConfigDocument, ExtrasDocument}));
    if (!window) return;
    HWND list = GetDlgItem(window, kXmlEditorGridId);
    SetWindowLongPtrW(list, GWL_STYLE, GetWindowLongPtrW(list, GWL_STYLE) | WS_THICKFRAME);
    PreviousResizeProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DialogResizeSubclassProc)));
    Layout();
}
