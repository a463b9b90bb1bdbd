#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/app_state.h"
#include "common/lang_strings.h"
#include "tests/common/test_paths.h"

namespace {

// Points the language module at one library for a test and empties the cache around it.
class LangLibrary {
public:
    explicit LangLibrary(const wchar_t* name) : module_(LoadLibraryW(BesideTestProgram(name).c_str())) {
        FreeLangStrings();
        LanguageModule = module_;
    }
    ~LangLibrary() {
        FreeLangStrings();
        FreeLangStringList();
        LanguageModule = nullptr;
        if (module_) FreeLibrary(module_);
    }
    bool Loaded() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

TEST(LangStrings, ProductLibraryHasTheButtonCaptions) {
    LangLibrary library(L"qvlang.dll");
    ASSERT_TRUE(library.Loaded());
    for (int id : {19, 20, 90, 91, 183, 184, 185, 187}) EXPECT_STRNE(GetLangString(id), L"") << id;
    EXPECT_STREQ(GetLangString(183), L"Cancel");
    EXPECT_STREQ(GetLangString(90), L"Yes");
}

TEST(LangStrings, CachedTextsKeepTheirPointersAsTheCacheGrows) {
    LangLibrary library(L"test_strings.dll");
    ASSERT_TRUE(library.Loaded());
    const wchar_t* first = GetLangString(19);
    EXPECT_STREQ(first, L"Test nineteen");
    EXPECT_EQ(first, GetLangString(19));

    // Far above everything so far: the cache grows and earlier texts stay where they were.
    EXPECT_STREQ(GetLangString(40000), L"Far away");
    EXPECT_EQ(first, GetLangString(19));
    EXPECT_STREQ(first, L"Test nineteen");
}

TEST(LangStrings, LongTextIsCutTo999Characters) {
    LangLibrary library(L"test_strings.dll");
    const std::wstring text = GetLangString(7);
    ASSERT_EQ(text.size(), 999u);
    EXPECT_EQ(text.substr(0, 12), L"012345678901");
}

TEST(LangStrings, MissingAndOutOfRangeIdsGiveEmptyText) {
    LangLibrary library(L"test_strings.dll");
    const wchar_t* missing = GetLangString(8);
    ASSERT_NE(missing, nullptr);
    EXPECT_STREQ(missing, L"");
    EXPECT_EQ(missing, GetLangString(8));
    EXPECT_STREQ(GetLangString(-1), L"");
    EXPECT_STREQ(GetLangString(INT32_MIN), L"");
    EXPECT_STREQ(GetLangString(INT32_MAX), L"");
    EXPECT_STREQ(GetLangString(65536), L"");
    // Ids past 16 bits are not the string with the low 16 bits.
    EXPECT_STREQ(GetLangString(65536 + 19), L"");
}

TEST(LangStrings, ConcurrentCallersGetOneCopyPerId) {
    LangLibrary library(L"test_strings.dll");
    constexpr int kThreads = 8;
    const int ids[] = {7, 8, 19, 183, 5001, 5002, 40000, 1, 300, 2000};
    std::vector<std::vector<const wchar_t*>> seen(kThreads);
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            while (!go) std::this_thread::yield();
            for (int round = 0; round < 200; ++round)
                for (int id : ids) seen[t].push_back(GetLangString(id));
        });
    go = true;
    for (std::thread& thread : threads) thread.join();

    const size_t count = sizeof ids / sizeof ids[0];
    for (int t = 0; t < kThreads; ++t)
        for (size_t i = 0; i < seen[t].size(); ++i) EXPECT_EQ(seen[t][i], seen[0][i % count]);
    EXPECT_STREQ(seen[0][2], L"Test nineteen");
    EXPECT_STREQ(seen[0][6], L"Far away");
}

TEST(LangStrings, ListHoldsTheTextsFrom5001ToTheFirstGap) {
    LangLibrary library(L"test_strings.dll");
    LoadLangStringList();
    EXPECT_STREQ(LangStringListEntry(0), L"First help line");
    EXPECT_STREQ(LangStringListEntry(2), L"Third help line");
    EXPECT_EQ(LangStringListEntry(3), nullptr);
    EXPECT_EQ(LangStringListEntry(5000), nullptr);
    LoadLangStringList(); // again: replaces, does not add
    EXPECT_STREQ(LangStringListEntry(1), L"Second help line");
    EXPECT_EQ(LangStringListEntry(3), nullptr);
    FreeLangStringList();
    EXPECT_EQ(LangStringListEntry(0), nullptr);
}

} // namespace
