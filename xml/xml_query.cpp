#include "xml/xml_query.h"

#include "common/text_compare.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

struct Condition {
    std::string_view left;
    std::string_view op;
    std::string_view right; // without its quotes
    bool quoted = false;
};

void Collect(XmlElement* element, uint32_t depth, std::vector<XmlElement*>* candidates) {
    if (depth == 0) return;
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        XmlElement* child = element->children.At(i);
        if (!child) continue;
        Collect(child, depth == 0xFFFFFFFFu ? depth : depth - 1, candidates);
        candidates->push_back(child);
    }
}

bool KnownOperator(std::string_view op) {
    return op == "==" || op == "!=" || op == ">=" || op == "<=" || op == "<" || op == ">";
}

// The next blank-free token; false when it is empty.
bool TakeToken(std::string_view& rest, std::string_view* token) {
    size_t cut = rest.find(' ');
    *token = rest.substr(0, cut);
    rest.remove_prefix(cut == std::string_view::npos ? rest.size() : cut);
    return !token->empty();
}

// Consumes the one blank that must separate two tokens.
bool TakeBlank(std::string_view& rest) {
    if (rest.empty() || rest[0] != ' ') return false;
    rest.remove_prefix(1);
    return true;
}

// Splits the expression into its conditions; false when it is not made of whole conditions
// separated by single blanks.
bool Parse(std::string_view rest, std::vector<Condition>* conditions) {
    for (;;) {
        Condition c;
        if (!TakeToken(rest, &c.left) || !TakeBlank(rest)) return false;
        if (!TakeToken(rest, &c.op) || !KnownOperator(c.op) || !TakeBlank(rest)) return false;
        if (!rest.empty() && rest[0] == '"') {
            size_t close = rest.find('"', 1);
            if (close == std::string_view::npos) return false;
            c.quoted = true;
            c.right = rest.substr(1, close - 1);
            rest.remove_prefix(close + 1);
        } else if (!TakeToken(rest, &c.right)) {
            return false;
        }
        conditions->push_back(c);
        if (rest.empty()) return true;
        if (!TakeBlank(rest)) return false;
    }
}

std::string LeftValue(XmlElement* e, std::string_view left) {
    if (left == "?") return XmlElementGetNameString(e);
    if (left == "!") return XmlElementGetPathString(e, 0);
    if (left.size() > 1 && left[0] == '~') {
        uint32_t index = 0;
        const char* end = left.data() + left.size();
        auto [stop, error] = std::from_chars(left.data() + 1, end, index);
        if (stop == end) {
            if (error != std::errc() || index >= e->texts.Count()) return {};
            return XmlTextGetTextString(e->texts.At(index));
        }
    }
    return XmlVariableGetValueString(XmlElementFindVariableView(e, left));
}

// atoi, with text that reads as 0 without starting with '0' taken as no number.
bool AsNumber(const std::string& s, int32_t* value) {
    *value = static_cast<int32_t>(std::strtol(s.c_str(), nullptr, 10));
    return *value != 0 || (!s.empty() && s[0] == '0');
}

bool Holds(const std::string& value, const Condition& c, const std::string& right) {
    if (c.quoted) {
        const bool star = right == "*";
        if (c.op == "==") return star || WildcardMatch(value, right, false);
        if (c.op == "!=") return !star && !WildcardMatch(value, right, false);
        return true;
    }
    int32_t a = 0, b = 0;
    if (!AsNumber(value, &a) || !AsNumber(right, &b)) return false;
    if (c.op == "==") return a == b;
    if (c.op == "!=") return a != b;
    if (c.op == ">=") return a >= b;
    if (c.op == "<=") return a <= b;
    if (c.op == "<") return a < b;
    return a > b;
}

} // namespace

bool XmlWildcardMatch(const char* text, const char* pattern, bool caseSensitive) {
    if (!text || !pattern) return false;
    if (!std::strstr(pattern, "**")) return WildcardMatch(text, pattern, caseSensitive);
    // A run of stars matches as one star does, also where the text has ended.
    std::string single;
    for (const char* p = pattern; *p; ++p) {
        if (*p != '*' || single.empty() || single.back() != '*') single += *p;
    }
    return WildcardMatch(text, single.c_str(), caseSensitive);
}

uint32_t XmlElementQuery(XmlElement* element, const char* expression, std::vector<XmlElement*>* out,
                         uint32_t depth) {
    if (out) out->clear();
    if (!expression) return kXmlNotFound;
    std::string_view text(expression);
    std::vector<Condition> conditions;
    if (text.find(' ') != std::string_view::npos && !Parse(text, &conditions)) return kXmlNotFound;
    if (!element) return 0;

    std::vector<XmlElement*> candidates;
    Collect(element, depth, &candidates);
    std::vector<char> selected(candidates.size(), 1);
    for (const Condition& c : conditions) {
        const std::string right(c.right);
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (selected[i] && !Holds(LeftValue(candidates[i], c.left), c, right)) selected[i] = 0;
        }
    }

    uint32_t count = 0;
    for (size_t i = 0; i < candidates.size(); ++i) {
        if (!selected[i]) continue;
        ++count;
        if (out) out->push_back(candidates[i]);
    }
    return count;
}

uint32_t XmlDocumentQueryPath(XmlDocument* document, const char* path, const char* expression,
                              std::vector<XmlElement*>* out, uint32_t depth) {
    if (out) out->clear();
    if (!document) return 0;
    XmlDocumentReadLock lock(document);
    XmlElement* element = XmlElementFindPath(document->root, path ? path : "");
    return element ? XmlElementQuery(element, expression, out, depth) : 0;
}
