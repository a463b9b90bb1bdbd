// Work that the interface thread does in steps while a storm lasts (windows other threads ask
// for, laying out the windows a storm made): between two steps, input, painting and timers get
// their turn. A posted message would come back ahead of all three, so the next step is run by the
// program's message loop once none of them waits, or by a timer when another loop (a menu, a
// dialog) runs meanwhile.
#pragma once

namespace shell {

using TurnStep = void (*)();

// Input, painting or a timer waits for the interface thread.
bool OthersWaiting();
// A key or a click waits.
bool InputWaiting();
// Runs the step once what waits now has had its turn (a step asked for twice runs once).
void RunAfterOthersTurn(TurnStep step);
// The program's message loop, after each message: runs the steps that are due.
void RunStepsDue();

} // namespace shell
