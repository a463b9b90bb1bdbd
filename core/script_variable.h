// A named script value: element 0 is the scalar, elements 1.. a list. Kept in three scopes:
// the running script's, its server connection's and the program-wide one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ScriptVariable {
    std::string Name; // with its leading '$', compared ignoring case
    std::vector<std::string> Values{std::string()};
    uint8_t IsList = 0;
    uint8_t IsText = 0;
    uint8_t IsNumeric = 0;
};

using ScriptVariableList = std::vector<ScriptVariable>;
