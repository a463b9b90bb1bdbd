#include <gtest/gtest.h>

#include "core/remote_text.h"
#include "script/script_expression.h"

#include <limits>

namespace {

struct ExpressionCase {
    const char* Text;
    const char* Result;
    uint32_t Kind;
};

} // namespace

TEST(ScriptExpression, OperatorsApplyLeftToRightOverNumbersAndTexts) {
    const ExpressionCase cases[] = {
        {"1 + 2 * 3", "9", kNumberValue},
        {"7 / 2", "3", kNumberValue},
        {"-7 / 2", "", kTextValue}, // 0 - 7 is -7, which is not numeric text
        {"2147483647 + 1", "2147483648", kNumberValue},
        {"2147483648 + 1", "21474836481", kTextValue},
        {"abc + def", "abcdef", kTextValue},
        {"abc - def", "", kTextValue},
        {"5 ^ 3", "6", kNumberValue},
        {"12 & 10 | 1", "9", kNumberValue},
        {"17 % 5", "2", kNumberValue},
        {"5 = 3", "", kNumberValue},
        {"\"hello\"+2", "llo", kTextValue},
        {"\"hi\"+5", "", kTextValue},
        {"'x'", "'x'", kTextValue},
        {"\"a\" + \"b\"", "a\" + \"b", kTextValue},
        {"\"a\\x41\\\\b\\n\"", "aA\\b\n", kTextValue},
        {"x + \\x42", "xB", kTextValue},
        {"  \t42 ", "42 ", kNumberValue},
        {"abc", "abc", kNumberValue},
        {"5 +", "5 +", kNumberValue},
        {"", "", kNumberValue},
        {"1 / 0", "", kNoValue},
        {"5 % 0", "", kNoValue},
        {"1 / 0 + 5", "5", kNumberValue},
    };
    for (const ExpressionCase& c : cases) {
        std::string result = "unset";
        EXPECT_EQ(c.Kind, EvaluateExpression(c.Text, result, 0)) << c.Text;
        EXPECT_EQ(c.Result, result) << c.Text;
    }
    std::string untouched = "unset";
    EXPECT_EQ(kListValue, EvaluateExpression(" {1, 2}", untouched, 0));
    EXPECT_EQ("unset", untouched);
}

// An expression is read after its values were inserted: what a value brings is read as if the
// script had written it; a value from outside brings operators and quotes but no escape.
TEST(ScriptExpression, InsertedTextIsReadAsTheScriptsOwn) {
    for (bool remote : {false, true}) {
        RemoteTextScope scope(remote);
        ScriptText text;
        text.AppendInserted("1+2");
        std::string result;
        EXPECT_EQ(kNumberValue, EvaluateExpression(text, result, 0));
        EXPECT_EQ("3", result);

        ScriptText quoted;
        AppendValue(quoted, "say \"hi\"+1", true);
        EXPECT_EQ(kTextValue, EvaluateExpression(quoted, result, 0));
        EXPECT_EQ("ay \"hi", result) << "the value's quote and +1 cut the text";

        ScriptText sum;
        AppendValue(sum, "a-b", false);
        sum.AppendWritten(" + ");
        AppendValue(sum, "c\\x41", false);
        EXPECT_EQ(kTextValue, EvaluateExpression(sum, result, 0));
        EXPECT_EQ(remote ? "c\\x41" : "cA", result)
            << "a - b gives the empty text, to which c and A are added";
    }
}

TEST(ScriptExpression, NumericTextIsTheCanonicalFormOfZeroToIntMax) {
    for (const char* yes : {"", "0", "7", "2147483647"}) EXPECT_TRUE(IsNumericText(yes)) << yes;
    for (const char* no : {"-4", "007", "+3", "2147483648", " 5", "12a", "99999999999", "4 "})
        EXPECT_FALSE(IsNumericText(no)) << no;
}

TEST(ScriptExpression, SplittingCutsAtEveryOperatorAndDropsATrailingOne) {
    std::vector<char> ops;
    std::vector<std::string> operands;
    SplitExpression("-7 / 2", ops, operands);
    EXPECT_EQ((std::vector<char>{'-', '/'}), ops);
    EXPECT_EQ((std::vector<std::string>{"", "7 ", " 2"}), operands);
    ops.clear();
    operands.clear();
    SplitExpression("\"a+b\"+", ops, operands); // quotes are not looked at
    EXPECT_EQ((std::vector<char>{'+'}), ops);
    EXPECT_EQ((std::vector<std::string>{"\"a", "b\""}), operands);
}

TEST(ScriptExpression, NumberOperatorsWrapAndRefuseQuotientsWithoutValue) {
    const int64_t min = std::numeric_limits<int64_t>::min(), max = std::numeric_limits<int64_t>::max();
    int64_t out = 0;
    EXPECT_TRUE(ApplyNumberOperator(max, 1, '+', out));
    EXPECT_EQ(min, out);
    EXPECT_TRUE(ApplyNumberOperator(max, max, '*', out));
    EXPECT_FALSE(ApplyNumberOperator(min, -1, '/', out));
    EXPECT_FALSE(ApplyNumberOperator(min, -1, '%', out));
    EXPECT_FALSE(ApplyNumberOperator(5, 0, '/', out));
    EXPECT_FALSE(ApplyNumberOperator(5, 0, '%', out));
    EXPECT_TRUE(ApplyNumberOperator(-7, 2, '/', out));
    EXPECT_EQ(-3, out);

    uint32_t kind = kTextValue; // once text, always text
    EXPECT_EQ("12", ApplyOperator("1", "2", '+', kind));
    EXPECT_EQ(static_cast<uint32_t>(kTextValue), kind);
    EXPECT_DOUBLE_EQ(3.5, ScriptValueToDouble(" '\"3.5x"));
}
