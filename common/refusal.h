// Refusals travel as small integers thrown by guards and built-ins and caught at every
// boundary that runs commands, scripts, window procedures, threads or plug-in calls.
#pragma once

enum Refusal : int {
    kRefused = 0,             // a guard or argument check refused; the command ends quietly
    kForwardedToUiThread = 1, // the work was handed to the interface thread
    kInvalidFunction = 2,     // a script called a function that does not exist
};
