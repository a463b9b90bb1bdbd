#include "tests/script/script_harness.h"

#include "script/script_interpreter.h"
#include "core/remote_text.h"
#include "script/script_variables.h"

#include <process.h>

#include <atomic>
#include <thread>

namespace {

ScriptVariable Variable(const char* name, std::vector<std::string> values, uint8_t numeric,
                        uint8_t list = 0) {
    ScriptVariable v;
    v.Name = name;
    v.Values = std::move(values);
    v.IsNumeric = numeric;
    v.IsText = !numeric;
    v.IsList = list;
    return v;
}

class ScriptVariables : public ScriptHarness {
protected:
    std::string Expand(const std::string& line, uint8_t noQuotes = 0, uint8_t keepTarget = 0) {
        ScriptText text(line);
        ExpandVariables(Locals, Server, Channel, text, noQuotes, keepTarget, 0);
        return text.Text;
    }
    ScriptVariableList Locals;
};

} // namespace

TEST_F(ScriptVariables, ValuesAreQuotedOnlyInTextLinesAndOnlyWhenNotNumbers) {
    Locals = {Variable("$t", {"two words"}, 0), Variable("$n", {"5"}, 1)};
    EXPECT_EQ("say \"two words\" 5", Expand("say $t $n"));
    EXPECT_EQ("/msg #c two words 5", Expand("/msg #c $t $n"));
    EXPECT_EQ("\\x two words", Expand("\\x $t"));
    EXPECT_EQ("say two words", Expand("say $t", 1));
}

TEST_F(ScriptVariables, NamesAreReplacedAsWholeWordsAndIndexesOnlyWhenTheyExist) {
    Locals = {Variable("$abc", {"s", "e1"}, 0), Variable("$l", {"1", "two"}, 0, 1)};
    EXPECT_EQ("/x $abcd s! a$abc", Expand("/x $abcd $abc! a$abc"));
    EXPECT_EQ("/x e1 $abc[2] $abc[01] s", Expand("/x $abc[1] $abc[2] $abc[01] $abc[0]"));
    EXPECT_EQ("y \"{\"1\",\"two\"}\"", Expand("y $l[*]"));
    EXPECT_EQ("/y {\"1\",\"two\"} $abc[*]", Expand("/y $l[*] $abc[*]"));
}

TEST_F(ScriptVariables, TheLocalScopeWinsThenTheConnection) {
    Locals = {Variable("$x", {"local"}, 0)};
    Connection->Variables = {Variable("$x", {"conn"}, 0), Variable("$y", {"conn"}, 0)};
    GlobalScriptVariables = {Variable("$x", {"global"}, 0), Variable("$y", {"global"}, 0),
                             Variable("$z", {"global"}, 0)};
    EXPECT_EQ("/ local conn global", Expand("/ $x $y $z"));
}

TEST_F(ScriptVariables, TheTargetOfAnAssignmentIsKeptAndValuesAreNeverReadAgain) {
    Locals = {Variable("$a", {"1", "2", "3"}, 1), Variable("$b", {"$a"}, 0)};
    EXPECT_EQ("$a = $a + 2", Expand("$a = $a + $a[1]", 0, 1));
    EXPECT_EQ("$a[1] = $a[1] + 3", Expand("$a[1] = $a[1] + $a[2]", 0, 1));
    EXPECT_EQ("/ $a", Expand("/ $b"));
    // A name that an earlier step inserted is read like one the script wrote, except for text
    // from outside, which names no variable.
    for (bool remote : {false, true}) {
        RemoteTextScope scope(remote);
        ScriptText inserted;
        inserted.AppendWritten("/ ");
        inserted.AppendInserted("$a[2]");
        ExpandVariables(Locals, Server, Channel, inserted, 0, 0, 0);
        EXPECT_EQ(remote ? "/ $a[2]" : "/ 3", inserted.Text);
    }
}

TEST_F(ScriptVariables, SetReturnsAnExistingVariableOrMakesOneInTheScopeAskedFor) {
    ScriptScopesWriteLock lock(ScriptScopesMutex());
    ScriptVariable* made = SetScriptVariable(Locals, Server, "$n", "42", kConnectionScope);
    ASSERT_NE(nullptr, made);
    EXPECT_EQ(1u, Connection->Variables.size());
    EXPECT_TRUE(made->IsNumeric && !made->IsText && !made->IsList);
    EXPECT_EQ(made, SetScriptVariable(Locals, Server, "$N", "other", kGlobalScope));
    EXPECT_EQ("42", made->Values[0]);
    ScriptVariable* text = SetScriptVariable(Locals, Server, "$t", "-4", kGlobalScope);
    EXPECT_TRUE(text->IsText && !text->IsNumeric);
    ScriptVariable* empty = SetScriptVariable(Locals, Server, "$e", "", kLocalScope);
    EXPECT_TRUE(!empty->IsText && !empty->IsNumeric && empty->Values.size() == 1);
    WindowRecord orphan(nullptr, kDccChatWindow, nullptr);
    EXPECT_EQ(nullptr, SetScriptVariable(Locals, &orphan, "$c", "1", kConnectionScope));
}

// Scripts on several threads change one global variable while another thread keeps adding
// globals, as "/define" does: every increment counts and nothing reads a freed element.
TEST_F(ScriptVariables, SharedScopesStayConsistentUnderConcurrentScripts) {
    {
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        SetScriptVariable(Locals, Server, "$count", "0", kGlobalScope);
    }
    std::atomic<bool> stop{false};
    std::thread definer([&] {
        for (int i = 0; !stop && i < 400; ++i) {
            {
                ScriptScopesWriteLock lock(ScriptScopesMutex());
                SetScriptVariable(Locals, Server, "$g" + std::to_string(i), "x", kGlobalScope);
            }
            Sleep(0);
        }
    });
    std::vector<std::thread> scripts;
    for (int t = 0; t < 4; ++t)
        scripts.emplace_back([this] {
            std::string result;
            ExecuteScript(
                0, Server, Channel,
                "#nodebug\r\nfor ($i = 0; $i < 300; $i += 1)\r\n{\r\n$count += 1\r\n$count[2] += 2\r\n"
                "$seen = $count\r\n}",
                "", result, 0);
        });
    for (std::thread& s : scripts) s.join();
    stop = true;
    definer.join();
    ScriptScopesReadLock lock(ScriptScopesMutex());
    ScriptVariable* count = FindScriptVariable(Locals, Server, "$count", nullptr);
    ASSERT_NE(nullptr, count);
    EXPECT_EQ("1200", count->Values[0]);
    EXPECT_EQ("2400", count->Values[2]);
}
