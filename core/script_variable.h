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
    // The values as the user's own words last set them. While text from outside is handled, a
    // variable whose values still equal them is inserted as the user's; any other, as from
    // outside (it may have been changed from such text since).
    std::vector<std::string> UsersValues;
    uint8_t HasUsersValues = 0;
};

// True when the variable holds only what the user's own words set.
inline bool HoldsUsersValues(const ScriptVariable& v) {
    return v.HasUsersValues && v.UsersValues == v.Values;
}

using ScriptVariableList = std::vector<ScriptVariable>;
