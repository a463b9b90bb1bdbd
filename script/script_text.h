// A line of script text in which every byte remembers whether the script's author wrote it or
// it was inserted as a value (a variable, a parameter, a line from a server, a call's result).
// Inserted bytes are literal: they never start a variable, a call, a quoted stretch, an
// operator, an escape or a statement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ScriptText {
    std::string Text;
    std::string Inserted; // one byte per byte of Text: 0 written by the script, 1 inserted

    ScriptText() = default;
    explicit ScriptText(std::string_view written) : Text(written), Inserted(written.size(), '\0') {}

    size_t Size() const { return Text.size(); }
    bool Empty() const { return Text.empty(); }
    bool IsWritten(size_t at) const { return Inserted[at] == 0; }
    // The byte at `at` exists, was written by the script and equals c.
    bool WrittenAt(size_t at, char c) const { return at < Text.size() && Text[at] == c && Inserted[at] == 0; }
    // The text at `at` begins with `what`, every byte of it written by the script.
    bool WrittenMatch(size_t at, std::string_view what) const;
    bool AnyInserted() const { return Inserted.find('\1') != std::string::npos; }

    void Assign(std::string_view written);
    void Clear();
    void AppendWritten(std::string_view text);
    void AppendWritten(char c);
    void AppendInserted(std::string_view text);
    void AppendFrom(const ScriptText& source, size_t at, size_t length);
    ScriptText Slice(size_t at, size_t length = std::string::npos) const;
    void Erase(size_t at, size_t length);
    void Replace(size_t at, size_t length, const ScriptText& with);
    // Remove leading (trailing) bytes found in set, whoever wrote them.
    void TrimLeft(std::string_view set);
    void TrimRight(std::string_view set);
};

// Appends value as inserted text, enclosed in written double quotes when quote is set.
void AppendValue(ScriptText& out, std::string_view value, bool quote);
// Resolves backslash escapes as UnescapeString does, but only where the whole escape was
// written by the script: an inserted "\x0d" stays as it is.
void UnescapeWritten(ScriptText& text, bool backslashEscapes);
// Positions of the written double quotes and apostrophes; consecutive pairs delimit quoted
// stretches.
void CollectWrittenQuotes(const ScriptText& text, std::vector<uint32_t>& out);
// True when position at lies inside a quoted stretch of the collected positions.
bool InQuotedStretch(const std::vector<uint32_t>& quotes, size_t at);
// Appends the non-empty pieces between written separators; with quoteAware a separator
// inside a quoted stretch does not cut.
void SplitScriptText(std::vector<ScriptText>& out, const ScriptText& text, std::string_view separator,
                     bool quoteAware);
// The same over the stretch of the text from position from up to, not including, to.
void SplitScriptText(std::vector<ScriptText>& out, const ScriptText& text, size_t from, size_t to,
                     std::string_view separator, bool quoteAware);

// ASCII-only case folding, as every comparison of script words.
