#include "xml/xml_query.h"

#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_escape.h"

#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void Collect(XmlElement* element, uint32_t depth, std::vector<XmlElement*>* candidates) {
    if (depth == 0) return;
    for (uint32_t i = 0; i < element->children.Count(); ++i) {
        XmlElement* child = element->children.At(i);
        if (!child) continue;
        Collect(child, depth == 0xFFFFFFFFu ? depth : depth - 1, candidates);
        candidates->push_back(child);
    }
}

std::string LeftValue(XmlElement* e, const std::string& left) {
    if (left == "?") return XmlElementGetNameString(e);
    if (left == "!") return XmlElementGetPathString(e, 0);
    if (!left.empty() && left[0] == '~') {
        uint32_t index = static_cast<uint32_t>(std::strtoul(left.c_str() + 1, nullptr, 10));
        return index < e->texts.Count() ? XmlTextGetTextString(e->texts.At(index)) : std::string();
    }
    return XmlVariableGetValueString(XmlElementFindVariableView(e, left));
}

// atoi, with text that reads as 0 without starting with '0' taken as no number.
bool AsNumber(const std::string& s, int32_t* value) {
    *value = static_cast<int32_t>(std::strtol(s.c_str(), nullptr, 10));
    return *value != 0 || (!s.empty() && s[0] == '0');
}

bool Holds(const std::string& value, const std::string& op, const std::string& right, bool quoted) {
    if (quoted) {
        bool star = right == "*";
        if (op == "==") return star || XmlWildcardMatch(value.c_str(), right.c_str(), false);
        if (op == "!=") return !star && !XmlWildcardMatch(value.c_str(), right.c_str(), false);
        return true;
    }
    int32_t a = 0, b = 0;
    if (!AsNumber(value, &a) || !AsNumber(right, &b)) return false;
    if (op == "==") return a == b;
    if (op == "!=") return a != b;
    if (op == ">=") return a >= b;
    if (op == "<=") return a <= b;
    if (op == "<") return a < b;
    if (op == ">") return a > b;
    return true;
}

} // namespace

bool XmlWildcardMatch(const char* text, const char* pattern, bool caseSensitive) {
    if (!text || !pattern) return false;
    auto same = [caseSensitive](char a, char b) {
        return caseSensitive ? a == b
                             : std::toupper(static_cast<unsigned char>(a)) ==
                                   std::toupper(static_cast<unsigned char>(b));
    };
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*text) {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (!*pattern) return true;
            star = pattern;
            resume = text;
        } else if (*pattern && (*pattern == '?' || same(*pattern, *text))) {
            ++pattern;
            ++text;
        } else if (star) {
            pattern = star;
            text = ++resume;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == 0;
}

uint32_t XmlElementQuery(XmlElement* element, const char* expression, std::vector<XmlElement*>* out,
                         uint32_t depth) {
    if (out) out->clear();
    if (!element || !expression) return 0;
    std::vector<XmlElement*> candidates;
    Collect(element, depth, &candidates);
    std::vector<char> selected(candidates.size(), 1);

    std::string_view rest(expression);
    while (rest.find(' ') != std::string_view::npos) {
        size_t cut = rest.find(' ');
        std::string left(rest.substr(0, cut));
        rest.remove_prefix(cut + 1);
        cut = rest.find(' ');
        std::string op(rest.substr(0, cut));
        if (cut == std::string_view::npos) break; // no blank after the operator: the expression is over
        rest.remove_prefix(cut + 1);
        bool quoted = !rest.empty() && rest[0] == '"';
        std::string right;
        bool last = false;
        if (quoted) {
            size_t close = rest.find('"', 1);
            right = std::string(
                rest.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
            if (close == std::string_view::npos || close + 1 >= rest.size()) {
                last = true;
            } else {
                rest.remove_prefix(close + 2);
            }
        } else {
            cut = rest.find(' ');
            right = std::string(rest.substr(0, cut));
            if (cut == std::string_view::npos) {
                last = true;
            } else {
                rest.remove_prefix(cut + 1);
            }
        }
        for (size_t i = 0; i < candidates.size(); ++i) {
            if (!Holds(LeftValue(candidates[i], left), op, right, quoted)) selected[i] = 0;
        }
        if (last) break;
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
