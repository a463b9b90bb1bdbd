// What the tests of the server-line handlers share: the handlers registered, a server window
// whose socket leads to a scripted server (to see what is sent back), the test frame that opens
// chat windows with real nick lists, and in-memory settings.
#pragma once

#include <gtest/gtest.h>

#include "irc/server_connection.h"
#include "core/window_record.h"
#include "tests/support/chat_test_frame.h"
#include "tests/support/irc_test_support.h"
#include "xml/xml_document.h"

#include <memory>
#include <string>
#include <vector>

// The items of a channel's nick list, in order.
std::vector<std::wstring> NickListItems(const WindowRecord* channel);

class LinesTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Handles the line as if the server window's connection had received it.
    void Handle(const std::string& line);
    // Sets a value in the user's settings and reloads the user lists.
    void SetConfig(const char* section, const char* key, const char* value);

    // The next lines the server received, up to the time for each.
    std::vector<std::string> Sent(DWORD timeoutMs = 300);
    // A chat window under the server window, opened by the frame as the program opens one.
    WindowRecord* Open(uint32_t type, const std::string& name);
    // The items of a channel's nick list, in order.
    static std::vector<std::wstring> Nicks(const WindowRecord* channel) { return NickListItems(channel); }
    // The group the item with that text was put in; -1 when it is not listed.
    static int GroupOf(const WindowRecord* channel, const std::wstring& text);
    // Fills a channel's nick list as a names reply would.
    void Fill(WindowRecord* channel, const std::string& names);
    // The texts printed into the window.
    static std::vector<std::string> PrintedIn(const WindowRecord* window);
    static std::vector<RecordedCall> Calls(const std::string& service);

    WindowRecord* Server() const { return server_->Record(); }
    ServerConnection& Connection() const { return server_->Connection(); }

    std::unique_ptr<XmlDocument> settings_;
    std::unique_ptr<ChatTestFrame> frame_;
    std::unique_ptr<ScriptedServer> scripted_;
    std::unique_ptr<ServerWindow> server_;
};
