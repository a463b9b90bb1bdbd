#include "core/nick_order.h"

#include <cwchar>

int CompareNickEntries(int group1, const std::wstring& text1, int group2, const std::wstring& text2) {
    if (group1 != group2) return group2 - group1;
    return _wcsicmp(text1.c_str(), text2.c_str());
}
