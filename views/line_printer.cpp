#include "views/line_printer.h"

#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/text_replace.h"
#include "common/text_split.h"
#include "common/tray_icon.h"
#include "common/xstring.h"
#include "irc/custom_view_lines.h"
#include "irc/server_connection.h"
#include "views/chat_line_grouping.h"
#include "script/event_scripts.h"
#include "core/applied_settings.h"
#include "core/config_values.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "views/line_text_steps.h"
#include "views/markup_renderer.h"
#include "views/print_dispatch.h"
#include "views/view_redraw.h"
#include "markup/strip_format_codes.h"

#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace {

struct PrintSettings {
    bool IgnoreTextAttributes = false;
    bool TimeStamp = true;
    bool TrayOnlyOnSpecial = false;
    bool TrayOnlyOnText = false;
    std::wstring TimeStampFormat;
    std::vector<std::string> HiliteWords;
};

PrintSettings ReadPrintSettings() {
    PrintSettings s;
    s.IgnoreTextAttributes = ReadConfigInt("Cfg\\Options2", "Ignore_Text_Attributes", 0) != 0;
    s.TimeStamp = ReadConfigInt("Cfg\\Options2", "TimeStamp", 1) != 0;
    s.TrayOnlyOnSpecial = ReadConfigInt("Cfg\\Options2", "TrayNotify_only_on_special", 0) != 0;
    s.TrayOnlyOnText = ReadConfigInt("Cfg\\Options2", "TrayNotify_only_on_text", 0) != 0;
    std::string stamp = ReadConfigText("Cfg\\Options1", "TimeStamp_String", "\x02 %02u:%02u:%02u | \x02");
    UnescapeString(stamp, false);
    s.TimeStampFormat = NarrowToWide(stamp);
    SplitQuoted(s.HiliteWords, ReadConfigText("Cfg\\Options3\\Notifications", "Hilite_words", ""), " ",
                false);
    return s;
}

void EndWithOneLineBreak(std::wstring& line) {
    TrimWStringCrLf(line);
    line += L"\r\n";
}

struct PrintCall {
    LineKind Kind;
    WindowRecord* Record;
    const std::wstring& Text;
    HWND View;
    bool NoTimeStamp, NoNotice, NoTray, ChatLine, NoLock;
    const std::wstring* Sender;
};

// The first highlight word found runs "On_Hilite"; a script answering 1 replaces the line.
bool CheckHighlight(const PrintCall& call, const PrintSettings& settings, std::wstring& line) {
    if (settings.HiliteWords.empty()) return false;
    std::wstring bare = line;
    TrimWStringCrLf(bare);
    std::string narrow = WideToNarrow(bare);
    for (const std::string& word : settings.HiliteWords) {
        std::string probe = narrow;
        if (!StringReplace(probe, word.c_str(), word.c_str(), true, 1)) continue;
        std::string result;
        uint32_t answer =
            RunEventScript("On_Hilite", call.Record, call.Record, WideToNarrow(line), result, 0);
        if (answer != 1) return true;
        line = NarrowToWide(result);
        EndWithOneLineBreak(line);
        return false;
    }
    return false;
}

// The activity a line brings: 2 when it names the user's own nick, else 1.
uint32_t ActivityLevel(const WindowRecord* record, const std::wstring& line) {
    if (!record || record->Type == kServerWindow || !record->Server || !record->Server->Connection) return 1;
    std::wstring nick = NarrowToWide(record->Server->Connection->OwnNick, DefaultCodePage.load());
    return line.find(nick) != std::wstring::npos ? 2 : 1;
}

bool SuppressesNotices(uint32_t noticeLevel, bool chatLine, const PrintSettings& s) {
    if (noticeLevel == kTabMentioned) return false;
    return chatLine ? s.TrayOnlyOnSpecial : (s.TrayOnlyOnSpecial || s.TrayOnlyOnText);
}

// Marks the tab with the line's activity; returns whether the line suppresses notices.
bool MarkActivity(const PrintCall& call, const PrintSettings& settings, bool highlight, uint32_t activity,
                  bool inFront) {
    uint32_t noticeLevel = activity;
    WindowRecord* record = call.Record;
    if (!record) return SuppressesNotices(noticeLevel, call.ChatLine, settings);
    uint32_t state = GetWindowTabState(record);
    uint32_t current = state == kNoTabState ? kTabIdle : state;
    if (state == kTabNotifyOn || call.NoNotice) {
        if (highlight) SetWindowTabState(record, kTabMentioned, 0);
    } else if (highlight) {
        SetWindowTabState(record, kTabMentioned, 0);
    } else if (!(inFront && GetActiveWindowRecord() == record)) {
        noticeLevel = std::max(activity, current);
        bool suppress = SuppressesNotices(noticeLevel, call.ChatLine, settings);
        SetWindowTabState(record, noticeLevel, suppress ? 1 : 0);
    } else if (current != kTabIdle) {
        SetWindowTabState(record, kTabIdle, 0);
    }
    return SuppressesNotices(noticeLevel, call.ChatLine, settings);
}

