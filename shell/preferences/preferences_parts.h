// The pieces of the preferences window that work on single values: the combined settings view,
// item labels, the display texts and choosers of values, the format preview and catalogue
// downloads.
#pragma once

#include "xml/xml_records.h"

#include <windows.h>

#include <cstdint>
#include <string>

// Results of EditPreferenceValue.
constexpr int kPreferenceNotHandled = 0; // edit it as text
constexpr int kPreferenceUnchanged = 1;  // handled, nothing changed
constexpr int kPreferenceChanged = 2;    // handled; text holds the new display text

// Gives ConfigurationView its borrowed sections once: Cfg, Servers, Scripts, Special_Scripts and
// Notes of the user's settings, then Languages, Plugins, Skins and Premade_Scripts of the extras.
void FillConfigurationView();

// The tree label of an element into text (1000 characters); false keeps the editor's own.
bool PreferencesLabel(XmlElement* element, wchar_t* text);
// The shown value of a font, sound format or colour into text; false shows the value as it is.
bool PreferencesDisplayText(XmlVariable* variable, wchar_t* text);
// Whether a value is kept in a coded form (the time stamp, the event formats) that the list shows
// as it reads: without escapes and codes, the time stamp with the time of now.
bool HasReadableForm(const std::string& name);
std::wstring ReadableForm(const std::string& name, std::string value);
// The colour a colour setting holds; false for other settings and for the system's colour.
bool PreferenceColour(XmlVariable* variable, COLORREF& colour);
// Runs the chooser a variable's name asks for (or starts a catalogue download).
int EditPreferenceValue(HWND window, XmlVariable* variable, wchar_t* text);

// Prints each format of the Appearance element into the pane as it will look.
void ShowAppearancePreview(HWND pane, XmlElement* appearance);

// The question asked before a downloaded file is loaded: the whole path and the whole address.
std::wstring CatalogueLoadQuestion(const std::wstring& path, const std::string& url);
// The file a catalogue entry's address names, as a plain base name (empty when none).
std::wstring CatalogueFileName(const std::string& url);
// Starts the download of a catalogue entry's "Download" address; the window hears of its end
// through kPreferencesDownloadDone.
void StartCatalogueDownload(HWND window, XmlVariable* download);
// Acts on a finished download: the file is installed as its section says, code only after the
// user agreed. Frees the job.
void FinishCatalogueDownload(HWND window, bool succeeded, LPARAM job);
