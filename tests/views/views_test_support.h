// What the views tests share: an in-memory user configuration and temporary document, a visible
// host window with a RichEdit20W view, listed window records, and readers of the view's text and
// formats.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include "irc/server_connection.h"
#include "core/window_record.h"
#include "tests/recorders/call_log.h"
#include "xml/xml_records.h"

#include <memory>
#include <string>
#include <vector>

// Loads riched20.dll once; creates a RichEdit20W child of the given parent (a popup when null).
HWND CreateTestRichEdit(HWND parent, int width = 560, int height = 360);
// A visible top-level window for views to live in.
HWND CreateHostWindow(const wchar_t* title, int width = 600, int height = 400);

// The whole text of a Rich Edit view as it stores it (paragraphs end in a single CR).
std::wstring RichEditText(HWND view);
// The character format of the one character at position.
CHARFORMAT2W FormatAt(HWND view, LONG position);
// Runs the thread's message queue until it is empty.
void PumpMessages();

// Answers of the recorded services by name; anything not listed gets the service's default.
struct ServiceAnswers {
    uint64_t PluginResult = 0;
    uint64_t EventScript = 0xFFFFFFFF;
    std::string EventScriptResult;
};
void InstallAnswers(const ServiceAnswers& answers);

// Base of the tests that print: fresh documents, a server window and one chat window, both
// listed, with the chat window's view in a visible host window.
class ChatViewTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Sets section\key in the user configuration document.
    void SetConfig(const char* section, const char* key, const char* value);
    void SetConfig(const char* section, const char* key, int value);
    // Loads the test plug-in: the plug-in host offers it each printed line, which it hands to
    // TestPluginWindowText of the test program (recorded as "NotifyPluginsWindowText" and
    // answered with the test's answer). Unloaded when the test ends.
    void LoadTestPlugin();
    // Adds an event script ("Special_Scripts") with that script text to the user configuration.
    void SetEventScript(const char* name, const char* script);
    // A record listed for the length of the test.
    WindowRecord* AddRecord(uint32_t type, WindowRecord* server, const char* name, HWND window, HWND view);
    std::wstring ViewText() const { return RichEditText(view_); }
    // Position of the first occurrence of the text in the view; -1 when absent.
    LONG Find(const std::wstring& text) const;
    std::vector<RecordedCall> Calls(const std::string& service) const {
        return CallLog::Instance().Calls(service);
    }

    XmlDocument config_;
    XmlDocument temp_;
    HWND host_ = nullptr;
    HWND view_ = nullptr;
    WindowRecord* server_ = nullptr;
    WindowRecord* channel_ = nullptr;
    std::unique_ptr<ServerConnection> connection_;
    std::vector<std::unique_ptr<WindowRecord>> records_;
    HMODULE resources_ = nullptr;
};
