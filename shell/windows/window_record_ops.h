// Small operations on one window record's controls.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// Destroys the record's tip popup; a null record is ignored.
void DestroyWindowRecordPopup(WindowRecord* record);
// Checks or unchecks a button of the window's toolbar (911 in rebar 910).
void CheckChildToolbarButton(const WindowRecord* record, uint32_t buttonId, bool checked);
