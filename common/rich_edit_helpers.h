// Chores on Rich Edit views: scrolling, effects, appending text from any thread, and saving and
// restoring the selection's formats around a change.
#pragma once

#include <windows.h>
#include <richedit.h>

// Puts the caret at the end and scrolls it into view; returns -1.
int RichEditScrollToEnd(HWND richEdit);
// Sets a character format on the selection: the mask, the effects when apply is set (else none),
// and underline kind 1 single, 2 dotted, 3 double (any other kind leaves the type out).
void RichEditSetEffect(HWND richEdit, DWORD mask, DWORD effects, bool apply, int underlineKind);

// Appends text at the end, one append at a time across all threads. keepFocus focuses the view
// for the insert and gives the focus back; noLock is for a caller that already holds the lock.
// The thread that owns the view keeps answering sent messages while it waits for the lock, so a
// worker that holds it and sends to the view always finishes.
void RichEditAppendText(HWND richEdit, const wchar_t* text, bool keepFocus, bool noLock);

// Gives a chat view its font. A Rich Edit view keeps it for the lines printed from now on, which
// take it through RichEditApplyViewFont, while the lines it shows keep their look: WM_SETFONT
// would restyle them all, and their bold would be lost. An empty view, and any other kind of view,
// takes it as its font at once.
void RichEditSetViewFont(HWND view, HFONT font);
// Puts the face, size, character set, weight and slant of the view's font into the look, when the
// view has been given one.
void RichEditApplyViewFont(HWND view, CHARFORMAT2W& look);
// The same for a font; a null or unreadable font leaves the look as it is.
void RichEditApplyFont(HFONT font, CHARFORMAT2W& look);
// Lets go of what RichEditSetViewFont keeps with the view (when the view is destroyed).
void RichEditForgetViewFont(HWND view);

// Reads the selection's format for the mask into the record; the mask is remembered (per thread)
// as the one to restore.
void RichEditSaveCharFormat(HWND richEdit, CHARFORMAT2W& format, DWORD mask);
// Applies the record for the bits of mask that are still to be restored, then takes mask off the
// bits to restore (exclusive or). Nothing happens when no bit of mask is still to be restored.
void RichEditRestoreCharFormat(HWND richEdit, CHARFORMAT2W& format, DWORD mask);
void RichEditSaveParaFormat(HWND richEdit, PARAFORMAT2& format, DWORD mask);
void RichEditRestoreParaFormat(HWND richEdit, PARAFORMAT2& format, DWORD mask);
