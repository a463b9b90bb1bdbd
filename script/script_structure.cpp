#include "common/text_compare.h"
#include "script/script_structure.h"

#include "script/script_text.h"

namespace {

std::string TrimScriptLine(const std::string& raw) {
    size_t start = 0;
    while (start < raw.size() && (raw[start] == ' ' || raw[start] == '\t')) ++start;
    size_t end = raw.size();
    while (end > start && (raw[end - 1] == ' ' || raw[end - 1] == '\t' || raw[end - 1] == ';')) --end;
    return raw.substr(start, end - start);
}

} // namespace

ScriptProgram BuildScriptProgram(const std::vector<std::string>& input) {
    ScriptProgram program;
    std::vector<std::string>& lines = program.Lines;
    lines.reserve(input.size());
    bool inComment = false;
    bool collecting = false;
    int32_t collectDepth = 0;
    std::vector<std::string> collected;
    bool pendingFor = false, pendingScript = false, pendingFunction = false;

    for (const std::string& raw : input) {
        std::string line = TrimScriptLine(raw);
        if (collecting) {
            if (!line.empty() && line[0] == '{') {
                ++collectDepth;
                collected.push_back(std::move(line));
                continue;
            }
            if (!line.empty() && line[0] == '}') {
                if (collectDepth > 0) {
                    --collectDepth;
                    collected.push_back(std::move(line));
                    continue;
                }
                collecting = false; // this brace closes the block; it stays
            } else {
                collected.push_back(std::move(line));
                continue;
            }
        }
        if (line.empty()) continue;
        if (StringEqualsNoCase(line, "/*")) {
            inComment = true;
            continue;
        }
        if (line == "*/") {
            inComment = false;
            continue;
        }
        if (inComment) continue;

        if (StartsWithNoCase(line, "for ") || StartsWithNoCase(line, "for(")) pendingFor = true;
        if (StartsWithNoCase(line, "script ")) pendingScript = true;
        if (StartsWithNoCase(line, "function ")) pendingFunction = true;
        const uint32_t here = static_cast<uint32_t>(lines.size());
        if (line[0] == ':') program.Labels.push_back({line.substr(1), here});

        if (line[0] == '{') {
            ScriptBlock open;
            open.Kind = 0;
            open.Line = here;
            open.ForBlock = pendingFor;
            open.ScriptBlock = pendingScript;
            open.FunctionBlock = pendingFunction;
            program.Blocks.push_back(open);
            if (open.ScriptBlock && here > 0) {
                collecting = true;
                collectDepth = 0;
                collected.assign(1, lines.back());
            }
            pendingFor = pendingScript = pendingFunction = false;
        } else if (line[0] == '}') {
            uint32_t partner = kNoBlock;
            for (size_t i = program.Blocks.size(); i-- > 0;)
                if (program.Blocks[i].Kind == 0 && program.Blocks[i].Partner == kNoBlock) {
                    partner = static_cast<uint32_t>(i);
                    break;
                }
            if (partner != kNoBlock) {
                ScriptBlock& open = program.Blocks[partner];
                ScriptBlock close;
                close.Kind = 1;
                close.Partner = partner;
                close.ForBlock = open.ForBlock;
                close.ScriptBlock = open.ScriptBlock;
                close.FunctionBlock = open.FunctionBlock;
                open.ForBlock = 0; // from now on: the loop has started
                open.Partner = static_cast<uint32_t>(program.Blocks.size());
                if (close.ScriptBlock && !collected.empty()) {
                    program.Embedded.push_back(std::move(collected));
                    collected.clear();
                    lines.push_back("#executeembeddedscript " + std::to_string(program.Embedded.size()));
                }
                close.Line = static_cast<uint32_t>(lines.size());
                program.Blocks.push_back(close);
            }
        }
        lines.push_back(std::move(line));
    }

    program.BlockAtLine.assign(lines.size(), kNoBlock);
    for (size_t i = 0; i < program.Blocks.size(); ++i)
        program.BlockAtLine[program.Blocks[i].Line] = static_cast<uint32_t>(i);
    return program;
}