void UpdateTrayBalloon(WindowRecord* record, const std::wstring& plain, bool suppress) {
    AppendNoticeText(record->NoticeText, plain);
    if (suppress) return;
    std::wstring title = NarrowToWide(record->Name);
    ShowTrayBalloon(title.c_str(), record->NoticeText.c_str(), false, nullptr, NIIF_INFO);
}

void Print(const PrintCall& call) {
    WindowRecord* record = call.Record;
    if (CustomViewMode.load() && !call.View) {
        if (record) AppendViewLine(record, call.Text, call.Kind);
        return;
    }
    HWND control = call.View ? call.View : (record ? record->View : nullptr);
    if (!control) return;

    COLORREF color = static_cast<COLORREF>(ReadConfigInt(
        "Cfg\\Colors", record && record->Type == kServerWindow ? "Server_Color" : "FG_Color", 0));
    std::wstring line = call.Text;
    EndWithOneLineBreak(line);

    bool grouped = false;
    if (record) {
        if (call.ChatLine && call.Sender) {
            grouped = GroupChatMessages.load() && IsGroupedChatLine(record, *call.Sender);
            NoteChatLineSender(record, *call.Sender);
        } else {
            record->PrevSender.clear();
        }
    }

    // The view is scrolled to its end when the line goes in; the keyboard focus stays where the
    // user has it.
    bool inFront = IsAppForeground();
    const bool ownsView = GetWindowThreadProcessId(control, nullptr) == GetCurrentThreadId();
    // Other threads hand this thread their lines for the view from now on.
    if (ownsView) PrepareLinePrinter();

    PrintSettings settings = ReadPrintSettings();
    bool highlight = CheckHighlight(call, settings, line);
    uint32_t activity = ActivityLevel(record, line);
    bool suppress = MarkActivity(call, settings, highlight, activity, inFront);

    HWND ticker = TickerWindow.load();
    std::wstring tickerText;
    if (ticker) {
        tickerText = StripFormatCodes(line, kStripAll);
        TrimWStringCrLf(tickerText);
    }

    if (settings.TimeStamp && !call.NoTimeStamp) {
        SYSTEMTIME now{};
        GetLocalTime(&now);
        line = FormatTimeStamp(settings.TimeStampFormat, now.wHour, now.wMinute, now.wSecond) + line;
    }
    if (grouped)
        line = HideGroupedPrefix(line, static_cast<COLORREF>(ReadConfigInt("Cfg\\Colors", "BG_Color", 0)));

    std::wstring plain = StripFormatCodes(line, kStripAll);
    if (record && record->Type != kServerWindow && !record->ViewFlag &&
        ReadConfigInt("Cfg\\Options2", "Replace_Text_Smileys", 1) == 1)
        line = ReplaceTextSmileys(line);

    if (record && record->Logging) WriteLogLine(record, plain.c_str());
    if (NotifyPluginsWindowText(line, record ? GetWindowRecordIndex(record) : kNoWindowIndex) == 1) return;
    if (record && !call.NoTray && (record->NotifyCount == 1 || record->NotifyCount == 2))
        UpdateTrayBalloon(record, plain, suppress);
    if (ticker && !suppress && record && record->Type != kServerWindow && !call.View)
        SendMessageW(ticker, WM_TICKER_ADD_TEXT, reinterpret_cast<WPARAM>(record),
                     reinterpret_cast<LPARAM>(tickerText.c_str()));
    if (record && record->Paused && !call.View) {
        record->HeldLines.push_back(call.Text);
        SetWindowTabState(record, kTabHeldLines, 0);
        return;
    }

    // On the thread that owns the view no other thread can append to it, so no lock is needed.
    if (ownsView) DeferViewRedraw(control);
    RenderTarget target;
    target.Control = control;
    target.Record = record;
    target.NoLock = call.NoLock || ownsView;
    target.IgnoreAttributes = settings.IgnoreTextAttributes;
    RenderMarkupLine(target, std::move(line), color);
}

} // namespace

void views::PrintToWindow(LineKind kind, WindowRecord* record, const std::wstring& text, HWND view,
                          uint8_t noTimeStamp, uint8_t noNotice, uint8_t noTray, uint8_t chatLine,
                          uint8_t noLock, const std::wstring* sender) {
    PrintCall call{kind,          record,      text,          view,        noTimeStamp != 0,
                   noNotice != 0, noTray != 0, chatLine != 0, noLock != 0, sender};
    try {
        HWND control = view ? view : (record ? record->View : nullptr);
        if (!control) return;
        bool handed = RunOnViewOwner(control, [&] {
            // The window may have closed while the line was on its way.
            if (!record || IsWindowRecordListed(record)) Print(call);
        });
        if (!handed) Print(call);
    } catch (...) {
        // A line that cannot be printed is dropped; the caller goes on.
    }
}
