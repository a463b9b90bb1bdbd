// Script files with the output they must give, run through the interpreter. A file holds
// optional "@@" settings lines, then the script; beside it, NAME.expected holds the output
// lines (see ScriptHarness::Output) and a last line "result: N". "@@remote" runs the script as
// text from outside sets it off.
#include "tests/script/script_harness.h"
#include "core/nick_list_control.h"

#include "common/text_split.h"
#include "common/xstring.h"
#include "core/remote_text.h"
#include "script/script_files.h"
#include "script/script_interpreter.h"
#include "script/script_variables.h"
#include "tests/support/test_files.h"
#include "xml/config_documents.h"

#include <commctrl.h>

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
    // "@@folder": the script runs in a new empty folder, its current folder, whose path the
    // global variable $folder holds; the folder, and the streams the script left open, go when
    // it ends.
    void UseFolder() {
        folder_ = std::make_unique<TestFolder>(L"qv_corpus");
        wchar_t previous[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, previous);
        previous_ = previous;
        SetCurrentDirectoryW(folder_->Path().c_str());
        ScriptVariable v;
        v.Name = "folder";
        v.Values[0] = WideToNarrow(folder_->Path());
        v.IsText = 1;
        ScriptScopesWriteLock lock(ScriptScopesMutex());
        GlobalScriptVariables.push_back(v);
    }
    void LeaveFolder() {
        for (int64_t handle : ScriptFileHandles()) CloseScriptFile(handle);
        if (!folder_) return;
        SetCurrentDirectoryW(previous_.c_str());
        folder_.reset();
    }
    std::unique_ptr<TestFolder> folder_;
    std::wstring previous_;

    // A nick list for #chan: each word is an item, "nick:ident" fills the second column.
    void AddNicks(const std::string& words) {
        HWND list = CreateNickListControl(Channel, nullptr, 0, WS_POPUP | LVS_REPORT, 0, 0, 0, 200, 300);
        Channel->NickList = list;
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 100;
        SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
        std::vector<std::string> nicks;
        SplitQuoted(nicks, words, " ", false);
        for (const std::string& nick : nicks) {
            std::vector<std::string> parts;
            SplitString(parts, nick, 1, ":");
            std::wstring text = NarrowToWide(parts[0]);
            LVITEMW item{};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
            item.pszText = text.data();
            const int at =
                static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            if (parts.size() < 2) continue;
            std::wstring ident = NarrowToWide(parts[1]);
            item.iSubItem = 1;
            item.pszText = ident.data();
            SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&item));
        }
    }
    void Select(int index) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED;
        state.state = LVIS_SELECTED;
        SendMessageW(Channel->NickList, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    }

    // Runs one corpus file; returns its output with the result line.
    std::string RunFile(const std::string& source) {
        CallLog::Instance().Clear();
        Connection->Variables.clear();
        Connection->RememberedUsers.clear();
        std::string parameters, script;
        WindowRecord* target = Channel;
        uint32_t mode = 0, defaultResult = 0;
        bool remote = false;
        std::istringstream lines(source);
        std::string line;
        bool header = true;
        while (std::getline(lines, line)) {
            if (header && line.rfind("@@", 0) == 0) {
                std::string key = line.substr(2, line.find(' ') == std::string::npos ? std::string::npos
                                                                                     : line.find(' ') - 2);
                std::string value =
                    line.size() > key.size() + 3 ? line.substr(key.size() + 3) : std::string();
                remote = remote || key == "remote";
                Configure(key, value, parameters, target, mode, defaultResult);
                continue;
            }
            header = false;
            script += line + "\r\n";
        }
        if (script.size() >= 2) script.resize(script.size() - 2); // the last line's CR LF
        uint32_t result = 0;
        {
            RemoteTextScope scope(remote);
            result = Run(script, parameters, target, mode, defaultResult);
        }
        ScriptLineBudget = kDefaultScriptLineBudget;
        LeaveFolder();
        UserConfigDocument = nullptr;
        if (Channel->NickList) DestroyWindow(Channel->NickList);
        Channel->NickList = nullptr;
        Channel->Topic.clear();
        Channel->Modes.clear();
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
        if (key == "nicks") AddNicks(value);
        if (key == "folder") UseFolder();
        if (key == "settings") UseSettings(value);
        if (key == "select") Select(std::stoi(value));
        if (key == "topic") Channel->Topic = value;
        if (key == "modes") Channel->Modes = value;
        if (key == "remember") {
            // nick ident domain level friend enemy data text
            std::vector<std::string> w;
            SplitString(w, value, 7, " ");
            w.resize(8);
            RememberedUser& user = Connection->RememberedUsers.emplace_back();
            user.NickPattern = w[0];
            user.IdentPattern = w[1];
            user.DomainPattern = w[2];
            user.Level = static_cast<uint32_t>(std::stol(w[3]));
            user.FriendLevel = static_cast<uint32_t>(std::stol(w[4]));
            user.EnemyLevel = static_cast<uint32_t>(std::stol(w[5]));
            user.UserData = static_cast<uint64_t>(std::stoll(w[6]));
            user.UserText = w[7];
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
