// Windows asked for by other threads: the frame takes them in slices, in the order asked, and each
// thread goes on with its lines only once its window is there.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "core/frame_message_ids.h"
#include "core/open_chat_window.h"
#include "core/window_list.h"
#include "core/window_record.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

constexpr UINT kTurn = WM_APP + 1; // stands for the input and painting a slice lets through

std::mutex g_lock;
std::vector<std::string> g_log;
std::vector<std::unique_ptr<WindowRecord>> g_made;
std::vector<HWND> g_windows;

void Log(const std::string& entry) {
    std::lock_guard<std::mutex> hold(g_lock);
    g_log.push_back(entry);
}

LRESULT CALLBACK TestFrame(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_OPEN_CHAT_WINDOW) {
        const auto* request = reinterpret_cast<const OpenChatWindowRequest*>(lParam);
        g_made.push_back(std::make_unique<WindowRecord>(nullptr, request->Type, request->Server));
        g_made.back()->Name = request->Name;
        HWND child = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        SetWindowLongPtrW(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(g_made.back().get()));
        g_windows.push_back(child);
        Log("open " + request->Name);
        return reinterpret_cast<LRESULT>(child);
    }
    // Told of requests, the frame gives what else waits its turn first, then takes one window;
    // what is left waits for the next turn.
    if (message == WM_TAKE_WINDOW_REQUESTS) {
        PostMessageW(frame, kTurn, 0, 0);
        return 0;
    }
    if (message == kTurn) {
        Log("turn");
        bool one = true;
        if (TakeWindowRequests([&] { return std::exchange(one, false); })) PostMessageW(frame, kTurn, 0, 0);
        return 0;
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

class WindowRequests : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW type{};
        type.lpfnWndProc = TestFrame;
        type.lpszClassName = L"WindowRequestsTestFrame";
        RegisterClassW(&type);
        frame_ =
            CreateWindowW(type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        MainWindow = frame_;
        for (auto* server : {&first_, &second_}) {
            *server = std::make_unique<WindowRecord>(nullptr, kServerWindow, nullptr);
            InsertWindowRecord(server->get());
        }
    }
    void TearDown() override {
        RefuseWindowRequests(nullptr);
        MainWindow = nullptr;
        DestroyWindow(frame_);
        for (HWND window : g_windows) DestroyWindow(window);
        g_windows.clear();
        g_made.clear();
        g_log.clear();
        EraseWindowRecord(first_.get());
        EraseWindowRecord(second_.get());
    }
    // Runs the frame's messages until the condition holds.
    template <class Condition> bool Pump(Condition condition) {
        const ULONGLONG end = GetTickCount64() + 30000;
        while (!condition()) {
            if (GetTickCount64() > end) return false;
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
        return true;
    }
    size_t At(const std::string& entry) const {
        for (size_t i = 0; i < g_log.size(); ++i)
            if (g_log[i] == entry) return i;
        return g_log.size();
    }

    HWND frame_ = nullptr;
    std::unique_ptr<WindowRecord> first_, second_;
};

// A connection thread: a window for each channel, then the channel's line, which must find it.
void Connection(WindowRecord* server, const std::string& prefix, int count, std::atomic<int>& done) {
    for (int i = 0; i < count; ++i) {
        const std::string name = prefix + std::to_string(i);
        WindowRecord* window = OpenChatWindow(server, kChannelWindow, name);
        Log(window && window->Name == name ? "line " + name : "no window for " + name);
    }
    ++done;
}

} // namespace

TEST_F(WindowRequests, AreTakenOneASliceWhileEachThreadsLinesKeepTheirOrder) {
    constexpr int kCount = 20;
    std::atomic<int> done{0};
    std::thread a(Connection, first_.get(), "#a", kCount, std::ref(done));
    std::thread b(Connection, second_.get(), "#b", kCount, std::ref(done));
    EXPECT_TRUE(Pump([&] { return done.load() == 2; }));
    a.join();
    b.join();
    std::lock_guard<std::mutex> hold(g_lock);
    for (const std::string prefix : {"#a", "#b"})
        for (int i = 0; i < kCount; ++i) {
            const std::string name = prefix + std::to_string(i);
            // The window is there before its line, and the line before the thread's next window.
            EXPECT_LT(At("open " + name), At("line " + name)) << name;
            if (i + 1 < kCount) {
                EXPECT_LT(At("line " + name), At("open " + prefix + std::to_string(i + 1))) << name;
            }
        }
    // Between two windows made, what else waited had its turn.
    for (size_t i = 1; i < g_log.size(); ++i)
        if (g_log[i].rfind("open ", 0) == 0) {
            size_t before = i;
            while (before > 0 && g_log[before - 1].rfind("line ", 0) == 0) --before;
            EXPECT_TRUE(before == 0 || g_log[before - 1] == "turn") << g_log[i];
        }
}

TEST_F(WindowRequests, OfAClosingServerWindowAreAnsweredWithNone) {
    std::atomic<int> done{0};
    // The frame takes nothing yet: the thread waits.
    std::thread waiting(Connection, first_.get(), "#w", 1, std::ref(done));
    ASSERT_TRUE(WaitForSingleObject(WindowRequestsWaiting(), 30000) == WAIT_OBJECT_0);
    RefuseWindowRequests(first_.get());
    waiting.join();
    EXPECT_EQ(1, done.load());
    // Later requests for it are refused at once; another server's are still made.
    std::thread later(Connection, first_.get(), "#x", 1, std::ref(done));
    later.join();
    std::thread other(Connection, second_.get(), "#y", 1, std::ref(done));
    EXPECT_TRUE(Pump([&] { return done.load() == 3; }));
    other.join();
    std::lock_guard<std::mutex> hold(g_lock);
    std::erase(g_log, "turn");
    EXPECT_EQ((std::vector<std::string>{"no window for #w0", "no window for #x0", "open #y0", "line #y0"}),
              g_log);
}
