// Recorders of the calls a library makes upward, installed into the client services table by
// the tests that want them in place of the real owners. Each records its calls in the CallLog;
// the CallLog's answers decide what it returns.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct WindowRecord;

// Empties the table: every upward call does nothing until something is installed.
void ClearClientServices();
// Everything the connection calls above it: the disconnect routine, window activation and the end
// of DCC chats, the printer, plug-in notices and scripts.
void InstallConnectionRecorders();

// PrintToWindow: records the line ("PrintToWindow", the window, the text, the line kind and the
// chat line's sender).
void InstallPrinterRecorder();
// FormatEventLine: records "words[0]|message"; the formatted line is the message itself.
void InstallEventFormatRecorder();
// RunEventScript: records "name parameters"; answers kNoEventScript unless the test answers.
void InstallEventScriptRecorder();
// RunEventScript as InstallEventScriptRecorder, but "On_Input" answers 1: a line typed through the
// real input dispatcher is recorded at its script step and goes no further.
void InstallInputScriptRecorder();
// The lines the dispatcher handed to "On_Input", in order.
std::vector<std::string> RecordedInputLines();
// ExecuteScript: records "text|parameters" with the mode; answers the default result.
void InstallScriptRunRecorder();
// ProcessInputLine (with the sender "remote" for a line run for text from outside),
// ExecuteInputText and ExecuteCommand (no command is known unless answered).
void InstallInputRecorders();
// NotifyPluginsServerLine: no plug-in consumes anything unless the test answers otherwise.
void InstallPluginRecorders();
// RunTriggerScriptThread: as the worker does when no trigger script exists, sends the line
// without its "/" to the server, then records it with the id of the thread it ran on (and the
// sender "remote" when it ran for text from a server).
void InstallTriggerWorkerRecorder();
// ShakeWindowThread: records the window's handle.
void InstallShakeRecorder();
// PromptText: OK with the test's answer text, Cancel when it gives none.
void InstallPromptRecorder();
// PromptList: records "title|prompt|choice|..." with 1 for the one-choice list; OK with the
// test's answer as one "0" or "1" per choice, Cancel when it gives none or an empty answer.
void InstallListPromptRecorder();
// GetMenuLabel: "Menu <id>".
void InstallMenuLabelRecorder();
// HandleDccSendOffer and DccChatThread.
void InstallDccOfferRecorders();
// OnServerDisconnected: records the call and ends the session the way the routine does, noting
// "SessionEnded" when this call was the one that did.
void InstallDisconnectRecorder();
// ActivateWindowRecord and OnDccChatDisconnected.
void InstallActivationRecorders();
// GetActiveWindowRecord answers the record SetRecordedActiveWindow set; the program is in front.
void InstallActiveWindowRecorder();
void SetRecordedActiveWindow(WindowRecord* record);
// IsAppForeground: recorded; not in front unless the test answers otherwise.
void InstallForegroundRecorder();
// WriteLogLine (text and markers).
void InstallLogRecorder();
// SpeakText.
void InstallSpeechRecorder();
// InsertImageIntoRichEdit: fails (the caller keeps the bitmap) unless the test answers.
void InstallPictureRecorder();
// AddPluginMenuEntry, PluginMenuEntryPopup, ErasePluginMenuEntry and RebuildActiveWindowMenu
// over a list of the recorder's own: each records its call ("caption" or the index); a rebuild
// finds an active window unless the test answers 0.
void InstallPluginMenuRecorders();
std::vector<uint64_t> RecordedPluginMenus();
// ClearChatView ("ClearChatView", the window) and SetWindowTabState ("SetWindowTabState", the
// window, the state).
void InstallViewStateRecorders();
// PromptSaveFileName: records "folder|filter|name"; OK with the test's answer text as the path,
// Cancel when it gives none.
void InstallSaveDialogRecorder();
// ObjectAcceptThread listens on a loopback port of its own, publishes the socket, sets the accept
// event and serves until the socket is closed (ten seconds at most); ObjectReceiveThread records its job
// ("host port size crc insert|path"). Both free the job.
void InstallObjectRecorders();
// MediaPlayThread: records the words joined by "|".
void InstallMediaRecorder();

// The dialogs and features the menu commands open (connect, join, kick, channel control, list
// information, preferences, ticker, DCC send, voice, channel list, find, logs, light sensor,
// remote assistance, files opened by the shell): each records its arguments, the owner's handle
// (or the show command) as the number.
void InstallMenuEntryRecorders();
