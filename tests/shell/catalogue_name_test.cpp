// The file names a catalogue download may take: only the last part of the address, made plain.
#include <gtest/gtest.h>

#include "shell/preferences_parts.h"

TEST(CatalogueFileName, KeepsOnlyAPlainLastPart) {
    const struct {
        const char* Url;
        const wchar_t* Name;
    } cases[] = {
        {"http://host/plugins/tool.dll", L"tool.dll"},
        {"http://host/..\\evil.dll", L"evil.dll"},
        {"http://host/a/..\\..\\windows\\evil.dll", L"evil.dll"},
        {"http://host/dir/", L""},
        {"http://host/NUL.dll", L"_NUL.dll"},
        {"http://host/c:evil.dll", L"c_evil.dll"},
    };
    for (const auto& c : cases) EXPECT_EQ(CatalogueFileName(c.Url), c.Name) << c.Url;
}
