// Winsock and the language library for the whole test program, as start-up provides them for the
// real one.
#include <gtest/gtest.h>

#include <winsock2.h>

#include "common/app_state.h"
#include "common/lang_strings.h"
#include "tests/common/test_paths.h"

namespace {

class ProgramEnvironment : public testing::Environment {
public:
    void SetUp() override {
        WSADATA data{};
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        module_ = LoadLibraryW(BesideTestProgram(L"qvlang.dll").c_str());
        ASSERT_NE(module_, nullptr);
        LanguageModule = module_;
    }
    void TearDown() override {
        FreeLangStrings();
        LanguageModule = nullptr;
        FreeLibrary(module_);
        WSACleanup();
    }

private:
    HMODULE module_ = nullptr;
};

const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new ProgramEnvironment);

} // namespace
