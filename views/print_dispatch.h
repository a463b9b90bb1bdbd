// Handing prints to the thread that owns the view.
//
// A worker thread never touches a view itself: it queues its line for the view's owner and goes
// on, waiting only while the view's queue is over its bound. The owner works in slices: each slice
// takes the queued lines of its views a share at a time and has the printer prepare them and put
// them into the views, for a few tens of milliseconds at most, and the next slice comes from a
// timer, so input, painting and the thread's other timers get their turn in between however many
// lines a server sends. A slice takes a bounded share of long lines. All appends to a view happen
// on one thread.
#pragma once

#include "core/line_kind.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct WindowRecord;

// One call of the printer with everything it was given, kept until the owner prints it.
struct QueuedPrint {
    LineKind Kind = kInformationLine;
    WindowRecord* Record = nullptr;
    uint64_t RecordSerial = 0; // the record's, when the line was handed over
    std::wstring Text;
    HWND View = nullptr; // the view the caller named, or null for the record's own
    bool NoTimeStamp = false, NoNotice = false, NoTray = false, ChatLine = false;
    std::optional<std::wstring> Sender;
    SYSTEMTIME Time{};   // when the line was handed over: its time stamp and grouping time
    bool Remote = false; // printed on behalf of text from outside: its event scripts run so too
};

// A long line costs the Rich Edit control far more than its length says (a 20,000-character
// paragraph took over a second to wrap under Wine, one of 2,000 some 20 ms), so a slice takes, and
// a step of the printer puts in, long lines up to kSliceLongChars characters and leaves the rest
// for the next one. Ordinary lines never reach it.
constexpr size_t kLongLineChars = 2000;
constexpr size_t kSliceLongChars = 20000;

// A step's answer: the control wants no more steps until lines come.
constexpr ULONGLONG kNoPrintWork = ~0ULL;

// What the printer does for a control on its owner's thread (set by the printer).
struct PrintWork {
    // Takes lines off the control's queue, in order.
    void (*Pass)(HWND control, std::vector<QueuedPrint>& lines) = nullptr;
    // Works on what the passes left for the control until the tick `deadline`, or all of it when
    // the deadline is 0; `more` says that lines still wait in the queue. Returns when the control
    // wants its next step: a tick, 0 for as soon as possible, or kNoPrintWork.
    ULONGLONG (*Step)(HWND control, ULONGLONG deadline, bool more) = nullptr;
};
void SetPrintWork(const PrintWork& work);

// Creates the calling thread's dispatcher window unless it has one. The interface thread calls it
// at start-up, before any worker prints (a thread that prints into a view it owns gets one on its
// first line anyway).
void PrepareLinePrinter();

// Queues the print for the thread that owns the control and returns true; waits first while the
// control's queue holds `bound` lines, the owner taking them. False when the caller owns the
// control or the owner has no dispatcher: the caller then prints itself.
bool QueueForViewOwner(HWND control, QueuedPrint& print, size_t bound);

// On the owner's thread: the lines queued for the control so far, in order, taken off the queue.
std::vector<QueuedPrint> TakeQueuedPrints(HWND control);

// On the owner's thread: the control has work left for its steps (lines the printer holds).
void NotePrintWork(HWND control);

// Runs work on the thread that owns the control, after the lines queued for it so far are in the
// view, and waits for it (at once when the caller owns the control or its owner has no
// dispatcher).
void RunAfterQueuedPrints(HWND control, const std::function<void()>& work);
