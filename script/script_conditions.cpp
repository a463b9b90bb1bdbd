// Comparisons written in "if" and "for" lines.
#include "common/script_number.h"
#include "common/text_compare.h"
#include "script/function_calls.h"
#include "script/script_expression.h"
#include "script/script_reports.h"
#include "script/script_run.h"

namespace {

const char* const kComparisonOperators[] = {"===", "==", "!=", "<=", ">=", "<", ">"};

bool CompareNumbers(int64_t l, int64_t r, const std::string& op) {
    if (op == "===" || op == "==") return l == r;
    if (op == "!=") return l != r;
    if (op == "<=") return l <= r;
    if (op == ">=") return l >= r;
    if (op == "<") return l < r;
    return l > r;
}

bool CompareTexts(const std::string& l, const std::string& r, const std::string& op) {
    if (op == "===") return l == r;
    if (op == "==") return StringEqualsNoCase(l, r);
    if (op == "!=") return !StringEqualsNoCase(l, r);
    return false;
}

} // namespace

ScriptComparison CompareScriptCondition(ScriptRun& run, const ScriptText& condition) {
    ScriptComparison c;
    std::vector<ScriptText> sides;
    for (const char* op : kComparisonOperators) {
        sides.clear();
        SplitScriptText(sides, condition, op, true);
        if (sides.size() == 2) {
            c.HasOperator = true;
            c.Operator = op;
            break;
        }
    }
    if (!c.HasOperator) return c;
    std::string values[2];
    uint32_t kinds[2];
    for (int i = 0; i < 2; ++i) {
        EvaluateFunctionCalls(run.ConnectionWindow, run.Window, run.Locals, sides[i], run.Parameters);
        sides[i].TrimLeft(" \t");
        sides[i].TrimRight(" \t");
        kinds[i] = EvaluateExpression(sides[i], values[i], kNoValue);
    }
    if (kinds[0] != kinds[1])
        ThrowScriptError(run.ConnectionWindow, run.Work.Text, L"Type mismatch in comparison");
    c.Kind = kinds[0];
    if (c.Kind == kNumberValue) {
        c.Value = CompareNumbers(ScriptValueToInt64(values[0]), ScriptValueToInt64(values[1]), c.Operator);
    } else if (c.Kind == kTextValue) {
        c.Value = CompareTexts(values[0], values[1], c.Operator);
    }
    return c;
}
