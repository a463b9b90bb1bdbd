// A line of script text. A line is expanded first and then read, so a value inserted into it
// (a variable, a parameter) is read like the text around it: it may hold operators, quotes,
// escapes, calls and names, and a line that begins with one is a statement like any other.
//
// Each byte also remembers where it came from, for two exceptions:
// - A call's result is data: it is never called again (it may hold its own call), and no quote,
//   operator, escape or separator in it is read.
// - While text from outside is handled (core/remote_text.h), an inserted value is never read as
//   script: it names no variable, calls no built-in, begins no directive, keyword or assignment
//   and holds no escape (one would break a line the script only says into lines of its own).
//   Its quotes and operators are read as the author's are. Its bytes keep the mark of text from
//   outside, and so does the result of a call that was given such bytes or that reads such
//   text itself: a command row or built-in with such a byte where it chooses what happens is
//   refused (core/remote_text.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Where a byte came from.
constexpr char kWrittenByte = 0;     // the script's author, or a value inserted into the script's own run
constexpr char kFromOutsideByte = 1; // a value inserted while text from outside is handled
constexpr char kCallResultByte = 2;  // a call's result, or the program's own value under the mark
constexpr char kOutsideCallResultByte = 3; // a call's result made from or reading text from outside

// Where a value inserted into a line came from.
enum class ValueSource : uint8_t {
    Inserted,          // from outside while text from outside is handled, else written
    Own,               // the program's or the user's own value: data under the mark, never outside
    CallResult,        // a call's result
    OutsideCallResult, // a call's result made from, or reading, text from outside
};

struct ScriptText {
    std::string Text;
    std::string Inserted; // one of the marks above per byte of Text

    ScriptText() = default;
    explicit ScriptText(std::string_view written) : Text(written), Inserted(written.size(), '\0') {}

    size_t Size() const { return Text.size(); }
    bool Empty() const { return Text.empty(); }
    // The byte may begin or be part of a name, a call or a statement.
    bool IsWritten(size_t at) const { return Inserted[at] == kWrittenByte; }
    // The byte at `at` exists, is written and equals c.
    bool WrittenAt(size_t at, char c) const { return at < Text.size() && Text[at] == c && IsWritten(at); }
    // The text at `at` begins with `what`, every byte of it written.
    bool WrittenMatch(size_t at, std::string_view what) const;
    // The byte may be read as a quote, an operator or a separator of a value: any but a call's
    // result.
    bool IsSyntax(size_t at) const {
        return Inserted[at] != kCallResultByte && Inserted[at] != kOutsideCallResultByte;
    }
    // The byte came from outside, directly or through a call.
    bool IsFromOutside(size_t at) const {
        return Inserted[at] == kFromOutsideByte || Inserted[at] == kOutsideCallResultByte;
    }
    // Some byte from position at on, up to length bytes, came from outside.
    bool HoldsOutsideByte(size_t at = 0, size_t length = std::string::npos) const;
    // One mark per byte as the command interpreter reads them (core/remote_text.h).
    std::string OutsideMarks() const;
    // The byte at `at` exists, may be read so and equals c.
    bool SyntaxAt(size_t at, char c) const { return at < Text.size() && Text[at] == c && IsSyntax(at); }

    void Assign(std::string_view written);
    void Clear();
    void AppendWritten(std::string_view text);
    void AppendWritten(char c);
    // A value: written, or from outside while text from outside is handled.
    void AppendInserted(std::string_view text);
    void AppendCallResult(std::string_view text, bool fromOutside = false);
    void AppendMarked(std::string_view text, char mark);
    void AppendFrom(const ScriptText& source, size_t at, size_t length);
    ScriptText Slice(size_t at, size_t length = std::string::npos) const;
    void Erase(size_t at, size_t length);
    void Replace(size_t at, size_t length, const ScriptText& with);
    // Remove leading (trailing) bytes found in set, whoever wrote them.
    void TrimLeft(std::string_view set);
    void TrimRight(std::string_view set);
    // The same for bytes that may be read as syntax only.
    void TrimSyntaxLeft(std::string_view set);
    void TrimSyntaxRight(std::string_view set);
};

// Appends value as inserted from its source, enclosed in written double quotes when quote is set.
void AppendValue(ScriptText& out, std::string_view value, bool quote,
                 ValueSource source = ValueSource::Inserted);
// Resolves backslash escapes as UnescapeString does, where every byte of the escape is written.
void UnescapeScriptText(ScriptText& text, bool backslashEscapes);
// Positions of the double quotes and apostrophes outside calls' results; consecutive pairs
// delimit quoted stretches.
void CollectQuotes(const ScriptText& text, std::vector<uint32_t>& out);
// True when position at lies inside a quoted stretch of the collected positions.
bool InQuotedStretch(const std::vector<uint32_t>& quotes, size_t at);
// Appends the non-empty pieces between separators outside calls' results; with quoteAware a
// separator inside a quoted stretch does not cut.
void SplitScriptText(std::vector<ScriptText>& out, const ScriptText& text, std::string_view separator,
                     bool quoteAware);
// The same over the stretch of the text from position from up to, not including, to.
void SplitScriptText(std::vector<ScriptText>& out, const ScriptText& text, size_t from, size_t to,
                     std::string_view separator, bool quoteAware);
