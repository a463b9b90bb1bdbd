#include "qx/transfer_dialog.h"

#include "common/message_box.h"
#include "common/text_format.h"
#include "qx/antivirus_scan.h"
#include "qx/qx_ids.h"
#include "qx/qx_upnp.h"
#include "qx/tray_progress.h"
#include "transfer/transfer_session.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shobjidl.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

namespace {

constexpr UINT kTrayCallback = 1124;
// Posted by the worker: the transfer ended (wParam 1 success).
constexpr UINT kShowFinish = WM_APP + 2;
// Posted by the worker: the peer is connected.
constexpr UINT kShowPeer = WM_APP + 3;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressIntervalMs = 100;

enum Row { kFileRow, kFromRow, kToRow, kProtocolRow, kStatusRow };

// {56FDF344-FD6D-11D0-958A-006097C9A090}
constexpr CLSID kTaskbarListClass = {
    0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
// {EA1AFB91-9E28-4B86-90E9-9E9F8A5EEFAF}
constexpr IID kTaskbarList3 = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};

// The worker's reports, handed to the window thread: the worker only notes the counters, and the
// window shows the latest ten times a second, so a fast transfer does not spend its time
// repainting the window, the tray icon and the taskbar button (under Wine every repaint also
// queues behind the socket calls in the one server process).
class WindowReporter : public TransferReporter {
public:
    HWND Dialog = nullptr;
    std::atomic<uint64_t> Done{0};
    std::atomic<uint64_t> Size{0};
    std::atomic<bool> Fresh{false};

