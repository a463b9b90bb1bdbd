// A small world for script tests: a server window with its connection, a channel, a second
// channel and a query, recorded services, and the rendering of what a script did as text.
#pragma once

#include <gtest/gtest.h>

#include "irc/server_connection.h"
#include "core/script_variable.h"
#include "core/window_record.h"
#include "tests/recorders/call_log.h"
#include "tests/support/test_files.h"
#include "xml/xml_records.h"

#include <memory>
#include <string>
#include <vector>

class ScriptHarness : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the script text in the channel window (or the given target) and returns the lock
    // or default result.
    uint32_t Run(const std::string& text, const std::string& parameters = {}, WindowRecord* target = nullptr,
                 uint32_t mode = 0, uint32_t defaultResult = 0);
    // What the recorded services saw, one line per call: "print: ...", "error: ...",
    // "echo: ...", "watch: ...", "input: ...", "command: ...", "send: ...". Control codes
    // are written as \xHH.
    std::vector<std::string> Output() const;
    std::string OutputText() const;
    // Loads the user's settings document from XML text and makes it the program's.
    void UseSettings(const std::string& xml);
    // A message-only window on this thread with the procedure, made the program's frame window
    // until the test ends.
    HWND UseFrame(WNDPROC procedure);
    // Runs the script in the channel on a thread of its own while this thread, which owns the
    // frame, answers the messages it sends; false when it did not end within a minute.
    bool RunOnWorker(const std::string& text, const std::string& parameters = {});

    WindowRecord* Server = nullptr;
    WindowRecord* Channel = nullptr;
    WindowRecord* Other = nullptr;
    WindowRecord* Query = nullptr;
    ServerConnection* Connection = nullptr;

private:
    WindowRecord* Make(uint32_t type, WindowRecord* server, const char* name);
    std::vector<std::unique_ptr<WindowRecord>> records_;
    std::unique_ptr<ServerConnection> connection_;
    std::unique_ptr<XmlDocument> settings_;
    HWND frame_ = nullptr;
};

// Control characters as \xHH, everything else as it is.
std::string EscapeControls(const std::string& text);
