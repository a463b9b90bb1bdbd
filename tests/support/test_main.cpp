// Test entry point: the program-wide state that start-up fills before anything runs.
#include <gtest/gtest.h>

#include "common/app_state.h"
#include "common/text_compare.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <mutex>
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

// A case that never returns (a modal loop nobody closes, a wait on a peer that went away) would
// otherwise hold the whole program until ctest's timeout and print nothing about itself: after
// a few minutes name the case and the windows it left open, then end the program.
class HungCaseWatchdog : public testing::EmptyTestEventListener {
public:
    HungCaseWatchdog() {
        const char* limit = std::getenv("BRINDLEX_CASE_LIMIT_S");
        limitMs_ = (limit && std::atoi(limit) > 0 ? std::atoi(limit) : 300) * 1000ULL;
        CreateThread(nullptr, 0, Watch, this, 0, nullptr);
    }

private:
    void OnTestStart(const testing::TestInfo& info) override {
        std::lock_guard<std::mutex> lock(mutex_);
        name_ = std::string(info.test_suite_name()) + "." + info.name();
        started_ = GetTickCount64();
    }
    void OnTestEnd(const testing::TestInfo&) override {
        std::lock_guard<std::mutex> lock(mutex_);
        started_ = 0;
    }

    static BOOL CALLBACK PrintWindow(HWND window, LPARAM) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
        wchar_t name[64] = {}, caption[256] = {};
        GetClassNameW(window, name, 64);
        GetWindowTextW(window, caption, 256);
        std::printf("  window %ls \"%ls\"\n", name, caption);
        return TRUE;
    }

    static DWORD WINAPI Watch(void* parameter) {
        auto* self = static_cast<HungCaseWatchdog*>(parameter);
        for (;;) {
            Sleep(1000);
            std::lock_guard<std::mutex> lock(self->mutex_);
            if (!self->started_ || GetTickCount64() - self->started_ < self->limitMs_) continue;
            std::printf("[ HUNG     ] %s has run for %llu s; the visible windows of this program:\n",
                        self->name_.c_str(), self->limitMs_ / 1000);
            EnumWindows(PrintWindow, 0);
            std::fflush(stdout);
            ExitProcess(3);
        }
    }

    std::mutex mutex_;
    std::string name_;
    ULONGLONG started_ = 0;
    ULONGLONG limitMs_ = 0;
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
    testing::UnitTest::GetInstance()->listeners().Append(new HungCaseWatchdog);
    return RUN_ALL_TESTS();
}
