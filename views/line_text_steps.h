// Text steps of printing one line that need no window: the time stamp, the grouping prefix,
// text smileys and the tray balloon's recent text.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

// The stamp setting formatted with the hour, minute and second, in that order. Only the number
// conversions (%u, %d, %i with flags and width, as in "%02u") and "%%" are read; anything else
// is copied as it stands, so the setting is never used as a format string.
std::wstring FormatTimeStamp(const std::wstring& format, uint32_t hour, uint32_t minute, uint32_t second);

// Wraps the part of the line up to its first '>' in the background colour ("\x07%08X...>\x0f"),
// so a grouped line hides its stamp and sender; a line without '>' stays as it is.
std::wstring HideGroupedPrefix(const std::wstring& line, COLORREF background);

// Replaces ":-)", ":)", ":D", ";)", ":-(", ":(", ":p", ":P", ":O", ":o", ":s" and ":S" by smiley
// runs. Link brace parts and the runs of markup commands are left alone.
std::wstring ReplaceTextSmileys(const std::wstring& line);

// Appends a printed line to a window's recent text for the tray balloon; from 251 characters on
// the text keeps only its last lines, at most 248 characters with their line ends.
void AppendNoticeText(std::wstring& recent, const std::wstring& plainLine);
