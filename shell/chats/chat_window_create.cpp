// Building a chat window's controls on WM_CREATE.
#include "common/app_state.h"
#include "common/command_ids.h"
#include "common/data_folders.h"
#include "common/plain_base_name.h"
#include "common/xstring.h"
#include "common/rich_edit_helpers.h"
#include "irc/server_connection.h"
#include "core/applied_settings.h"
#include "shell/chats/chat_window.h"
#include "shell/windows/window_titles.h"
#include "core/chat_view_message.h"
#include "core/settings.h"
#include "core/nick_list_control.h"
#include "core/startup_switches.h"
#include "shell/controls/input_box.h"
#include "shell/windows/log_files.h"
#include "shell/controls/nick_list.h"
#include "shell/chats/view_procs.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/windows/window_record_ops.h"
#include "shell/windows/window_tabs.h"
#include "ui/rebars.h"

#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include <utility>

namespace {

constexpr DWORD kDefaultViewStyle = 0x52242944;
constexpr DWORD kInputStyle = 0x500010C4;
constexpr DWORD kNickListStyle = 0x50B18819;

// Every control is made out of sight: the window's first layout places and shows them, once the
// window shows (a window that opens behind others may wait a while).
HWND MakeControl(HWND parent, DWORD exStyle, const wchar_t* className, DWORD style, int id) {
    return CreateWindowExW(exStyle, className, L"", style & ~static_cast<DWORD>(WS_VISIBLE), 0, 0, 100, 100,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                           GetModuleHandleW(nullptr), nullptr);
}

void SetTextColour(HWND richEdit, COLORREF colour) {
    CHARFORMAT2W format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = colour;
    SendMessageW(richEdit, EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&format));
}

void SetFont(HWND control, uint32_t index) {
    if (control && index < ConfiguredFonts.size())
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(ConfiguredFonts[index]), TRUE);
}

void StartAutoLogging(WindowRecord* record) {
    if (!Settings::AutoLogging()) return;
    record->Logging = 1;
    // Named as the window is shown: a DCC chat never writes into its nick's query log.
    record->LogPath = DocumentsFolder + L"\\" + PlainBaseName(WindowDisplayName(record)) + L".log";
    shell::WriteLogLine(record, kLogStartMarker);
}

HWND CreateView(WindowRecord* record, HWND window) {
    DWORD style = static_cast<DWORD>(Settings::ViewStyle());
    if (style == 0) style = kDefaultViewStyle;
    if (record->ViewFlag) style |= ES_AUTOHSCROLL;
    if (record->Type == kServerWindow) style |= WS_HSCROLL;
    style &= ~static_cast<DWORD>(0x840000);
    // A sizing border by which the user drags the split between view and nick list.
    if (record->Type == kChannelWindow) style |= WS_THICKFRAME;
    const DWORD exStyle = Settings::Gradient().empty() ? 0x310 : 0x330;
    HWND view = MakeControl(window, exStyle, L"RichEdit20W", style, kViewId);
    SendMessageW(view, EM_AUTOURLDETECT, TRUE, 0);
    SendMessageW(view, EM_SETEVENTMASK, 0, ENM_LINK);
    // Nobody undoes in a view, yet it keeps one step of undo: a Rich Edit control that keeps none
    // (Wine's) never frees the paragraph mark of each line it removes, so a view with no undo loses
    // some 300 bytes per line that scrolls out. The printer's inserts and removals keep no undo, so
    // each of them empties what the step held.
    SendMessageW(view, EM_SETUNDOLIMIT, 1, 0);
    SendMessageW(view, EM_SETBKGNDCOLOR, 0, Settings::BackgroundColour());
    if (record->Type == kServerWindow) SetTextColour(view, Settings::ServerTextColour());
    if (const int spacing = Settings::ViewSpacing()) {
        PARAFORMAT2 paragraph{};
        paragraph.cbSize = sizeof paragraph;
        paragraph.dwMask = PFM_LINESPACING;
        paragraph.bLineSpacingRule = 5;
        paragraph.dyLineSpacing = spacing;
        SendMessageW(view, EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&paragraph));
    }
    return view;
}

void CreateNickList(WindowRecord* record, HWND window) {
    // A virtual list over the record's own nick store.
    HWND list = CreateNickListControl(record, window, 0x330, kNickListStyle & ~static_cast<DWORD>(WS_VISIBLE),
                                      kNickListId, 0, 0, 100, 100);
    record->NickList = list;
    SubclassNickList(list);
    PrepareNickList(list);
    SendMessageW(list, LVM_SETBKCOLOR, 0, Settings::ListBackgroundColour());
    const DWORD extended = Settings::GridLines() ? 0x10021 : 0x10020;
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, extended);
    SendMessageW(list, LVM_ENABLEGROUPVIEW, TRUE, 0);
}

