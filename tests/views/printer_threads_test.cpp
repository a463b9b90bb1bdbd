// Lines printed from worker threads: handed to the view's owner, whole and in order per thread.
#include "tests/views/views_test_support.h"

#include "core/applied_settings.h"
#include "core/window_list.h"
#include "views/line_printer.h"
#include "views/print_dispatch.h"
#include "views/rtf_batch.h"
#include "views/view_bound.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <set>
#include <thread>

namespace {

class PrinterThreads : public ChatViewTest {
protected:
    // Waits for the threads while answering what they send to this thread, then puts in the lines
    // they queued last, which would otherwise wait for the next pass interval.
    void JoinPumping(std::vector<std::thread>& threads, std::atomic<int>& finished) {
        while (finished.load() < static_cast<int>(threads.size())) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            PumpMessages();
        }
        for (auto& t : threads) t.join();
        RunAfterQueuedPrints(view_, [] {});
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
    LoadTestPlugin();
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

// Two connection threads and the interface thread print chat lines into one query window for
// ten seconds. The printer keeps the sender fields on the view's thread, so every line the view
// keeps (the last ones, within its bound) is shown once and each line's sender is hidden exactly
// when the line shown before it had the same one.
TEST_F(PrinterThreads, SendersOfInterleavedChatLinesFollowTheShownOrder) {
    GroupChatMessages = 1;
    WindowRecord* query = AddRecord(kQueryWindow, server_, "bob", host_, view_);
    std::atomic<bool> stop{false};
    std::atomic<int> finished{0};
    std::atomic<int> sent[3] = {0, 0, 0};
    const std::wstring senders[3] = {L"me", L"bob", L"carol"};
    auto say = [&](int who) {
        const int n = sent[who]++;
        PrintToWindow(kMessageLine, query, L"<" + senders[who] + L"> " + std::to_wstring(n),
                      {.ChatLine = true, .Sender = &senders[who]});
    };
    std::vector<std::thread> connections;
    for (int who = 1; who <= 2; ++who)
        connections.emplace_back([&, who] {
            while (!stop.load()) {
                say(who);
                Sleep(2);
            }
            ++finished;
        });
    // Until the view was trimmed more than once and every sender had its share, or a generous
    // limit passed.
    const auto enough = [&] {
        return sent[0] + sent[1] + sent[2] > static_cast<int>(kViewLineLimit + 2 * kViewTrimBlock) &&
               sent[0] > 100 && sent[1] > 100 && sent[2] > 100;
    };
    const ULONGLONG end = GetTickCount64() + 60000;
    while (!enough() && GetTickCount64() < end) {
        say(0); // a typed line
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        PumpMessages();
    }
    stop = true;
    JoinPumping(connections, finished);

    const std::wstring text = ViewText();
    std::vector<std::pair<LONG, std::wstring>> lines; // start and text of each paragraph
    for (size_t start = 0, at; (at = text.find(L'\r', start)) != std::wstring::npos; start = at + 1)
        lines.emplace_back(static_cast<LONG>(start), text.substr(start, at - start));
    size_t total = 0;
    for (const auto& count : sent) total += static_cast<size_t>(count.load());
    ASSERT_LE(lines.size(), std::min<size_t>(total, kViewLineLimit));
    ASSERT_GE(lines.size(), std::min<size_t>(total, kViewLineLimit - kViewTrimBlock));
    // Of each sender the view keeps the last lines, none lost between them.
    std::map<std::wstring, int> next;
    for (const auto& line : lines) {
        const size_t open = line.second.find(L'<'), close = line.second.find(L'>');
        ASSERT_NE(close, std::wstring::npos) << testing::PrintToString(line.second);
        const std::wstring sender = line.second.substr(open + 1, close - open - 1);
        const int n = std::stoi(line.second.substr(close + 2));
        if (next.count(sender)) {
            EXPECT_EQ(n, next[sender]) << "a kept line of " << testing::PrintToString(sender) << " is lost";
        }
        next[sender] = n + 1;
    }
    for (int who = 0; who < 3; ++who) EXPECT_EQ(next[senders[who]], sent[who].load());
    std::set<std::wstring> seen;
    for (const auto& line : lines) EXPECT_TRUE(seen.insert(line.second).second) << "shown twice";
    EXPECT_GT(sent[0].load(), 100);
    EXPECT_GT(sent[1].load(), 100);
    EXPECT_GT(sent[2].load(), 100);

    // A line's sender is drawn in the background colour only when the line shown before it had the
    // same sender; with the same sender it is hidden unless a new minute began between them. Reading
    // a format is slow in a long view, so some 150 lines spread over the view are read.
    const COLORREF background = RGB(255, 255, 255);
    int sameButShown = 0;
    for (size_t i = 1; i < lines.size(); i += lines.size() / 150 + 1) {
        const std::wstring& previous = lines[i - 1].second;
        const std::wstring& current = lines[i].second;
        const bool sameSender =
            previous.substr(0, previous.find(L'>')) == current.substr(0, current.find(L'>'));
        const bool hidden = FormatAt(view_, lines[i].first + 1).crTextColor == background;
        if (!sameSender) {
            ASSERT_FALSE(hidden) << testing::PrintToString(current);
        }
        if (sameSender && !hidden) ++sameButShown;
    }
    EXPECT_LE(sameButShown, 1);
}

// A peer's long lines reach the view whole but cut into short paragraphs (a long paragraph costs
// the control time and memory in proportion to its square), and a pass puts in a bounded share of
// them: the owner's first pass that brings text in brings one of three such lines.
TEST_F(PrinterThreads, LongLinesGoInAsShortParagraphsAFewAPass) {
    std::wstring longLine;
    for (int i = 0; longLine.size() < 20000; ++i) longLine += std::to_wstring(i % 10);
    std::atomic<int> finished{0};
    std::vector<std::thread> worker;
    worker.emplace_back([&] {
        for (int i = 0; i < 3; ++i) PrintToWindow(kMessageLine, channel_, longLine);
        ++finished;
    });
    worker.back().join();
    MSG message;
    while (ViewText().empty() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    const std::wstring first = ViewText();
    std::vector<std::thread> none;
    JoinPumping(none, finished);

    const std::wstring text = ViewText();
    std::wstring joined;
    size_t paragraphs = 0;
    for (size_t start = 0, at; (at = text.find(L'\r', start)) != std::wstring::npos; start = at + 1) {
        EXPECT_LE(at - start, static_cast<size_t>(kMaxParagraphChars));
        joined += text.substr(start, at - start);
        ++paragraphs;
    }
    EXPECT_EQ(joined, longLine + longLine + longLine);
    EXPECT_EQ(paragraphs, 3 * ((longLine.size() + kMaxParagraphChars - 1) / kMaxParagraphChars));
    EXPECT_EQ(first.size(), text.size() / 3) << "the first pass brought one long line";
}
