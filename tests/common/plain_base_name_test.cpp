#include <gtest/gtest.h>

#include "common/plain_base_name.h"

#include <random>

namespace {

// What a name made safe may never hold or be.
bool IsPlain(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") return false;
    for (wchar_t c : name)
        if (c < 32 || (c >= 127 && c < 160) || IsDirectionControl(c) ||
            std::wstring(L"\\/:\"'*?<>|").find(c) != std::wstring::npos)
            return false;
    if (name.front() == L'.' || name.front() == L' ' || name.back() == L'.' || name.back() == L' ')
        return false;
    return name.size() <= kMaxPlainBaseName + 1;
}

TEST(PlainBaseName, HostileNamesBecomeOneHarmlessName) {
    struct Case {
        std::wstring in, out;
    } cases[] = {
        {L"#channel", L"#channel"},
        {L"nick[away]", L"nick[away]"},
        {L"\u00E9t\u00E9", L"\u00E9t\u00E9"},
        {L"..", L"_"},
        {L"...", L"_"},
        {L"", L"_"},
        {L"../../etc/passwd", L"_.._etc_passwd"},
        {L"..\\..\\Windows\\System32\\x.dll", L"_.._Windows_System32_x.dll"},
        {L"C:\\boot.ini", L"C__boot.ini"},
        {L"\\\\server\\share\\f", L"__server_share_f"},
        {L"a\"b'c", L"a_b_c"},
        {L"what?*<>|", L"what_____"},
        {std::wstring(L"tab\tnul") + L'\0' + L"end", L"tab_nul_end"},
        {L"  spaced.  ", L"spaced"},
        {L"CON", L"_CON"},
        {L"con.log", L"_con.log"},
        {L"Nul", L"_Nul"},
        {L"COM1.txt", L"_COM1.txt"},
        {L"lpt9", L"_lpt9"},
        {L"AUX .x", L"_AUX .x"},
        {L"CONIN$", L"_CONIN$"},
        {L"COM10", L"COM10"},
        {L"CONSOLE", L"CONSOLE"},
        {L"file.txt:stream", L"file.txt_stream"},
        {L"invoice\u202Etxt.exe", L"invoice_txt.exe"},
        {L"a\u2066b\u200Fc\u0085d\u061C", L"a_b_c_d_"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(PlainBaseName(c.in), c.out);
        EXPECT_TRUE(IsPlain(PlainBaseName(c.in)));
    }
}

TEST(PlainBaseName, LongNamesAreCutWithoutSplittingACharacter) {
    std::wstring name(kMaxPlainBaseName - 1, L'a');
    name += L"\U0001F600tail"; // a surrogate pair across the limit
    std::wstring plain = PlainBaseName(name);
    EXPECT_EQ(plain, std::wstring(kMaxPlainBaseName - 1, L'a'));
    EXPECT_EQ(PlainBaseNameUtf8("caf\xC3\xA9/x"), L"caf\u00E9_x");
}

TEST(PlainBaseName, RandomNamesAreAlwaysPlain) {
    std::mt19937 random(7);
    const wchar_t alphabet[] = L"./\\:\"'*?<>| \t\x01\x7F"
                               L"aCoNuLpTx1$\u00E9";
    for (int i = 0; i < 20000; ++i) {
        std::wstring name;
        const size_t length = random() % 12;
        for (size_t k = 0; k < length; ++k)
            name += alphabet[random() % (sizeof alphabet / sizeof(wchar_t) - 1)];
        EXPECT_TRUE(IsPlain(PlainBaseName(name))) << i;
    }
}

} // namespace
