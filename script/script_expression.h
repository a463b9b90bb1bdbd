// Expressions: operators applied strictly from left to right over texts and signed 64-bit
// numbers. Grouping by parentheses happens before, in the call step.
#pragma once

#include "script/script_text.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum ScriptValueKind : uint32_t {
    kNoValue = 0,
    kNumberValue = 1,
    kTextValue = 2,
    kListValue = 3,
};

bool IsOperatorChar(char c);
// Empty, or the canonical decimal form of 0 to 2147483647.
bool IsNumericText(std::string_view text);
// Leading blanks, tabs and quotes skipped, then the C library's atof.
double ScriptValueToDouble(const std::string& text);

// Returns the kind of the value written into result (a list leaves result untouched). The
// hint (2 text, 1 number, 0 unknown) does not change the outcome.
uint32_t EvaluateExpression(const char* text, std::string& result, uint32_t kindHint);
// The same over a marked line: a call's result holds no operators, quotes or escapes, and a value
// from outside no escapes (script_text.h).
uint32_t EvaluateExpression(const ScriptText& text, std::string& result, uint32_t kindHint);

void SplitExpression(const char* text, std::vector<char>& operators, std::vector<std::string>& operands);
// kind is the kind so far (in) and the kind of the outcome (out). A quotient or remainder
// that cannot be computed (division by 0, the smallest number by -1) is the empty text of kind
// 0, no value.
std::string ApplyOperator(const std::string& left, const std::string& right, char op, uint32_t& kind);

// Wrapping 64-bit arithmetic shared with the assignment operators; false for a quotient or
// remainder that has no value.
bool ApplyNumberOperator(int64_t left, int64_t right, char op, int64_t& out);
