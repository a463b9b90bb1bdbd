// The structure pass of a script: comments removed, labels found, braces paired and blocks in
// a foreign script language lifted out of the lines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

constexpr uint32_t kNoBlock = 0xFFFFFFFF;

struct ScriptBlock {
    uint32_t Kind = 0; // 0 opening brace, 1 closing brace
    uint32_t Line = 0;
    uint32_t Partner = kNoBlock;
    uint8_t SkippedBranch = 0;
    uint8_t ForBlock = 0; // closing record: closes a for block; opening record: the loop has started
    uint8_t ScriptBlock = 0;
    uint8_t FunctionBlock = 0;
};

struct ScriptLabel {
    std::string Name;
    uint32_t Line = 0;
};

struct ScriptProgram {
    std::vector<std::string> Lines;
    std::vector<ScriptLabel> Labels;
    std::vector<ScriptBlock> Blocks;
    // One line list per "script " block: line 0 its header, then its body.
    std::vector<std::vector<std::string>> Embedded;
    // The block record of the brace on each line, or kNoBlock.
    std::vector<uint32_t> BlockAtLine;
};

// Builds the program from the script's lines.
ScriptProgram BuildScriptProgram(const std::vector<std::string>& lines);
