#include "script/script_expression.h"

#include "common/script_number.h"

#include <cstdlib>
#include <limits>

namespace {

// One operand or the running value. An expression is read after its values were inserted, so
// an operator or a quote counts whoever wrote it, unless a call's result holds it; escapes as
// UnescapeScriptText says.
using Marked = ScriptText;

void TrimOperand(Marked& operand) {
    operand.TrimLeft(" ");
    operand.TrimRight(" ");
    operand.TrimSyntaxLeft("\"");
    operand.TrimSyntaxRight("\"");
}

void SplitMarked(const Marked& text, std::vector<char>& operators, std::vector<Marked>& operands) {
    size_t start = 0;
    for (size_t i = 0; i < text.Size(); ++i) {
        if (!text.IsSyntax(i) || !IsOperatorChar(text.Text[i])) continue;
        operands.push_back(text.Slice(start, i - start));
        operators.push_back(text.Text[i]);
        start = i + 1;
    }
    if (start < text.Size()) {
        operands.push_back(text.Slice(start));
    } else if (!operators.empty()) {
        operators.pop_back(); // a trailing operator has no right operand
    }
}

Marked ApplyMarked(const Marked& left, const Marked& right, char op, uint32_t& kind) {
    Marked out;
    if (kind != kTextValue && IsNumericText(left.Text) && IsNumericText(right.Text)) {
        kind = kNumberValue;
        int64_t value = 0;
        if (op == '=') return out;
        if (ApplyNumberOperator(ScriptValueToInt64(left.Text), ScriptValueToInt64(right.Text), op, value)) {
            out.AppendWritten(std::to_string(value));
        } else if (op == '/' || op == '%') {
            kind = kNoValue; // a quotient without a value is no value at all
        }
        return out;
    }
    kind = kTextValue;
    if (op == '+') {
        out = left;
        out.AppendFrom(right, 0, right.Size());
    }
    return out;
}

uint32_t EvaluateMarked(const Marked& source, std::string& result) {
    size_t at = 0;
    while (at < source.Size() && (source.Text[at] == ' ' || source.Text[at] == '\t')) ++at;
    if (source.SyntaxAt(at, '{')) return kListValue;

    if (source.SyntaxAt(at, '"')) {
        Marked text = source.Slice(at + 1);
        size_t end = text.Size();
        while (end > 0 && text.Text[end - 1] == ' ') --end;
        while (end > 0 && text.SyntaxAt(end - 1, '"')) --end;
        text.Erase(end, std::string::npos);
        // A quote followed by "+N" cuts the text before it from byte N on.
        size_t lastQuote = std::string::npos;
        for (size_t i = text.Size(); i-- > 0;)
            if (text.SyntaxAt(i, '"')) {
                lastQuote = i;
                break;
            }
        size_t plus = std::string::npos;
        if (lastQuote != std::string::npos)
            for (size_t i = lastQuote + 1; i < text.Size(); ++i)
                if (text.SyntaxAt(i, '+')) {
                    plus = i;
                    break;
                }
        if (plus != std::string::npos) {
            long long from = std::atoll(text.Text.c_str() + plus + 1);
            if (from < 0) from = 0;
            result = static_cast<size_t>(from) < lastQuote
                         ? text.Text.substr(static_cast<size_t>(from), lastQuote - static_cast<size_t>(from))
                         : std::string();
            return kTextValue;
        }
        UnescapeScriptText(text, true);
        result = std::move(text.Text);
        return kTextValue;
    }

    Marked body = source.Slice(at);
    std::vector<char> operators;
    std::vector<Marked> operands;
    SplitMarked(body, operators, operands);
    uint32_t kind;
    if (operators.empty()) {
        kind = body.SyntaxAt(0, '\'') ? kTextValue : kNumberValue;
        if (kind == kTextValue) UnescapeScriptText(body, false);
        result = std::move(body.Text);
        return kind;
    }
    kind = kNoValue;
    Marked running = operands.empty() ? Marked() : operands[0];
    TrimOperand(running);
    for (size_t i = 0; i < operators.size(); ++i) {
        Marked right = i + 1 < operands.size() ? operands[i + 1] : Marked();
        TrimOperand(right);
        running = ApplyMarked(running, right, operators[i], kind);
    }
    if (kind == kTextValue) UnescapeScriptText(running, false);
    result = std::move(running.Text);
    return kind;
}

} // namespace

bool IsOperatorChar(char c) {
    switch (c) {
        case '+':
        case '-':
        case '*':
        case '/':
        case '^':
        case '&':
        case '|':
        case '%':
        case '=': return true;
        default: return false;
    }
}

bool IsNumericText(std::string_view text) {
    if (text.empty()) return true;
    if (text.size() > 10) return false;
    if (text.size() > 1 && text[0] == '0') return false;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value <= 2147483647u;
}

double ScriptValueToDouble(const std::string& text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t' || text[at] == '"' || text[at] == '\''))
        ++at;
    return std::atof(text.c_str() + at);
}

bool ApplyNumberOperator(int64_t left, int64_t right, char op, int64_t& out) {
    // Sums, differences and products wrap instead of overflowing.
    const uint64_t l = static_cast<uint64_t>(left), r = static_cast<uint64_t>(right);
    switch (op) {
        case '+': out = static_cast<int64_t>(l + r); return true;
        case '-': out = static_cast<int64_t>(l - r); return true;
        case '*': out = static_cast<int64_t>(l * r); return true;
        case '&': out = left & right; return true;
        case '^': out = left ^ right; return true;
        case '|': out = left | right; return true;
        case '/':
        case '%':
            if (right == 0 || (left == std::numeric_limits<int64_t>::min() && right == -1)) return false;
            out = op == '/' ? left / right : left % right;
            return true;
        default: return false;
    }
}

uint32_t EvaluateExpression(const char* text, std::string& result, uint32_t kindHint) {
    return EvaluateExpression(ScriptText(text ? text : ""), result, kindHint);
}

uint32_t EvaluateExpression(const ScriptText& text, std::string& result, uint32_t) {
    return EvaluateMarked(text, result);
}

void SplitExpression(const char* text, std::vector<char>& operators, std::vector<std::string>& operands) {
    std::vector<Marked> marked;
    SplitMarked(ScriptText(text ? text : ""), operators, marked);
    for (Marked& m : marked) operands.push_back(std::move(m.Text));
}

std::string ApplyOperator(const std::string& left, const std::string& right, char op, uint32_t& kind) {
    return ApplyMarked(ScriptText(left), ScriptText(right), op, kind).Text;
}
