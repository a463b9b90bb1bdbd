// Lines printed from worker threads: handed to the view's owner, whole and in order per thread.
#include "tests/views/views_test_support.h"

#include "core/window_list.h"
#include "views/line_printer.h"

#include <atomic>
#include <set>
#include <thread>

namespace {

class PrinterThreads : public ChatViewTest {
protected:
    // Waits for the threads while answering what they send to this thread.
    static void JoinPumping(std::vector<std::thread>& threads, std::atomic<int>& finished) {
        while (finished.load() < static_cast<int>(threads.size())) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            PumpMessages();
        }
        for (auto& t : threads) t.join();
    }
};

std::wstring Line(int worker, int index) {
    return L"w" + std::to_wstring(worker) + L" line " + std::to_wstring(index) +
           L" \x02"
           L"bold\x02 \x03"
           L"4red\x03 \x18"
           L"link\x18 end";
}

std::wstring Shown(int worker, int index) {
    return L"w" + std::to_wstring(worker) + L" line " + std::to_wstring(index) + L" bold red link end";
}

} // namespace

TEST_F(PrinterThreads, WorkerLinesAreWholeAndPrintedOnTheOwnersThread) {
    std::set<DWORD> printingThreads;
    std::mutex printingMutex;
    CallLog::Instance().Answer = [&](const RecordedCall& call) -> uint64_t {
        if (call.Service == "NotifyPluginsWindowText") {
            std::lock_guard<std::mutex> lock(printingMutex);
            printingThreads.insert(GetCurrentThreadId());
            return 0;
        }
        return call.Service == "RunEventScript" ? 0xFFFFFFFF : 0;
    };
    const int kWorkers = 3, kLines = 60;
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int w = 1; w <= kWorkers; ++w)
        workers.emplace_back([&, w] {
            for (int i = 0; i < kLines; ++i) PrintToWindow(kMessageLine, channel_, Line(w, i));
            ++finished;
        });
    // The interface thread prints at the same time.
    for (int i = 0; i < kLines; ++i) {
        PrintToWindow(kMessageLine, channel_, Line(0, i));
        PumpMessages();
    }
    JoinPumping(workers, finished);

    std::wstring text = ViewText();
    std::vector<std::wstring> paragraphs;
    size_t start = 0;
    for (size_t at; (at = text.find(L'\r', start)) != std::wstring::npos; start = at + 1)
        paragraphs.push_back(text.substr(start, at - start));
    ASSERT_EQ(paragraphs.size(), static_cast<size_t>((kWorkers + 1) * kLines));
    std::vector<int> next(kWorkers + 1, 0);
    for (const std::wstring& p : paragraphs) {
        ASSERT_EQ(p[0], L'w') << testing::PrintToString(p);
        int w = p[1] - L'0';
        ASSERT_EQ(p, Shown(w, next[w])) << "lines of one thread mixed or out of order";
        ++next[w];
    }
    EXPECT_EQ(printingThreads, std::set<DWORD>{GetCurrentThreadId()});
    // Every link of every line was marked.
    LONG link = Find(L"w2 line 59 bold red link");
    ASSERT_GE(link, 0);
    EXPECT_TRUE(FormatAt(view_, link + 20).dwEffects & CFE_LINK);
}

TEST_F(PrinterThreads, LineForAWindowThatClosedIsDropped) {
    WindowRecord* closing = AddRecord(kQueryWindow, server_, "gone", nullptr, view_);
    EraseWindowRecord(closing);
    std::atomic<int> finished{0};
    std::vector<std::thread> worker;
    worker.emplace_back([&] {
        PrintToWindow(kMessageLine, closing, L"too late");
        ++finished;
    });
    JoinPumping(worker, finished);
    EXPECT_EQ(Find(L"too late"), -1);
}
