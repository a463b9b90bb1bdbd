#include "views/line_printer.h"

#include "commands/plugin_host.h"
#include "common/app_state.h"
#include "common/text_replace.h"
#include "common/text_split.h"
#include "common/tray_icon.h"
#include "common/xstring.h"
#include "core/applied_settings.h"
#include "core/client_services.h"
#include "core/frame_handles.h"
#include "core/remote_text.h"
#include "core/startup_switches.h"
#include "core/window_list.h"
#include "irc/custom_view_lines.h"
#include "irc/server_connection.h"
#include "markup/strip_format_codes.h"
#include "script/event_scripts.h"
#include "views/chat_line_grouping.h"
#include "views/line_text_steps.h"
#include "views/markup_reader.h"
#include "views/print_dispatch.h"
#include "views/print_settings.h"
#include "views/rtf_batch.h"
#include "views/view_bound.h"
#include "views/view_redraw.h"

#include <shellapi.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

void EndWithOneLineBreak(std::wstring& line) {
    TrimWStringCrLf(line);
    line += L"\r\n";
}

// What the owner's thread knows once per pass: whether the program is in front and which window
// the user works in.
class PassFacts {
public:
    bool InFront() {
        if (!haveFront_) {
            inFront_ = IsAppForeground();
            haveFront_ = true;
        }
        return inFront_;
    }
    WindowRecord* Active() {
        if (!haveActive_) {
            active_ = GetActiveWindowRecord();
            haveActive_ = true;
        }
        return active_;
    }

private:
    bool inFront_ = false, haveFront_ = false;
    WindowRecord* active_ = nullptr;
    bool haveActive_ = false;
};

// A line that went through every step and only waits to be put into the view.
struct PreparedLine {
    WindowRecord* Record = nullptr;
    std::wstring Line;
    COLORREF Color = 0;
    bool IgnoreAttributes = false;
};