// Buttons of the standard toolbar that the window's type has no use for, by position.
void DeleteUnusedButtons(const WindowRecord* record) {
    HWND rebar = record->ControlBar;
    HWND toolbar = rebar ? GetDlgItem(rebar, kStandardToolbarId) : nullptr;
    if (!toolbar) return;
    std::vector<int> positions;
    switch (record->Type) {
        case kServerWindow: positions = {11, 7, 4}; break;
        case kChannelWindow:
        case kQueryWindow: positions = {7}; break;
        case kDccChatWindow: positions = {6}; break;
        default: break;
    }
    for (int position : positions) SendMessageW(toolbar, TB_DELETEBUTTON, position, 0);
}

} // namespace

void MakeControlBar(WindowRecord* record) {
    if (!record || record->ControlBar) return;
    record->ControlBar = CreateChildRebar(record->Window);
    DeleteUnusedButtons(record);
    // The switches the window went through before its bar was made.
    const std::pair<uint32_t, bool> switches[] = {{ID_MULTI_LINE_INPUT, record->MultiLineInput != 0},
                                                  {ID_WINDOW_NOTIFY, record->NotifyCount == 1},
                                                  {ID_WINDOW_PAUSE, record->Paused != 0},
                                                  {ID_WINDOW_DOCK, record->Detached != 0},
                                                  {ID_FORMAT_BAR, record->ShowInsertsBar != 0},
                                                  {ID_VOICE_TALK, record->VoiceCapture != 0},
                                                  {ID_VOICE_LISTEN, record->VoiceListen != 0},
                                                  {ID_SAVE_TEXT, record->Logging != 0},
                                                  {ID_NICK_LIST_GROUPS, record->SortNicks != 0},
                                                  {ID_SPEAK_INCOMING, record->SpeakIncoming != 0}};
    for (const auto& [id, on] : switches) CheckChildToolbarButton(record, id, on);
}

LRESULT OnChatCreate(HWND window, const ChatWindowParams& params) {
    auto* record = new WindowRecord(window, params.Type, params.Server);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(record));
    // The window fills its background around its controls, never over them: a control it moves
    // is drawn once, by itself.
    SetWindowLongPtrW(window, GWL_STYLE, GetWindowLongPtrW(window, GWL_STYLE) | WS_CLIPCHILDREN);
    record->Name = params.Name;
    InsertWindowRecord(record);
    SetWindowTextW(window, WindowDisplayName(record).c_str());

    if (record->Type == kServerWindow) {
        record->Connection = new ServerConnection;
        record->ViewFlag = 1;
    } else {
        record->ViewFlag = params.Flag;
    }
    StartAutoLogging(record);

    if (CustomViewMode.load()) {
        // The custom-drawn view keeps its own typed line: it is the window's input box too.
        record->View = MakeControl(window, 0, kChatViewClass, WS_CHILD | WS_VISIBLE | WS_TABSTOP, kViewId);
        record->Input = record->View;
    } else {
        record->View = CreateView(record, window);
        SubclassView(record->View);
        record->Input = MakeControl(window, 0x310, L"RichEdit20W", kInputStyle, kInputId);
        SubclassInputBox(record->Input);
        SendMessageW(record->Input, EM_SETBKGNDCOLOR, 0, Settings::InputBackgroundColour());
    }
    if (record->Type == kChannelWindow) CreateNickList(record, window);

    // The bars are made when the window first shows them (LayoutChatWindow): a window that opens
    // behind others waits for its layout, and the formatting and operator bars are hidden in most.
    record->ShowControlBar = Settings::ShowControlToolbar();
    record->ShowInsertsBar = Settings::ShowInsertsToolbar();
    // Files dropped on a chat window or its nick list are offered by DCC.
    if (record->Type != kServerWindow) DragAcceptFiles(window, TRUE);
    if (record->NickList) DragAcceptFiles(record->NickList, TRUE);

    const uint32_t viewFont = record->Type == kServerWindow ? kFixedFont : kViewFont;
    if (record->View && viewFont < ConfiguredFonts.size())
        RichEditSetViewFont(record->View, ConfiguredFonts[viewFont]);
    if (record->Input != record->View) SetFont(record->Input, kInputFont);
    SetFont(record->NickList, kListFont);

    InsertWindowTab(record);
    // A window behind leaves the keys where they go.
    if (params.InFront) SetFocus(record->Input);
    if (record->Input != record->View) SetTextColour(record->Input, Settings::InputTextColour());
    record->MultiLineInput = 0;
    // A window that opens in front is laid out while it is still out of sight, which costs a
    // fraction of placing its controls in a window that shows; one that opens behind waits for
    // the layouts done between other work (RequestChatLayout).
    if (params.InFront) {
        RECT client{};
        GetClientRect(window, &client);
        LayoutChatWindow(record, client.right, client.bottom);
    }
    return 0;
}
