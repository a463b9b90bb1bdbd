// Test entry point: the program-wide state that start-up fills before anything runs.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "common/text_compare.h"

#include <cstdio>
#include <string>

namespace {

// The brief output counts skipped cases without naming them; the test command lists each one.
class SkippedCaseNames : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo& info) override {
        if (!info.result()->Skipped()) return;
        std::string reason;
        for (int i = 0; i < info.result()->total_part_count(); ++i)
            if (info.result()->GetTestPartResult(i).skipped())
                reason = info.result()->GetTestPartResult(i).message();
        std::printf("[  SKIPPED ] %s.%s: %s\n", info.test_suite_name(), info.name(), reason.c_str());
        std::fflush(stdout);
    }
};

} // namespace

// Each test program says which owners and recorders it installs into the client services table.
void InstallTestServices();

int main(int argc, char** argv) {
    NoteInterfaceThread();
    BuildFoldTable();
    InstallTestServices();
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new SkippedCaseNames);
    return RUN_ALL_TESTS();
}