// The first highlight word found runs "On_Hilite"; a script answering 1 replaces the line.
bool CheckHighlight(const QueuedPrint& call, const PrintSettings& settings, std::wstring& line) {
    if (settings.HiliteWords.empty()) return false;
    std::wstring bare = line;
    TrimWStringCrLf(bare);
    std::string narrow = WideToNarrow(bare);
    for (const std::string& word : settings.HiliteWords) {
        std::string probe = narrow;
        if (!StringReplace(probe, word.c_str(), word.c_str(), true, 1)) continue;
        std::string result;
        uint32_t answer =
            script::RunEventScript("On_Hilite", call.Record, call.Record, WideToNarrow(line), result);
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
bool MarkActivity(const QueuedPrint& call, const PrintSettings& settings, bool highlight, uint32_t activity,
                  PassFacts& facts) {
    uint32_t noticeLevel = activity;
    WindowRecord* record = call.Record;
    if (!record) return SuppressesNotices(noticeLevel, call.ChatLine, settings);
    uint32_t state = GetWindowTabState(record);
    uint32_t current = state == kNoTabState ? kTabIdle : state;
    if (state == kTabNotifyOn || call.NoNotice) {
        if (highlight) SetWindowTabState(record, kTabMentioned);
    } else if (highlight) {
        SetWindowTabState(record, kTabMentioned);
    } else if (!(facts.InFront() && facts.Active() == record)) {
        noticeLevel = std::max(activity, current);
        bool suppress = SuppressesNotices(noticeLevel, call.ChatLine, settings);
        // A tab that already shows this activity, or a window without a tab, has nothing to
        // change: the tab and the frame's title are left alone for the rest of a busy channel.
        if (state != noticeLevel && state != kNoTabState)
            SetWindowTabState(record, noticeLevel, {.NoRefresh = suppress});
    } else if (current != kTabIdle) {
        SetWindowTabState(record, kTabIdle);
    }
    return SuppressesNotices(noticeLevel, call.ChatLine, settings);
}

void UpdateTrayBalloon(WindowRecord* record, const std::wstring& plain, bool suppress) {
    AppendNoticeText(record->NoticeText, plain);
    if (suppress) return;
    std::wstring title = NarrowToWide(record->Name);
    ShowTrayBalloon(title.c_str(), record->NoticeText.c_str(), false, nullptr, NIIF_INFO);
}

// A line for a chat window's own view in the custom-drawn mode goes to that view's line list, not
// into the control as text.
bool GoesToLineList(const QueuedPrint& call) {
    return CustomViewMode.load() && !call.View;
}

// Lines a view may have waiting before the threads that print wait for its owner. A Rich Edit
// view's pass of more lines than the view keeps replaces the whole view, whose cost hardly grows
// with the lines, so under a flood long queues show more lines a second (some 16 MB at most; this
// bound measured about a third faster than half of it). A line list takes each line at the same
// small cost however many come together, so its queue stays short: a long one would only leave the
// memory it took behind in the heap.
constexpr size_t kViewQueueBound = 40000;
constexpr size_t kLineListQueueBound = 1000;

// Every step of a print but putting the line into the view: grouping, highlight, activity,
// stamp, smileys, log, plug-ins, tray, ticker and pause. False when nothing is to be shown.
bool PrepareLine(const QueuedPrint& call, PassFacts& facts, PreparedLine& out) {
    // The highlight script and the plug-ins see the line on the view's thread as its printer did.
    RemoteTextScope remote(call.Remote);
    WindowRecord* record = call.Record;
    if (GoesToLineList(call)) {
        if (record) AppendViewLine(record, call.Text, call.Kind);
        return false;
    }
    const PrintSettings& settings = CurrentPrintSettings();
    out.Record = record;
    out.Color = record && record->Type == kServerWindow ? settings.ServerColor : settings.TextColor;
    out.IgnoreAttributes = settings.IgnoreTextAttributes;
    std::wstring line = call.Text;
    EndWithOneLineBreak(line);

    bool grouped = false;
    if (record) {
        if (call.ChatLine && call.Sender) {
            grouped = GroupChatMessages.load() && IsGroupedChatLine(record, *call.Sender, call.Time);
            NoteChatLineSender(record, *call.Sender, call.Time);
        } else {
            record->PrevSender.clear();
        }
    }

    bool highlight = CheckHighlight(call, settings, line);
    uint32_t activity = ActivityLevel(record, line);
    bool suppress = MarkActivity(call, settings, highlight, activity, facts);

    HWND ticker = TickerWindow.load();
    std::wstring tickerText;
    if (ticker) {
        tickerText = StripFormatCodes(line, kStripAll);
        TrimWStringCrLf(tickerText);
    }

    if (settings.TimeStamp && !call.NoTimeStamp)
        line =
            FormatTimeStamp(settings.TimeStampFormat, call.Time.wHour, call.Time.wMinute, call.Time.wSecond) +
            line;
    if (grouped) line = HideGroupedPrefix(line, settings.BackgroundColor);

    std::wstring plain = StripFormatCodes(line, kStripAll);
    if (record && record->Type != kServerWindow && !record->ViewFlag && settings.ReplaceTextSmileys)
        line = ReplaceTextSmileys(line);

    // The log holds what the window shows: not a line printed into another view for it (a
    // command's usage tip, a list shown in a dialog).
    const bool intoOwnView = record && (!call.View || call.View == record->View);
    if (intoOwnView && record->Logging) WriteLogLine(record, plain.c_str());
    if (commands::NotifyPluginsWindowText(line, record ? GetWindowRecordIndex(record) : kNoWindowIndex) == 1)
        return false;
    if (record && !call.NoTray && (record->NotifyCount == 1 || record->NotifyCount == 2))
        UpdateTrayBalloon(record, plain, suppress);
    if (ticker && !suppress && record && record->Type != kServerWindow && !call.View)
        SendMessageW(ticker, WM_TICKER_ADD_TEXT, reinterpret_cast<WPARAM>(record),
                     reinterpret_cast<LPARAM>(tickerText.c_str()));
    if (record && record->Paused && !call.View) {
        record->HeldLines.push_back(call.Text);
        // Marked once: the frame's title is not worked out again for every held line.
        const uint32_t state = GetWindowTabState(record);
        if (state != kTabHeldLines && state != kNoTabState) SetWindowTabState(record, kTabHeldLines);
        return false;
    }
    out.Line = std::move(line);
    return true;
}

// One pass over the lines of one control on its owner's thread. The lines go through their steps
// in order and into the view together; a print into the same view while the pass runs (a script
// started by a step, an object offer line) first puts in the lines before it.
class ViewPass {
public:
    explicit ViewPass(HWND control) : control_(control), batch_(control) {
        previous_ = t_current;
        t_current = this;
    }
    ~ViewPass() { t_current = previous_; }
    ViewPass(const ViewPass&) = delete;
    ViewPass& operator=(const ViewPass&) = delete;

    // The pass running on this thread for the control, if any.
    static ViewPass* For(HWND control) {
        for (ViewPass* pass = t_current; pass; pass = pass->previous_)
            if (pass->control_ == control) return pass;
        return nullptr;
    }

    void Add(const QueuedPrint& call, bool bounded) {
        // The window may have closed while the line was on its way.
        if (call.Record && !IsWindowRecordListed(call.Record, call.RecordSerial)) return;
        bounded_ = bounded_ || bounded;
        PreparedLine line;
        if (PrepareLine(call, facts_, line)) prepared_.push_back(std::move(line));
    }

    // Puts in what the pass prepared; with the bound, lines that the bound would take out again
    // at once are read (their links kept) but not put in.
    void PutPrepared() {
        if (putting_) {
            batch_.Flush();
            return;
        }
        const size_t count = prepared_.size() - put_;
        if (count == 0) return;
        putting_ = true;
        ViewTrimPlan plan;
        if (bounded_) plan = PlanViewTrim(control_, static_cast<uint32_t>(count));
        if (plan.RemoveFromView) RemoveOldestViewLines(control_, plan.RemoveFromView);
        for (size_t skipped = 0; skipped < plan.SkipIncoming && put_ < prepared_.size(); ++skipped, ++put_)
            Read(prepared_[put_]);
        uint32_t lines = 0;
        for (; put_ < prepared_.size(); ++put_, ++lines)
            batch_.AddLine(Read(prepared_[put_]), prepared_[put_].Record);
        batch_.Flush();
        NoteViewLines(control_, lines + batch_.TakeAddedParagraphs());
        putting_ = false;
    }

    // A print into this view from within the pass: after the lines before it, at once (in the
    // middle of the line being put in, for an object offer line).
    void PutNow(const QueuedPrint& call) {
        if (putting_)
            batch_.Flush();
        else
            PutPrepared();
        if (call.Record && !IsWindowRecordListed(call.Record, call.RecordSerial)) return;
        PreparedLine line;
        if (!PrepareLine(call, facts_, line)) return;
        batch_.AddLine(Read(line), line.Record);
        batch_.Flush();
        NoteViewLines(control_, 1 + batch_.TakeAddedParagraphs());
    }

private:
    std::vector<MarkupItem> Read(const PreparedLine& line) {
        return ReadMarkupLine(line.Line, batch_.StartLook(), line.Color, line.IgnoreAttributes, line.Record);
    }

    static thread_local ViewPass* t_current;
    ViewPass* previous_ = nullptr;
    HWND control_;
    RtfBatch batch_;
    PassFacts facts_;
    std::vector<PreparedLine> prepared_;
    size_t put_ = 0;
    bool putting_ = false;
    bool bounded_ = false;
};

thread_local ViewPass* ViewPass::t_current = nullptr;

// A chat window's own view is bounded; a view named by the caller (a dialog's, a list's) is not.
bool IsBoundedPrint(const QueuedPrint& call) {
    return call.Record && !call.View;
}

void RunPass(HWND control, std::vector<QueuedPrint>& lines) {
    if (!IsWindow(control)) return;
    // Lines taken while a pass of the view runs (work run after the queued lines, from a step of
    // that pass) follow the lines it already has.
    if (ViewPass* running = ViewPass::For(control)) {
        for (const QueuedPrint& line : lines) running->PutNow(line);
        return;
    }
    // The view is painted once the thread's messages are handled, not while lines go in; a
    // custom-drawn view times its own paints.
    if (!std::all_of(lines.begin(), lines.end(), GoesToLineList)) DeferViewRedraw(control);
    ViewPass pass(control);
    for (const QueuedPrint& line : lines) pass.Add(line, IsBoundedPrint(line));
    pass.PutPrepared();
}

// On the view's own thread: a print inside a pass of the view goes in at once; any other one
// takes the lines queued before it along.
void PrintOnOwner(HWND control, QueuedPrint& call) {
    if (ViewPass* pass = ViewPass::For(control)) {
        pass->PutNow(call);
        return;
    }
    PrepareLinePrinter();
    std::vector<QueuedPrint> lines = TakeQueuedPrints(control);
    lines.push_back(std::move(call));
    RunPass(control, lines);
}

struct PassInstaller {
    PassInstaller() { SetPrintPass(RunPass); }
};
const PassInstaller g_passInstaller;

} // namespace

namespace {

QueuedPrint MakePrint(LineKind kind, WindowRecord* record, const std::wstring& text,
                      const PrintOptions& options) {
    QueuedPrint call;
    call.Kind = kind;
    call.Record = record;
    call.RecordSerial = record ? record->Serial : 0;
    call.Text = text;
    call.View = options.View;
    call.NoTimeStamp = options.NoTimeStamp;
    call.NoNotice = options.NoNotice;
    call.NoTray = options.NoTray;
    call.ChatLine = options.ChatLine;
    if (options.Sender) call.Sender = *options.Sender;
    GetLocalTime(&call.Time);
    call.Remote = HandlingRemoteText();
    return call;
}

} // namespace

void views::PrintLinesToWindow(LineKind kind, WindowRecord* record, const std::vector<std::wstring>& lines,
                               uint8_t noTimeStamp) {
    try {
        HWND control = record ? record->View : nullptr;
        if (!control || lines.empty()) return;
        const PrintOptions options{.NoTimeStamp = noTimeStamp != 0};
        if (GetWindowThreadProcessId(control, nullptr) != GetCurrentThreadId()) {
            for (const std::wstring& line : lines) views::PrintToWindow(kind, record, line, options);
            return;
        }
        if (ViewPass* pass = ViewPass::For(control)) {
            for (const std::wstring& line : lines) pass->PutNow(MakePrint(kind, record, line, options));
            return;
        }
        PrepareLinePrinter();
        std::vector<QueuedPrint> calls = TakeQueuedPrints(control);
        calls.reserve(calls.size() + lines.size());
        for (const std::wstring& line : lines) calls.push_back(MakePrint(kind, record, line, options));
        RunPass(control, calls);
    } catch (...) {
        // Lines that cannot be printed are dropped; the caller goes on.
    }
}

void views::PrintToWindow(LineKind kind, WindowRecord* record, const std::wstring& text,
                          const PrintOptions& options) {
    try {
        HWND control = options.View ? options.View : (record ? record->View : nullptr);
        if (!control) return;
        QueuedPrint call = MakePrint(kind, record, text, options);
        if (QueueForViewOwner(control, call, GoesToLineList(call) ? kLineListQueueBound : kViewQueueBound))
            return;
        PrintOnOwner(control, call);
    } catch (...) {
        // A line that cannot be printed is dropped; the caller goes on.
    }
}
