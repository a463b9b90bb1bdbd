#include "script/script_text.h"

#include "common/text_compare.h"
#include "common/text_replace.h"
#include "core/remote_text.h"

#include <algorithm>

bool ScriptText::WrittenMatch(size_t at, std::string_view what) const {
    if (at > Text.size() || Text.size() - at < what.size()) return false;
    if (Text.compare(at, what.size(), what) != 0) return false;
    for (size_t i = 0; i < what.size(); ++i)
        if (!IsWritten(at + i)) return false;
    return true;
}

void ScriptText::Assign(std::string_view written) {
    Text.assign(written);
    Inserted.assign(written.size(), '\0');
}

void ScriptText::Clear() {
    Text.clear();
    Inserted.clear();
}

void ScriptText::AppendWritten(std::string_view text) {
    Text.append(text);
    Inserted.append(text.size(), '\0');
}

void ScriptText::AppendWritten(char c) {
    Text.push_back(c);
    Inserted.push_back('\0');
}

void ScriptText::AppendInserted(std::string_view text) {
    Text.append(text);
    Inserted.append(text.size(), HandlingRemoteText() ? kFromOutsideByte : kWrittenByte);
}

void ScriptText::AppendCallResult(std::string_view text, bool fromOutside) {
    AppendMarked(text, fromOutside ? kOutsideCallResultByte : kCallResultByte);
}

void ScriptText::AppendMarked(std::string_view text, char mark) {
    Text.append(text);
    Inserted.append(text.size(), mark);
}

bool ScriptText::HoldsOutsideByte(size_t at, size_t length) const {
    const size_t end = length >= Text.size() - std::min(at, Text.size()) ? Text.size() : at + length;
    for (size_t i = at; i < end; ++i)
        if (IsFromOutside(i)) return true;
    return false;
}

std::string ScriptText::OutsideMarks() const {
    std::string marks(Text.size(), kUsersByte);
    for (size_t i = 0; i < Text.size(); ++i)
        if (IsFromOutside(i)) marks[i] = kOutsideByte;
    return marks;
}

void ScriptText::AppendFrom(const ScriptText& source, size_t at, size_t length) {
    if (at >= source.Text.size()) return;
    length = std::min(length, source.Text.size() - at);
    Text.append(source.Text, at, length);
    Inserted.append(source.Inserted, at, length);
}

ScriptText ScriptText::Slice(size_t at, size_t length) const {
    ScriptText out;
    out.AppendFrom(*this, at, length);
    return out;
}

void ScriptText::Erase(size_t at, size_t length) {
    if (at >= Text.size()) return;
    Text.erase(at, length);
    Inserted.erase(at, length);
}

void ScriptText::Replace(size_t at, size_t length, const ScriptText& with) {
    if (at > Text.size()) return;
    Text.replace(at, length, with.Text);
    Inserted.replace(at, length, with.Inserted);
}

void ScriptText::TrimLeft(std::string_view set) {
    size_t n = 0;
    while (n < Text.size() && set.find(Text[n]) != std::string_view::npos) ++n;
    Erase(0, n);
}

void ScriptText::TrimRight(std::string_view set) {
    size_t n = Text.size();
    while (n > 0 && set.find(Text[n - 1]) != std::string_view::npos) --n;
    Text.resize(n);
    Inserted.resize(n);
}

void ScriptText::TrimSyntaxLeft(std::string_view set) {
    size_t n = 0;
    while (n < Text.size() && IsSyntax(n) && set.find(Text[n]) != std::string_view::npos) ++n;
    Erase(0, n);
}

void ScriptText::TrimSyntaxRight(std::string_view set) {
    size_t n = Text.size();
    while (n > 0 && IsSyntax(n - 1) && set.find(Text[n - 1]) != std::string_view::npos) --n;
    Text.resize(n);
    Inserted.resize(n);
}

void AppendValue(ScriptText& out, std::string_view value, bool quote, ValueSource source) {
    if (quote) out.AppendWritten('"');
    switch (source) {
        case ValueSource::Inserted: out.AppendInserted(value); break;
        // The program's or the user's own value: under the mark it is read as data only.
        case ValueSource::Own:
            out.AppendMarked(value, HandlingRemoteText() ? kCallResultByte : kWrittenByte);
            break;
        case ValueSource::CallResult: out.AppendCallResult(value); break;
        case ValueSource::OutsideCallResult: out.AppendCallResult(value, true); break;
    }
    if (quote) out.AppendWritten('"');
}

namespace {

bool IsHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

void UnescapeScriptText(ScriptText& text, bool backslashEscapes) {
    if (text.Text.find('\\') == std::string::npos) return;
    ScriptText out;
    out.Text.reserve(text.Size());
    out.Inserted.reserve(text.Size());
    const std::string& t = text.Text;
    auto written = [&text](size_t from, size_t length) {
        for (size_t k = from; k < from + length; ++k)
            if (!text.IsWritten(k)) return false;
        return true;
    };
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i] != '\\' || i + 1 >= t.size() || !written(i, 2)) {
            out.AppendFrom(text, i, 1);
            continue;
        }
        const char next = t[i + 1];
        if (backslashEscapes && (next == '\\' || next == 'n' || next == 'r')) {
            out.AppendWritten(next == '\\' ? '\\' : next == 'n' ? '\n' : '\r');
            ++i;
            continue;
        }
        if (next == 'x' && i + 3 < t.size() && written(i, 4) && IsHexDigit(t[i + 2]) &&
            IsHexDigit(t[i + 3])) {
            const int value = HexPairValue(t[i + 2], t[i + 3]);
            if (value != 0) out.AppendWritten(static_cast<char>(value));
            i += 3;
            continue;
        }
        out.AppendFrom(text, i, 1);
    }
    text = std::move(out);
}

void CollectQuotes(const ScriptText& text, std::vector<uint32_t>& out) {
    const std::string& t = text.Text;
    for (size_t i = 0; i < t.size(); ++i)
        if ((t[i] == '"' || t[i] == '\'') && text.IsSyntax(i)) out.push_back(static_cast<uint32_t>(i));
}

bool InQuotedStretch(const std::vector<uint32_t>& quotes, size_t at) {
    for (size_t i = 0; i + 1 < quotes.size(); i += 2)
        if (at >= quotes[i] && at <= quotes[i + 1]) return true;
    return false;
}

void SplitScriptText(std::vector<ScriptText>& out, const ScriptText& text, std::string_view separator,
                     bool quoteAware) {
    SplitScriptText(out, text, 0, text.Size(), separator, quoteAware);
}

void SplitScriptText(std::vector<ScriptText>& out, const ScriptText& text, size_t from, size_t to,
                     std::string_view separator, bool quoteAware) {
    to = std::min(to, text.Size());
    std::vector<uint32_t> quotes;
    if (quoteAware)
        for (size_t i = from; i < to; ++i)
            if ((text.Text[i] == '"' || text.Text[i] == '\'') && text.IsSyntax(i))
                quotes.push_back(static_cast<uint32_t>(i));
    size_t start = from;
    size_t search = from;
    while (!separator.empty()) {
        size_t found = text.Text.find(separator, search);
        if (found == std::string::npos || found + separator.size() > to) break;
        bool separates = true;
        for (size_t k = found; k < found + separator.size() && separates; ++k) separates = text.IsSyntax(k);
        if (!separates || (quoteAware && InQuotedStretch(quotes, found))) {
            search = found + 1;
            continue;
        }
        if (found > start) out.push_back(text.Slice(start, found - start));
        start = search = found + separator.size();
    }
    if (start < to) out.push_back(text.Slice(start, to - start));
}
