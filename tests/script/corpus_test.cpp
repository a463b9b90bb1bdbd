// Script files with the output they must give, run through the interpreter. A file holds
// optional "@@" settings lines, then the script; beside it, NAME.expected holds the output
// lines (see ScriptHarness::Output) and a last line "result: N".
#include "tests/script/script_harness.h"

#include "common/text_split.h"
#include "common/xstring.h"
#include "script/script_interpreter.h"
#include "script/script_variables.h"

#include <fstream>
#include <sstream>

namespace {

std::string ReadFileText(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string text = s.str();
    std::string out;
    for (char c : text)
        if (c != '\r') out += c;
    return out;
}

std::vector<std::wstring> CorpusFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE find = FindFirstFileW((folder + L"\\*.qvs").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

class ScriptCorpus : public ScriptHarness {
protected:
    // Runs one corpus file; returns its output with the result line.
    std::string RunFile(const std::string& source) {
        CallLog::Instance().Clear();
        Connection->Variables.clear();
        std::string parameters, script;
        WindowRecord* target = Channel;
        uint32_t mode = 0, defaultResult = 0;
        std::istringstream lines(source);
        std::string line;
        bool header = true;
        while (std::getline(lines, line)) {
            if (header && line.rfind("@@", 0) == 0) {
                std::string key = line.substr(2, line.find(' ') == std::string::npos ? std::string::npos
                                                                                     : line.find(' ') - 2);
                std::string value =
                    line.size() > key.size() + 3 ? line.substr(key.size() + 3) : std::string();
                Configure(key, value, parameters, target, mode, defaultResult);
                continue;
            }
            header = false;
            script += line + "\r\n";
        }
        if (script.size() >= 2) script.resize(script.size() - 2); // the last line's CR LF
        uint32_t result = Run(script, parameters, target, mode, defaultResult);
        ScriptLineBudget = kDefaultScriptLineBudget;
        return OutputText() + "result: " + std::to_string(result) + "\n";
    }

    void Configure(const std::string& key, const std::string& value, std::string& parameters,
                   WindowRecord*& target, uint32_t& mode, uint32_t& defaultResult) {
        if (key == "params") parameters = value;
        if (key == "mode") mode = static_cast<uint32_t>(std::stoul(value));
        if (key == "default") defaultResult = static_cast<uint32_t>(std::stoul(value));
        if (key == "budget") ScriptLineBudget = std::stoull(value);
        if (key == "window")
            for (WindowRecord* w : {Server, Channel, Other, Query})
                if (w->Name == value) target = w;
        if (key == "prompt") {
            std::string answer = value;
            CallLog::Instance().AnswerText = [answer](const RecordedCall&) { return answer; };
        }
        if (key == "global" || key == "connection") {
            std::vector<std::string> words;
            SplitString(words, value, 1, " ");
            // Put straight into the scope, so that one name can live in several scopes.
            ScriptVariable v;
            v.Name = words[0];
            v.Values[0] = words.size() > 1 ? words[1] : std::string();
            v.IsText = 1;
            ScriptScopesWriteLock lock(ScriptScopesMutex());
            (key == "global" ? GlobalScriptVariables : Connection->Variables).push_back(v);
        }
    }
};

} // namespace

TEST_F(ScriptCorpus, EveryScriptGivesItsExpectedOutput) {
    const std::wstring folder = TestProgramFolder() + L"\\script_corpus";
    const std::vector<std::wstring> files = CorpusFiles(folder);
    ASSERT_GE(files.size(), 20u) << "corpus not found beside the test program";
    for (const std::wstring& file : files) {
        const std::wstring base = folder + L"\\" + file.substr(0, file.size() - 4);
        SCOPED_TRACE(WideToNarrow(file));
        const std::string actual = RunFile(ReadFileText(base + L".qvs"));
        const std::string expected = ReadFileText(base + L".expected");
        if (actual != expected) std::ofstream((base + L".actual").c_str(), std::ios::binary) << actual;
        EXPECT_EQ(expected, actual);
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        GlobalScriptVariables.clear();
    }
}
