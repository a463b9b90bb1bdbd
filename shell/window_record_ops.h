// Small operations on one window record's controls and its connection's lists.
#pragma once

#include <cstdint>
#include <string>

struct WindowRecord;

// Destroys the record's tip popup; a null record is ignored.
void DestroyWindowRecordPopup(WindowRecord* record);
// Checks or unchecks a button of the window's toolbar (911 in rebar 910).
void CheckChildToolbarButton(const WindowRecord* record, uint32_t buttonId, bool checked);
// Erases the first remembered user of the record's connection whose nick equals the given one
// ignoring case; nothing without a connection.
void RemoveRememberedUser(WindowRecord* record, const std::string& nick);
