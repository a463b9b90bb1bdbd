#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/crash_filter.h"

namespace {

TEST(CrashFilter, LogLineNamesCodeAddressAndThread) {
    char line[160];
    FormatCrashLine(line, 0xC0000005, reinterpret_cast<const void*>(uintptr_t(0x7FF6A1B2C3D4)), 1234, true);
    EXPECT_STREQ(line, "fault C0000005 at 00007FF6A1B2C3D4 on thread 1234 (interface thread)\r\n");
    FormatCrashLine(line, 0x80000003, nullptr, 0, false);
    EXPECT_STREQ(line, "fault 80000003 at 0000000000000000 on thread 0\r\n");
}

std::string ReadFile(const std::wstring& path) {
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A fault ends the process with its code, after the log line is written: nothing runs on.
TEST(CrashFilterDeathTest, FaultIsLoggedAndEndsTheProcess) {
    testing::FLAGS_gtest_death_test_style = "threadsafe";
    const std::wstring log = CrashLogPath();
    ASSERT_FALSE(log.empty());
    DeleteFileW(log.c_str());
    EXPECT_EXIT(
        {
            SetUnhandledExceptionFilter(CrashRecoveryFilter);
            RaiseException(0xE0001234, 0, 0, nullptr);
            std::fputs("resumed after the fault\n", stderr);
            std::exit(0);
        },
        testing::ExitedWithCode(static_cast<int>(0xE0001234u)), "");
    const std::string text = ReadFile(log);
    EXPECT_NE(text.find("fault E0001234 at "), std::string::npos) << text;
    DeleteFileW(log.c_str());
}

} // namespace
