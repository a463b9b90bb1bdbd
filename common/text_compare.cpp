#include "common/text_compare.h"

#include "common/xstring.h"

unsigned char FoldTable[256];

void BuildFoldTable() {
    for (int i = 0; i < 256; ++i)
        FoldTable[i] = static_cast<unsigned char>(i >= 'a' && i <= 'z' ? i - 'a' + 'A' : i);
}

static bool SameChar(char a, char b, bool caseSensitive) {
    if (caseSensitive) return a == b;
    return FoldByte(static_cast<unsigned char>(a)) == FoldByte(static_cast<unsigned char>(b));
}

// Once the walk has passed a star, a later failure never needs an earlier star retried: a
// star either matches the rest or gives up for good when the text runs out. So one
// backtrack point suffices, and hostile patterns cost at most text x pattern steps.
int WildcardMatchCore(const char* text, const char* pattern, bool caseSensitive) {
    if (!text || !pattern) return 0;
    if (*pattern == '\0') return *text == '\0' ? 1 : 0;
    const char* t = text;
    const char* p = pattern;
    const char* starPattern = nullptr;
    const char* starText = nullptr;
    for (;;) {
        bool mismatch = false;
        if (*p == '\0') {
            if (*t == '\0') return 1;
            mismatch = true;
        } else if (*p == '*') {
            ++p;
            if (*p == '\0') return 1;
            if (*t == '\0') return -1;
            starPattern = p;
            starText = t;
            continue;
        } else if (*t == '\0') {
            return -1;
        } else if (*p == '?' || SameChar(*p, *t, caseSensitive)) {
            ++p;
            ++t;
            continue;
        } else {
            mismatch = true;
        }
        if (mismatch) {
            if (!starPattern) return 0;
            ++starText;
            if (*starText == '\0') return -1;
            p = starPattern;
            t = starText;
        }
    }
}

bool WildcardMatch(const char* text, const char* pattern, bool caseSensitive) {
    if (pattern && pattern[0] == '*' && pattern[1] == '\0') return true;
    return WildcardMatchCore(text ? text : "", pattern ? pattern : "", caseSensitive) == 1;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (!SameChar(text[i], prefix[i], false)) return false;
    return true;
}

bool StringEqualsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && StartsWithNoCase(a, b);
}

bool StringEqualsNoCaseSz(const std::string& a, const char* b) {
    return StringEqualsNoCase(a, b ? b : "");
}

bool WStringEqualsNoCase(const std::wstring& a, const std::wstring& b) {
    return StringEqualsNoCase(WideToNarrow(a), WideToNarrow(b));
}

bool WStringEqualsNoCase(const std::wstring& a, const wchar_t* b) {
    return WStringEqualsNoCase(a, std::wstring(b ? b : L""));
}

bool IsInRangeList(const std::vector<uint32_t>& pairs, uint32_t value) {
    if (pairs.empty() || pairs.size() % 2 != 0) return false;
    for (size_t i = 0; i + 1 < pairs.size(); i += 2)
        if (pairs[i] <= value && value <= pairs[i + 1]) return true;
    return false;
}

bool IsNonEmpty(const char* text) {
    return text && *text;
}