    void UpdateProgress(uint64_t bytesDone, uint64_t size) override {
        Done = bytesDone;
        Size = size;
        Fresh = true;
    }
    void FinishTransfer(bool success) override { PostMessageW(Dialog, kShowFinish, success ? 1 : 0, 0); }
    void PeerConnected(const std::string& address) override {
        {
            std::lock_guard<std::mutex> lock(peerMutex_);
            peer_ = address;
        }
        PostMessageW(Dialog, kShowPeer, 0, 0);
    }
    std::string PeerAddress() {
        std::lock_guard<std::mutex> lock(peerMutex_);
        return peer_;
    }

private:
    std::mutex peerMutex_;
    std::string peer_;
};

struct DialogState {
    const TransferCommandLine* Line = nullptr;
    TransferShared Shared;
    WindowReporter Reporter;
    // Made before the window, with its socket; handed to the worker once the file is open.
    std::unique_ptr<TransferSession> Session;
    bool SocketReady = false;
    HWND List = nullptr;
    HFONT Bold = nullptr;
    HFONT Normal = nullptr;
    ITaskbarList3* Taskbar = nullptr;
    NOTIFYICONDATAW Tray{};
    uint64_t LastDrawn = 0;
    uint64_t Size = 0;
    bool Ended = false;
    bool EverPaused = false;
    std::wstring Ini;
};

DialogState* state = nullptr;

void SetCell(int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(state->List, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void FitColumns() {
    SendMessageW(state->List, WM_SETREDRAW, FALSE, 0);
    for (int column = 0; column < 3; ++column)
        SendMessageW(state->List, LVM_SETCOLUMNWIDTH, column, LVSCW_AUTOSIZE_USEHEADER);
    // The first column is drawn bold, wider than the list measures it.
    HDC dc = GetDC(state->List);
    HGDIOBJ old = SelectObject(dc, state->Bold);
    SIZE widest{};
    GetTextExtentPoint32W(dc, L"Protocol", 8, &widest);
    SelectObject(dc, old);
    ReleaseDC(state->List, dc);
    const int measured = static_cast<int>(SendMessageW(state->List, LVM_GETCOLUMNWIDTH, 0, 0));
    if (measured < widest.cx + 12) SendMessageW(state->List, LVM_SETCOLUMNWIDTH, 0, widest.cx + 12);
    SendMessageW(state->List, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(state->List, nullptr, TRUE);
}

void MakeList(HWND dialog) {
    state->List = GetDlgItem(dialog, IDC_QX_LIST);
    const int widths[3] = {50, 200, 100};
    for (int column = 0; column < 3; ++column) {
        LVCOLUMNW entry{};
        entry.mask = LVCF_WIDTH | LVCF_SUBITEM;
        entry.cx = widths[column];
        entry.iSubItem = column;
        SendMessageW(state->List, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&entry));
    }
    state->Normal = reinterpret_cast<HFONT>(SendMessageW(state->List, WM_GETFONT, 0, 0));
    LOGFONTW font{};
    GetObjectW(state->Normal ? state->Normal : GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    font.lfWeight = 700;
    state->Bold = CreateFontIndirectW(&font);
    SendMessageW(state->List, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    const wchar_t* names[5] = {L"File", L"From", L"To", L"Protocol", L"Status"};
    for (int row = 0; row < 5; ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(names[row]);
        SendMessageW(state->List, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void AddTrayIcon(HWND dialog) {
    NOTIFYICONDATAW& tray = state->Tray;
    tray.cbSize = sizeof tray;
    tray.hWnd = dialog;
    tray.uID = 1;
    tray.uFlags = NIF_MESSAGE | NIF_ICON;
    tray.uCallbackMessage = kTrayCallback;
    tray.hIcon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), L"ICON_MAIN", IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    Shell_NotifyIconW(NIM_ADD, &tray);
}

// The peer is the host qx was started with until the connection tells its address; it is "From"
// for a file received and "To" for a file sent.
void ShowEnds(const std::wstring& peer) {
    const TransferEnds ends = DescribeTransferEnds(*state->Line, peer);
    SetCell(kFromRow, 1, ends.From);
    SetCell(kToRow, 1, ends.To);
}

void FillConnectionRows() {
    const auto& a = state->Line->Args;
    ShowEnds(state->Line->Listen ? std::wstring() : a[1]);
    if (state->Line->Listen)
        SetCell(kProtocolRow, 1, a[4] + L" " + a[5] + L" " + a[3]);
    else
        SetCell(kProtocolRow, 1, a[4] + L" " + a[5]);
}

// Opens the file and starts the worker on the socket made before the window; false when set-up
// failed.
bool StartTransfer(HWND dialog) {
    const TransferCommandLine& line = *state->Line;
    if (line.Listen && line.Upnp && UpnpPortMapping(line.Port, 0, nullptr, L"TCP")) {
        // The transfer goes on whether the router took the mapping or not.
    }
    FillConnectionRows();
    if (!state->SocketReady || !OpenTransferFile(line, *state->Session)) return false;
    state->Size = state->Session->FileSize;
    const bool receiving = state->Session->Receiving;
    ShowWindow(GetDlgItem(dialog, IDC_QX_RATE_LABEL), SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_QX_RATE), SW_HIDE);
    if (receiving) {
        ShowWindow(GetDlgItem(dialog, IDC_QX_PAUSE), SW_HIDE);
        ShowWindow(GetDlgItem(dialog, IDC_QX_RESUME), SW_HIDE);
    }
    return StartTransferThread(std::move(state->Session));
}

void ShowProgress(HWND dialog) {
    state->Reporter.Fresh = false;
    if (state->Ended) return;
    if (state->Shared.Paused) {
        SetCell(kStatusRow, 1, L"Paused.");
        state->EverPaused = true;
        return;
    }
    const uint64_t done = state->Reporter.Done, size = state->Reporter.Size;
    if (size == 0) return;
    if (!state->Taskbar &&
        SUCCEEDED(CoCreateInstance(kTaskbarListClass, nullptr, CLSCTX_ALL, kTaskbarList3,
                                   reinterpret_cast<void**>(&state->Taskbar))) &&
        state->Taskbar)
        state->Taskbar->SetProgressState(dialog, TBPF_NORMAL);
    SendDlgItemMessageW(dialog, IDC_QX_PROGRESS, PBM_SETPOS, TransferPercent(done, size), 0);
    SetCell(kStatusRow, 2, FormatByteSize(done) + L"/" + FormatByteSize(size));
    SendMessageW(state->List, LVM_SETCOLUMNWIDTH, 2, LVSCW_AUTOSIZE_USEHEADER);
    DrawTrayProgressIcon(dialog, done, size, state->Tray, state->LastDrawn);
    if (state->Taskbar) state->Taskbar->SetProgressValue(dialog, done < size ? done : size, size);
}

// "Failed.", with the reason where the engine knows it.
std::wstring FailedStatus() {
    switch (state->Shared.Failure.load()) {
        case TransferFailure::kReceiverStalled:
            return L"Failed. The receiver made no progress for " +
                   std::to_wstring((state->Shared.StallLimitMs + 999) / 1000) + L" seconds.";
        case TransferFailure::kAckBeyondTheSize:
            return L"Failed. The receiver acknowledged more than the file holds.";
        case TransferFailure::kUnexplained: break;
    }
    return L"Failed.";
}

void ShowButton(HWND dialog, int id, const wchar_t* text, bool shown) {
    HWND button = GetDlgItem(dialog, id);
    if (text) SetWindowTextW(button, text);
    ShowWindow(button, shown ? SW_SHOW : SW_HIDE);
}

void ShowFinish(HWND dialog, bool success) {
    KillTimer(dialog, kProgressTimer);
    ShowProgress(dialog);
    state->Ended = true;
    ShowWindow(dialog, SW_SHOW);
    if (success) {
        SetCell(kStatusRow, 1, L"Completed.");
        ShowButton(dialog, IDC_QX_HIDE, L"Open", true);
        ShowButton(dialog, IDC_QX_PAUSE, L"Open folder", true);
        ShowButton(dialog, IDC_QX_RESUME, L"Scan", state->Line->Action == TransferAction::Receive);
    } else {
        if (state->Taskbar) state->Taskbar->SetProgressState(dialog, TBPF_ERROR);
        SetCell(kStatusRow, 1, FailedStatus());
        FitColumns();
        for (int id : {IDC_QX_HIDE, IDC_QX_PAUSE, IDC_QX_RESUME}) ShowButton(dialog, id, nullptr, false);
    }
    ShowButton(dialog, IDC_QX_CANCEL, L"Close", true);
    if (state->Taskbar) state->Taskbar->Release();
    state->Taskbar = nullptr;
}

void OnButton(HWND dialog, int id) {
    const std::wstring& path = state->Line->Path;
    if (!state->Ended) {
        switch (id) {
            case IDC_QX_HIDE: ShowWindow(dialog, SW_HIDE); break;
            case IDC_QX_PAUSE:
                state->Shared.Paused = true;
                SetCell(kStatusRow, 1, L"Paused.");
                break;
            case IDC_QX_RESUME: state->Shared.Paused = false; break;
            case IDC_QX_CANCEL:
            case IDCANCEL:
                if (AppMessageBox(dialog, L"Are you sure?", L"Brindlex Transfer", MB_YESNO,
                                  MB_ICONQUESTION) != IDNO)
                    EndDialog(dialog, 0);
                break;
        }
        return;
    }
    switch (id) {
        case IDC_QX_HIDE:
            ShellExecuteW(dialog, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            break;
        case IDC_QX_PAUSE: {
            const size_t cut = path.find_last_of(L'\\');
            const std::wstring folder = cut == std::wstring::npos ? path : path.substr(0, cut);
            ShellExecuteW(dialog, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
            break;
        }
        case IDC_QX_RESUME: RunAntivirusScan(dialog, state->Ini, path, true); break;
        case IDC_QX_CANCEL:
        case IDCANCEL: EndDialog(dialog, 0); break;
    }
}

LRESULT OnCustomDraw(NMLVCUSTOMDRAW* draw) {
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
        case CDDS_ITEMPREPAINT: return CDRF_NOTIFYSUBITEMDRAW;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            SelectObject(draw->nmcd.hdc, draw->iSubItem == 0 ? state->Bold : state->Normal);
            return CDRF_NEWFONT;
    }
    return CDRF_DODEFAULT;
}

INT_PTR CALLBACK TransferDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            state->Reporter.Dialog = dialog;
            state->Shared.Reporter = &state->Reporter;
            AddTrayIcon(dialog);
            MakeList(dialog);
            SetTimer(dialog, kProgressTimer, kProgressIntervalMs, nullptr);
            SetCell(kFileRow, 1, state->Line->Args[8]);
            SetCell(kFileRow, 2, FormatByteSize(0));
            // A set-up that failed (file or socket) ends the transfer as failed at once.
            if (!StartTransfer(dialog)) {
                state->Shared.State = kTransferFailed;
                ShowFinish(dialog, false);
            }
            SetCell(kFileRow, 2, FormatByteSize(state->Size));
            FitColumns();
            return TRUE;
        }
        case WM_TIMER:
            if (wParam == kProgressTimer && state->Reporter.Fresh) ShowProgress(dialog);
            return TRUE;
        case kShowFinish: ShowFinish(dialog, wParam != 0); return TRUE;
        case kShowPeer: {
            const std::string peer = state->Reporter.PeerAddress();
            ShowEnds(std::wstring(peer.begin(), peer.end()));
            FitColumns();
            return TRUE;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) OnButton(dialog, LOWORD(wParam));
            return TRUE;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->idFrom == IDC_QX_LIST && header->code == NM_CUSTOMDRAW) {
                SetWindowLongPtrW(dialog, DWLP_MSGRESULT,
                                  OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(lParam)));
                return TRUE;
            }
            break;
        }
        case kTrayCallback:
            if (lParam == WM_LBUTTONDBLCLK) ShowWindow(dialog, SW_SHOW);
            return TRUE;
    }
    return FALSE;
}

// Tests shorten the stall limit through the environment; nothing lengthens it.
uint32_t StallLimitMs() {
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(kTransferStallVariable, text, 16);
    uint64_t limit = 0;
    if (length == 0 || length >= 16 || !ReadDecimal(text, kTransferStallLimitMs, limit) || limit == 0)
        return kTransferStallLimitMs;
    return static_cast<uint32_t>(limit);
}

} // namespace

void RunTransferDialog(const TransferCommandLine& line) {
    DialogState dialogState;
    dialogState.Line = &line;
    dialogState.Shared.StallLimitMs = StallLimitMs();
    dialogState.Ini = QxIniPath();
    state = &dialogState;
    // Listening before there is a window: qv offers the file once this process first waits for
    // input, and a peer that answers the offer at once must find the port open.
    dialogState.Session = std::make_unique<TransferSession>();
    dialogState.Session->Shared = &dialogState.Shared;
    dialogState.SocketReady = MakeTransferSocket(line, *dialogState.Session);
    DialogBoxParamW(GetModuleHandleW(nullptr), L"DIALOG_1", nullptr, TransferDialogProc, 0);
    Shell_NotifyIconW(NIM_DELETE, &dialogState.Tray);
    if (dialogState.Tray.hIcon) DestroyIcon(dialogState.Tray.hIcon);
    if (dialogState.Bold) DeleteObject(dialogState.Bold);
    RemoveUpnpMappings();
    // A worker still running ends with the process; it must not report to a window that is gone.
    ExitProcess(0);
}
