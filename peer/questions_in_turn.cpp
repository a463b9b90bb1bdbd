#include "peer/questions_in_turn.h"

#include "common/app_state.h"
#include "core/interface_thread_call.h"

#include <deque>
#include <mutex>

namespace {

std::mutex g_lock;
std::deque<std::function<void()>> g_waiting;
bool g_asking = false; // interface thread only: a question is open

// Asks the waiting questions in order. Its dialogs run the thread's messages, and with them
// further calls: those leave their questions to the loop that is asking.
void AskWaiting() {
    if (g_asking) return;
    g_asking = true;
    for (;;) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> hold(g_lock);
            if (g_waiting.empty()) break;
            next = std::move(g_waiting.front());
            g_waiting.pop_front();
        }
        try {
            next();
        } catch (...) {
            // That question is over; the next is asked.
        }
    }
    g_asking = false;
}

} // namespace

bool peer::AskInTurn(std::function<void()> question) {
    const bool here = OnInterfaceThread();
    if (!question || (!here && !MainWindow.load())) return false;
    {
        std::lock_guard<std::mutex> hold(g_lock);
        if (g_waiting.size() >= kMaxWaitingQuestions) return false;
        g_waiting.push_back(std::move(question));
    }
    // A lost wake-up leaves the question for the next one.
    if (here)
        AskWaiting();
    else
        PostToInterfaceThread(AskWaiting);
    return true;
}
