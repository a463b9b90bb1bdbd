#include "script/foreign_code.h"

#include "common/text_compare.h"

#include <cstdio>

namespace {

// Where the written code stands when an inserted stretch begins.
enum class Place {
    kCode,
    kString,
    kComment,
};

bool IsAlnum(unsigned char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Inside a JScript string: letters, digits and characters beyond ASCII as they are; every
// other ASCII character as \xHH, and the two Unicode line ends as \u escapes. Outside a string
// such text is no valid code, so even a misjudged place cannot make it run.
std::string EscapeJScript(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(value[i]);
        if (c == 0xE2 && i + 2 < value.size() && static_cast<unsigned char>(value[i + 1]) == 0x80 &&
            (static_cast<unsigned char>(value[i + 2]) == 0xA8 ||
             static_cast<unsigned char>(value[i + 2]) == 0xA9)) {
            out += static_cast<unsigned char>(value[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
            i += 2;
        } else if (IsAlnum(c) || c >= 0x80) {
            out.push_back(static_cast<char>(c));
        } else {
            char hex[5];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

// Inside a VBScript string: quotes doubled, control characters joined in with Chr().
std::string EscapeVBScript(const std::string& value) {
    std::string out;
    for (unsigned char c : value) {
        if (c == '"') {
            out += "\"\"";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\" & Chr(" + std::to_string(c) + ") & \"";
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

// Follows the written code of one language through strings and comments.
class Tracker {
public:
    explicit Tracker(ForeignLanguage language) : language_(language) {}

    void NewLine() {
        if (!block_) place_ = Place::kCode; // strings and line comments end with their line
        escape_ = false;
    }

    Place Where() const { return place_; }

    // Notes a stretch of inserted text: it never changes the place, but it is what an escape
    // written just before it applied to.
    void Inserted() { escape_ = false; }

    // One written byte; the text and position let a two-byte mark be seen.
    void Written(const ScriptText& line, size_t at) {
        const char c = line.Text[at];
        if (language_ == ForeignLanguage::kJScript) {
            JScript(line, at, c);
        } else {
            VBScript(line, at, c);
        }
    }

private:
    void JScript(const ScriptText& line, size_t at, char c) {
        if (skip_) {
            skip_ = false;
            return;
        }
        switch (place_) {
            case Place::kCode:
                if (c == '"' || c == '\'') {
                    place_ = Place::kString;
                    quote_ = c;
                } else if (c == '/' && line.WrittenAt(at + 1, '/')) {
                    place_ = Place::kComment;
                } else if (c == '/' && line.WrittenAt(at + 1, '*')) {
                    place_ = Place::kComment;
                    block_ = true;
                    skip_ = true;
                }
                break;
            case Place::kString:
                if (escape_)
                    escape_ = false;
                else if (c == '\\')
                    escape_ = true;
                else if (c == quote_)
                    place_ = Place::kCode;
                break;
            case Place::kComment:
                if (block_ && c == '*' && line.WrittenAt(at + 1, '/')) {
                    place_ = Place::kCode;
                    block_ = false;
                    skip_ = true;
                }
                break;
        }
    }

    void VBScript(const ScriptText& line, size_t at, char c) {
        switch (place_) {
            case Place::kCode:
                if (c == '"')
                    place_ = Place::kString;
                else if (c == '\'' || StartsRem(line, at))
                    place_ = Place::kComment;
                break;
            case Place::kString:
                if (c == '"') place_ = Place::kCode; // a doubled quote opens the string again
                break;
            case Place::kComment: break;
        }
    }

    static bool StartsRem(const ScriptText& line, size_t at) {
        const std::string& t = line.Text;
        if (at > 0 && t[at - 1] != ' ' && t[at - 1] != '\t' && t[at - 1] != ':') return false;
        if (!line.WrittenMatch(at, "rem") && !line.WrittenMatch(at, "Rem") && !line.WrittenMatch(at, "REM"))
            return false;
        return at + 3 >= t.size() || t[at + 3] == ' ' || t[at + 3] == '\t';
    }

    ForeignLanguage language_;
    Place place_ = Place::kCode;
    char quote_ = '"';
    bool block_ = false;
    bool escape_ = false;
    bool skip_ = false;
};

std::string Literal(ForeignLanguage language, Place place, const std::string& value) {
    if (language == ForeignLanguage::kJScript) {
        const std::string escaped = EscapeJScript(value);
        return place == Place::kString ? escaped : "\"" + escaped + "\"";
    }
    const std::string escaped = EscapeVBScript(value);
    return place == Place::kString ? escaped : "(\"" + escaped + "\")";
}

} // namespace

ForeignLanguage ForeignLanguageOf(const std::string& name) {
    for (const char* js : {"jscript", "javascript", "ecmascript"})
        if (StringEqualsNoCase(name, js)) return ForeignLanguage::kJScript;
    for (const char* vb : {"vbscript", "vbs"})
        if (StringEqualsNoCase(name, vb)) return ForeignLanguage::kVBScript;
    return ForeignLanguage::kOther;
}

bool BuildForeignCode(ForeignLanguage language, const std::vector<ScriptText>& lines, std::string& code) {
    code.clear();
    Tracker tracker(language);
    for (size_t n = 0; n < lines.size(); ++n) {
        const ScriptText& line = lines[n];
        if (n) code += "\r\n";
        tracker.NewLine();
        for (size_t at = 0; at < line.Size();) {
            if (line.IsWritten(at)) {
                if (language != ForeignLanguage::kOther) tracker.Written(line, at);
                code.push_back(line.Text[at++]);
                continue;
            }
            if (language == ForeignLanguage::kOther) return false;
            size_t end = at;
            while (end < line.Size() && !line.IsWritten(end)) ++end;
            code += Literal(language, tracker.Where(), line.Text.substr(at, end - at));
            tracker.Inserted();
            at = end;
        }
    }
    return true;
}
