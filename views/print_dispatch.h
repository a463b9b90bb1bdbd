// Handing prints to the thread that owns the view.
//
// A worker thread never touches a view itself: it queues its line for the view's owner and goes
// on, waiting only while the view's queue is over its bound. The owner takes the queued lines in
// passes, at most one pass per repaint interval while lines keep arriving, and puts each pass's
// lines into the view together; a pass takes a bounded share of long lines, so the owner answers
// its other messages between them. All appends to a view happen on one thread.
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

// Runs one pass over the lines of a control on its owner's thread (set by the printer).
using PrintPass = void (*)(HWND control, std::vector<QueuedPrint>& lines);
void SetPrintPass(PrintPass pass);

// Creates the calling thread's dispatcher window unless it has one. The interface thread calls it
// at start-up, before any worker prints (a thread that prints into a view it owns gets one on its
// first line anyway).
void PrepareLinePrinter();

// Queues the print for the thread that owns the control and returns true; waits first while the
// control's queue holds `bound` lines, the owner printing them. False when the caller owns the
// control or the owner has no dispatcher: the caller then prints itself.
bool QueueForViewOwner(HWND control, QueuedPrint& print, size_t bound);

// On the owner's thread: the lines queued for the control so far, in order, taken off the queue.
std::vector<QueuedPrint> TakeQueuedPrints(HWND control);

// Runs work on the thread that owns the control, after the lines queued for it so far are in the
// view, and waits for it (at once when the caller owns the control or its owner has no
// dispatcher).
void RunAfterQueuedPrints(HWND control, const std::function<void()>& work);
