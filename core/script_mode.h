// How a script text is cut into statements.
#pragma once

#include <cstdint>

enum ScriptMode : uint32_t {
    kScriptLinesMode = 0, // lines separated by CR LF
    kEventScriptMode = 3, // the same, for event scripts
    kEvalMode = 4,        // statements separated by "|||"
};
