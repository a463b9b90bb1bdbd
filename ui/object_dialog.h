// Inserting an ActiveX control as an object: the user picks a control, sees it live in the
// object dialog, and on OK it is saved to a storage file, shown in the window's own view and
// offered to the window's target with "/sendobject".
#pragma once

#include <windows.h>

struct WindowRecord;

// Nothing without a record. With Shift held the class is typed into a prompt, otherwise chosen
// in the system's Insert Object dialog.
void InsertActiveXObject(WindowRecord* record);

// "DIALOG_AX": hosts the control of the class text (the init parameter) in an "AX" window (id
// 888) and, on OK, saves it into "qvSAVE.STG" in the temporary folder; ends with 1 when saved,
// 2 otherwise.
INT_PTR CALLBACK ObjectSaveDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

constexpr int kObjectHostId = 888;
