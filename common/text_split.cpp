#include "common/text_split.h"

#include "common/text_compare.h"

#include <cstring>
#include <cwchar>

namespace {

template <typename Char>
void SplitPlain(std::vector<std::basic_string<Char>>& out, std::basic_string_view<Char> text,
                uint32_t maxCuts, std::basic_string_view<Char> separator) {
    out.clear();
    size_t at = 0;
    while (true) {
        size_t found = separator.empty() ? std::basic_string_view<Char>::npos : text.find(separator, at);
        if (out.size() == maxCuts || found == std::basic_string_view<Char>::npos) {
            out.emplace_back(text.substr(at));
            return;
        }
        out.emplace_back(text.substr(at, found - at));
        at = found + separator.size();
    }
}

template <typename Char> void CollectQuotes(const Char* text, size_t length, std::vector<uint32_t>& out) {
    for (size_t i = 0; i < length; ++i)
        if (text[i] == Char('"') || text[i] == Char('\'')) out.push_back(static_cast<uint32_t>(i));
}

template <typename Char>
void SplitQuotes(std::vector<std::basic_string<Char>>& out, std::basic_string_view<Char> text,
                 std::basic_string_view<Char> separator, bool quoteAware) {
    using View = std::basic_string_view<Char>;
    std::vector<uint32_t> quotes;
    if (quoteAware) CollectQuotes(text.data(), text.size(), quotes);
    size_t start = 0;
    size_t search = 0;
    while (!separator.empty()) {
        size_t found = text.find(separator, search);
        if (found == View::npos) break;
        if (quoteAware && found <= UINT32_MAX && IsInRangeList(quotes, static_cast<uint32_t>(found))) {
            search = found + 1;
            continue;
        }
        if (found > start) out.emplace_back(text.substr(start, found - start));
        start = search = found + separator.size();
    }
    if (start < text.size()) out.emplace_back(text.substr(start));
}

template <typename Char> Char TrimTrailing(Char* text, size_t length) {
    Char last = 0;
    while (length > 0) {
        last = text[length - 1];
        if (last != Char('\r') && last != Char('\n')) break;
        text[--length] = 0;
    }
    return last;
}

template <typename String> void TrimString(String& text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
}

} // namespace

void SplitString(std::vector<std::string>& out, std::string_view text, uint32_t maxCuts,
                 std::string_view separator) {
    SplitPlain(out, text, maxCuts, separator);
}

void SplitStringW(std::vector<std::wstring>& out, std::wstring_view text, uint32_t maxCuts,
                  std::wstring_view separator) {
    SplitPlain(out, text, maxCuts, separator);
}

void SplitQuoted(std::vector<std::string>& out, std::string_view text, std::string_view separator,
                 bool quoteAware) {
    SplitQuotes(out, text, separator, quoteAware);
}

void SplitQuotedW(std::vector<std::wstring>& out, std::wstring_view text, std::wstring_view separator,
                  bool quoteAware) {
    SplitQuotes(out, text, separator, quoteAware);
}

void CollectQuotePositions(const char* text, size_t length, std::vector<uint32_t>& out) {
    if (text) CollectQuotes(text, length, out);
}

void CollectQuotePositionsW(const wchar_t* text, size_t length, std::vector<uint32_t>& out) {
    if (text) CollectQuotes(text, length, out);
}

char TrimCrLf(char* text) {
    return text ? TrimTrailing(text, std::strlen(text)) : 0;
}
wchar_t TrimCrLfW(wchar_t* text) {
    return text ? TrimTrailing(text, std::wcslen(text)) : 0;
}
void TrimStringCrLf(std::string& text) {
    TrimString(text);
}
void TrimWStringCrLf(std::wstring& text) {
    TrimString(text);
}

int AppendCrLf(char* text, size_t size) {
    if (!text) return -1;
    size_t length = std::strlen(text);
    if (length + 3 > size) return -1;
    std::memcpy(text + length, "\r\n", 3);
    return 0;
}

int AppendCrLfW(wchar_t* text, size_t size) {
    if (!text) return -1;
    size_t length = std::wcslen(text);
    if (length + 3 > size) return -1;
    std::wmemcpy(text + length, L"\r\n", 3);
    return 0;
}
