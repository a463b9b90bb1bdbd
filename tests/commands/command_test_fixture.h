// What the command tests share: the test frame, one server window connected to a scripted
// server, channel, query and DCC chat windows under it, and the lines that reach the server.
#pragma once

#include <gtest/gtest.h>

#include "core/window_record.h"
#include "tests/support/chat_test_frame.h"
#include "common/xstring.h"
#include "tests/support/irc_test_support.h"
#include "xml/xml_document.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CommandTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    WindowRecord* Server() const { return server_->Record(); }
    WindowRecord* Channel() const { return channel_; }
    WindowRecord* Query() const { return query_; }
    WindowRecord* Dcc() const { return dcc_; }
    ScriptedServer& Irc() { return *irc_; }
    ScriptedServer& DccPeer() { return *dccPeer_; }

    // A chat window under the server window (type 2, 3 or 4), listed and with a window of its own.
    WindowRecord* AddWindow(uint32_t type, const std::string& name);
    // The lines that reached the server since the last call (a marker line is sent and read up
    // to), without CR LF.
    std::vector<std::string> ServerLines();
    // Waits until the trigger worker ran count times since the log was cleared.
    bool WaitForTriggers(size_t count);
    // Runs the messages posted to this thread.
    void Pump();
    // What the frame and the chat windows were asked to do, in order: "frame 706",
    // "open 3 carol", "close #a", "activate bob", "dcc-end peer".
    std::vector<std::string> WindowEffects();

    // Types the line into the window: the window becomes the active one, then the line goes
    // through the dispatcher.
    void Type(WindowRecord* window, const std::string& line);

    // The settings document the commands read, made from the XML of its root.
    void UseSettings(const char* rootXml);

private:
    std::unique_ptr<ChatTestFrame> frame_;
    std::unique_ptr<ScriptedServer> irc_;
    std::unique_ptr<ScriptedServer> dccPeer_;
    std::unique_ptr<ServerWindow> server_;
    WindowRecord* channel_ = nullptr;
    WindowRecord* query_ = nullptr;
    WindowRecord* dcc_ = nullptr;
    std::unique_ptr<XmlDocument> settings_;
    uint32_t marker_ = 0;
};

// Answers every message box this process shows while it lives, noting the texts it showed.
class MessageBoxCloser {
public:
    MessageBoxCloser()
        : thread_([this] {
              while (!stop_) {
                  EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
                  Sleep(50);
              }
          }) {}
    ~MessageBoxCloser() {
        stop_ = true;
        thread_.join();
    }
    std::vector<std::string> Texts() {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_;
    }

private:
    static BOOL CALLBACK CollectText(HWND window, LPARAM parameter) {
        wchar_t text[500] = {};
        GetWindowTextW(window, text, 500);
        *reinterpret_cast<std::wstring*>(parameter) += std::wstring(text) + L"\n";
        return TRUE;
    }
    static BOOL CALLBACK Visit(HWND window, LPARAM parameter) {
        auto* self = reinterpret_cast<MessageBoxCloser*>(parameter);
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        wchar_t className[32] = {};
        GetClassNameW(window, className, 32);
        if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
            std::wstring(className) != L"#32770")
            return TRUE;
        std::wstring texts;
        CollectText(window, reinterpret_cast<LPARAM>(&texts));
        EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&texts));
        {
            std::lock_guard<std::mutex> lock(self->mutex_);
            self->texts_.push_back(WideToNarrow(texts));
        }
        PostMessageW(window, WM_COMMAND, IDOK, 0);
        // The same box must be gone before the next look.
        for (int i = 0; i < 200 && IsWindow(window) && IsWindowVisible(window); ++i) Sleep(50);
        return TRUE;
    }
    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::string> texts_;
    std::thread thread_;
};
