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
#include <deque>
#include <map>
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
    uint64_t Serial = 0; // the record's when the line was printed
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

// Lines a view may have waiting before the threads that print wait for its owner. The owner takes
// them a share at a time in its slices, and a burst beyond what a view keeps costs only the
// lines' own steps, so a short queue keeps the lines flowing and a PING close behind them. A line
// list's queue is longer: its lines cost the owner little, and the printing thread goes on while
// the owner paints the view.
constexpr size_t kViewQueueBound = 2000;
constexpr size_t kLineListQueueBound = 4000;

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

// A chat window's own view is bounded; a view named by the caller (a dialog's, a list's) is not.
bool IsBoundedPrint(const QueuedPrint& call) {
    return call.Record && !call.View;
}

// How the prepared lines of a view reach it. Lines of a chat window's view wait until a burst is
// over, and only the last lines the view keeps go in: the rest were logged, shown to the plug-ins
// and scripts and counted on the tab like every line, but never cost the control anything. A few
// lines go in at once; a long run of them waits until lines stop coming for a moment, or at the
// longest for a while that grows with what the last put cost. A put goes in in steps of a slice
// each, the oldest lines it displaces taken out first.
constexpr size_t kSmallPut = 200;
constexpr ULONGLONG kPutIntervalMs = 50;
constexpr ULONGLONG kQuietMs = 50;
constexpr ULONGLONG kMaxHoldMs = 2000;
// Lines put in with one insert within a step (lines are taken out a trim block at a time).
constexpr size_t kPutChunk = 100;

// What the owner's thread holds for one view: lines prepared and not yet in it.
struct ViewFeed {
    std::deque<PreparedLine> Pending;
    bool Bounded = false;
    // Lines newer than the view's were let go: every line the view has goes before the next.
    bool Gap = false;
    uint32_t TrimLeft = 0; // lines still to take out of the view before more go in
    size_t PutLeft = 0;    // lines of the pending ones the put under way puts in
    ULONGLONG FirstHeld = 0, LastArrival = 0, PutStart = 0, LastPutEnd = 0, LastPutCost = 0;
    CHARFORMAT2W Look{};
    bool HaveLook = false;
};
thread_local std::map<HWND, ViewFeed> t_feeds;

// The lines of one pass (or of one put step) being worked on for a control on this thread; a
// print into the same view from within (a script started by a step, an object offer line) joins
// them in its place.
class ViewWork {
public:
    ViewWork(HWND control, ViewFeed& feed, RtfBatch* batch) : control_(control), feed_(feed), batch_(batch) {
        previous_ = t_current;
        t_current = this;
    }
    ~ViewWork() { t_current = previous_; }
    ViewWork(const ViewWork&) = delete;
    ViewWork& operator=(const ViewWork&) = delete;

    static ViewWork* For(HWND control) {
        for (ViewWork* work = t_current; work; work = work->previous_)
            if (work->control_ == control) return work;
        return nullptr;
    }

    // Prepares the line and adds it to what waits for the view.
    void Add(const QueuedPrint& call) {
        // The window may have closed while the line was on its way.
        if (call.Record && !IsWindowRecordListed(call.Record, call.RecordSerial)) return;
        feed_.Bounded = feed_.Bounded || IsBoundedPrint(call);
        PreparedLine line;
        if (!PrepareLine(call, facts_, line)) return;
        line.Serial = call.RecordSerial;
        if (feed_.Pending.empty()) feed_.FirstHeld = GetTickCount64();
        feed_.Pending.push_back(std::move(line));
        // Lines the view would take out again at once are read (their links kept) and let go.
        if (feed_.Bounded && feed_.Pending.size() > kViewLineLimit) {
            const PreparedLine& oldest = feed_.Pending.front();
            if (!oldest.Record || IsWindowRecordListed(oldest.Record, oldest.Serial)) Read(oldest);
            feed_.Pending.pop_front();
            if (feed_.PutLeft) --feed_.PutLeft;
            feed_.Gap = true;
        }
    }

    // A print into the view from within: in at once when lines are being put in (in the middle of
    // the line being put in, for an object offer line), else in its place among the pending ones.
    void PrintNow(const QueuedPrint& call) {
        if (!batch_) return Add(call);
        batch_->Flush();
        if (call.Record && !IsWindowRecordListed(call.Record, call.RecordSerial)) return;
        PreparedLine line;
        if (!PrepareLine(call, facts_, line)) return;
        batch_->AddLine(Read(line), line.Record);
        batch_->Flush();
        NoteViewLines(control_, 1 + batch_->TakeAddedParagraphs());
    }

    // Reads the line's markup from the look at the end of the view.
    std::vector<MarkupItem> Read(const PreparedLine& line) {
        if (batch_) {
            feed_.Look = batch_->StartLook();
            feed_.HaveLook = true;
        } else if (!feed_.HaveLook) {
            RtfBatch probe(control_);
            feed_.Look = probe.StartLook();
            feed_.HaveLook = true;
        }
        return ReadMarkupLine(line.Line, feed_.Look, line.Color, line.IgnoreAttributes, line.Record);
    }

private:
    static thread_local ViewWork* t_current;
    ViewWork* previous_ = nullptr;
    HWND control_;
    ViewFeed& feed_;
    RtfBatch* batch_;
    PassFacts facts_;
};

thread_local ViewWork* ViewWork::t_current = nullptr;

void PassLines(HWND control, std::vector<QueuedPrint>& lines) {
    if (!IsWindow(control)) return;
    ViewFeed& feed = t_feeds[control];
    ViewWork work(control, feed, nullptr);
    for (const QueuedPrint& line : lines) work.Add(line);
    feed.LastArrival = GetTickCount64();
}

