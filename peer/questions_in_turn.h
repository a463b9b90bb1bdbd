// Questions to the user raised where nobody may wait for the answer (a connection thread
// handling a server line): each is asked on the interface thread, one at a time in order of
// arrival, while the thread that raised it goes on.
#pragma once

#include <cstddef>
#include <functional>

namespace peer {

// Questions that may wait at once besides the one open; more are refused.
constexpr size_t kMaxWaitingQuestions = 20;

// Queues the question (which asks and acts on the answer itself, on the interface thread) and
// returns at once; called on the interface thread with no question open, it is asked before this
// returns. False, and the question dropped, when kMaxWaitingQuestions wait already or there is
// no interface thread to ask on.
bool AskInTurn(std::function<void()> question);

} // namespace peer
