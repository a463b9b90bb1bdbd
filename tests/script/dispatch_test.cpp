#include "tests/script/script_harness.h"

#include "common/refusal.h"
#include "script/builtin_dispatch.h"
#include "script/function_calls.h"
#include "script/script_reports.h"

namespace {

std::vector<std::string> SeenArguments;
std::vector<uint32_t> SeenQuoted;
std::string SeenName;
int SpellCalls = 0;

uint32_t Echo(BuiltinCall& call) {
    SeenArguments = call.Arguments;
    SeenQuoted = call.Quoted;
    SeenName = call.Name;
    call.Results = call.Arguments;
    return 2;
}
uint32_t Bare(BuiltinCall& call) {
    call.Results[0] = call.Name + "[" + (call.Arguments.empty() ? "" : call.Arguments[0]) + "]";
    return 1;
}
uint32_t Three(BuiltinCall& call) {
    call.Results = {"r1", "r2", "r3"};
    return 2;
}
uint32_t NeedsFive(BuiltinCall& call) {
    CheckScriptArgCount(call.Arguments, 5, false);
    return 1;
}
uint32_t FailsQuietly(BuiltinCall& call) {
    call.Results[0] = "partial";
    throw 7;
}
uint32_t Wide(BuiltinCall& call) {
    call.WideResult = L"caf\u00e9";
    call.HasWideResult = 1;
    call.WideResultUtf8 = 1;
    return 2;
}
uint32_t Spell(BuiltinCall& call) {
    ++SpellCalls;
    call.Results[0] = "Spell()";
    return 1;
}

const BuiltinEntry kTestTable[] = {
    {"Echo", Echo},
    {"GetChannelInformation", Echo},
    {"A", Bare},
    {"B", Bare},
    {"FILE_CRC", Bare},
    {"md5", Bare},
    {"Three", Three},
    {"NeedsFive", NeedsFive},
    {"FailsQuietly", FailsQuietly},
    {"Wide", Wide},
    {"Spell", Spell},
};

class ScriptDispatch : public ScriptHarness {
protected:
    uint32_t Call(const std::string& name, std::vector<std::string> arguments,
                  std::vector<std::string>& results) {
        std::vector<ScriptText> marked;
        for (const std::string& a : arguments) marked.emplace_back(a);
        return CallBuiltinFunction(kTestTable, Server, Channel, "the line", Locals, name, marked, results,
                                   "");
    }
    std::string Evaluate(const std::string& line) {
        ScriptText text(line);
        EvaluateFunctionCalls(Server, Channel, Locals, text, "", kTestTable);
        return text.Text;
    }
    ScriptVariableList Locals;
};

} // namespace

TEST_F(ScriptDispatch, ArgumentsLoseOuterBlanksAndQuotesAndRememberBeingQuoted) {
    std::vector<std::string> results;
    EXPECT_EQ(2u, Call("ECHO", {"  \"text\"  ", "\"\"", " 'x' ", "\t a", "\"\"\"q\"\""}, results));
    EXPECT_EQ("ECHO", SeenName);
    EXPECT_EQ((std::vector<std::string>{"text", "", "'x'", "\t a", "q"}), SeenArguments);
    EXPECT_EQ((std::vector<uint32_t>{1, 0, 0, 0, 1}), SeenQuoted);
}

TEST_F(ScriptDispatch, AliasesRunTheirBuiltinWithFixedArguments) {
    std::vector<std::string> results;
    Call("getchanneltopic", {"#a"}, results);
    EXPECT_EQ("GetChannelInformation", SeenName);
    EXPECT_EQ((std::vector<std::string>{"#a", "1"}), SeenArguments);
    std::string name = "IPFromMask";
    std::vector<std::string> args{"m"};
    EXPECT_TRUE(ResolveFunctionAlias(name, args));
    EXPECT_EQ("InfoFromMask", name);
    EXPECT_EQ((std::vector<std::string>{"m", "0", "2"}), args);
}

TEST_F(ScriptDispatch, ErrorsEndTheScriptWithTheirMessageOrTheBuiltinQuietly) {
    std::vector<std::string> results;
    EXPECT_THROW(Call("NeedsFive", {"1"}, results), ScriptError);
    EXPECT_THROW(Call("NoSuchName", {"1"}, results), ScriptError);
    EXPECT_THROW(Call("", {}, results), ScriptError);
    EXPECT_THROW(Call("", {"1", "2"}, results), ScriptError);
    EXPECT_EQ("error: [the line] : Invalid number of parameters to function. ))\n"
              "error: [the line] : Invalid Function ))\n"
              "error: [the line] : Invalid Function ))\n"
              "error: [the line] : Invalid Function ))\n",
              OutputText());
    results.clear();
    EXPECT_EQ(0u, Call("FailsQuietly", {}, results));
    EXPECT_EQ((std::vector<std::string>{"partial"}), results);
}

TEST_F(ScriptDispatch, ResultsTakeTheirFormsAndWideResultsTheirCodePage) {
    std::vector<std::string> results;
    EXPECT_EQ(2u, Call("Wide", {}, results));
    EXPECT_EQ("caf\xC3\xA9", results[0]);
    results.clear();
    EXPECT_EQ(1u, Call("", {"2 * 3"}, results)); // a group
    EXPECT_EQ("6", results[0]);
    EXPECT_EQ("{\"r1\",\"r2\",\"r3\"}", FormatCallResults({"r1", "r2", "r3"}, 2).Text);
    EXPECT_EQ("r1", FormatCallResults({"r1"}, 1).Text);
    EXPECT_EQ("", FormatCallResults({}, 2).Text);
    EXPECT_FALSE(FormatCallResults({"v"}, 2).IsWritten(1));
}

TEST_F(ScriptDispatch, CallsRunInnermostFirstAndTheirResultsAreNotCalledAgain) {
    EXPECT_EQ("A[B[1]]", Evaluate("A(B(1))"));
    EXPECT_EQ("x-FILE_CRC[a] md5[z]", Evaluate("x-FILE_CRC(a) md5(z)"));
    EXPECT_EQ("\"a(b)\"", Evaluate("Echo(\"a(b)\")"));
    EXPECT_EQ("x {\"r1\",\"r2\",\"r3\"}", Evaluate("x Three()"));
    SpellCalls = 0;
    EXPECT_EQ("Spell() Spell()", Evaluate("Spell() Spell()"));
    EXPECT_EQ(2, SpellCalls);
    EXPECT_EQ("9 \"(1+2)\" A(3", Evaluate("((1 + 2) * 3) \"(1+2)\" A(3"));
}

TEST_F(ScriptDispatch, WindowsAreFoundByNameInTheScriptsConnection) {
    EXPECT_EQ(Other, FindScriptWindow("#OTHER", Server, false));
    EXPECT_EQ(nullptr, FindScriptWindow("#none", Server, true));
    EXPECT_THROW(FindScriptWindow("#none", Server, false), int);
    EXPECT_THROW(CheckScriptArgCount({"a", "b"}, 1, true), int);
    EXPECT_NO_THROW(CheckScriptArgCount({"a", "b"}, 1, false));
}