// When the pending lines are to go in.
ULONGLONG PutDue(const ViewFeed& feed, ULONGLONG now, bool more) {
    if (!feed.Bounded) return now;
    if (feed.Pending.size() <= kSmallPut && !more) return std::max(now, feed.LastPutEnd + kPutIntervalMs);
    const ULONGLONG longest = feed.FirstHeld + std::max(kMaxHoldMs, 3 * feed.LastPutCost);
    return more ? longest : std::min(longest, feed.LastArrival + kQuietMs);
}

bool TimeLeft(ULONGLONG deadline) {
    return deadline == 0 || GetTickCount64() < deadline;
}

// Puts pending lines in until the deadline: the oldest lines of the view they displace first.
void PutPending(HWND control, ViewFeed& feed, ULONGLONG deadline) {
    DeferViewRedraw(control);
    RtfBatch batch(control);
    ViewWork work(control, feed, &batch);
    size_t longChars = 0;
    while (TimeLeft(deadline)) {
        if (feed.Gap) {
            feed.TrimLeft = std::max(feed.TrimLeft, CountViewLines(control));
            feed.Gap = false;
        }
        if (feed.TrimLeft) {
            const uint32_t removed = RemoveOldestViewLines(control, std::min(feed.TrimLeft, kViewTrimBlock));
            feed.TrimLeft = removed ? feed.TrimLeft - removed : 0;
            continue;
        }
        if (feed.Pending.empty()) feed.PutLeft = 0;
        if (feed.PutLeft == 0) break;
        const size_t chunk = std::min({feed.PutLeft, feed.Pending.size(), kPutChunk});
        if (feed.Bounded) {
            feed.TrimLeft = PlanViewTrim(control, static_cast<uint32_t>(chunk)).RemoveFromView;
            if (feed.TrimLeft) continue;
        }
        uint32_t put = 0;
        bool longDone = false;
        for (size_t i = 0; i < chunk && !feed.Pending.empty(); ++i) {
            // Long lines up to the share of a step.
            const size_t size = feed.Pending.front().Line.size();
            if (size > kLongLineChars && deadline) {
                if (longChars > 0 && longChars + size > kSliceLongChars) {
                    longDone = true;
                    break;
                }
                longChars += size;
            }
            // A line with links goes in on its own, at a cost that grows with the view: the step
            // ends with the slice, whatever is left of the chunk.
            if (put > 0 && !TimeLeft(deadline)) break;
            PreparedLine line = std::move(feed.Pending.front());
            feed.Pending.pop_front();
            --feed.PutLeft;
            if (line.Record && !IsWindowRecordListed(line.Record, line.Serial)) continue;
            batch.AddLine(work.Read(line), line.Record);
            ++put;
        }
        batch.Flush();
        NoteViewLines(control, put + batch.TakeAddedParagraphs());
        if (longDone || (deadline && longChars >= kSliceLongChars)) break;
    }
}

ULONGLONG StepFeed(HWND control, ULONGLONG deadline, bool more) {
    auto found = t_feeds.find(control);
    if (found == t_feeds.end()) return kNoPrintWork;
    ViewFeed& feed = found->second;
    if (!IsWindow(control)) {
        t_feeds.erase(found);
        return kNoPrintWork;
    }
    const ULONGLONG now = GetTickCount64();
    if (feed.PutLeft == 0 && feed.TrimLeft == 0) {
        if (feed.Pending.empty()) return kNoPrintWork;
        if (deadline) {
            const ULONGLONG due = PutDue(feed, now, more);
            if (due > now) return due;
        }
        feed.PutLeft = feed.Pending.size();
        feed.PutStart = now;
    }
    PutPending(control, feed, deadline);
    if (feed.PutLeft || feed.TrimLeft) return 0;
    feed.LastPutEnd = GetTickCount64();
    feed.LastPutCost = feed.LastPutEnd - feed.PutStart;
    return feed.Pending.empty() ? kNoPrintWork : 0;
}

// Whether a burst waits for the control's view on this thread.
bool BurstWaits(HWND control) {
    auto found = t_feeds.find(control);
    return found != t_feeds.end() &&
           (found->second.Pending.size() > kSmallPut || found->second.PutLeft || found->second.TrimLeft);
}

// On the view's own thread: a print from within work on the view joins it in its place; any
// other one takes the lines queued before it along and goes in at once, unless a burst waits for
// the view: it then goes in behind the burst, in the slices of the view's thread.
void PrintOnOwner(HWND control, std::vector<QueuedPrint> calls) {
    if (ViewWork* work = ViewWork::For(control)) {
        for (const QueuedPrint& call : calls) work->PrintNow(call);
        return;
    }
    PrepareLinePrinter();
    const bool behind = BurstWaits(control);
    std::vector<QueuedPrint> lines = TakeQueuedPrints(control);
    for (QueuedPrint& call : calls) lines.push_back(std::move(call));
    PassLines(control, lines);
    if (behind || BurstWaits(control))
        NotePrintWork(control);
    else
        StepFeed(control, 0, false);
}

struct PassInstaller {
    PassInstaller() { SetPrintWork({PassLines, StepFeed}); }
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
        std::vector<QueuedPrint> calls;
        calls.reserve(lines.size());
        for (const std::wstring& line : lines) calls.push_back(MakePrint(kind, record, line, options));
        PrintOnOwner(control, std::move(calls));
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
        std::vector<QueuedPrint> calls;
        calls.push_back(std::move(call));
        PrintOnOwner(control, std::move(calls));
    } catch (...) {
        // A line that cannot be printed is dropped; the caller goes on.
    }
}
