#include "tests/support/leased_process.h"

#include "common/xstring.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/test_files.h"

namespace {

const char kMinderStart[] = R"sh(#!/bin/sh
cd "$(dirname "$0")" || exit 1
)sh";

const char kMinderWatch[] = R"sh( &
pid=$!
start=$(date +%s)
while kill -0 "$pid" 2>/dev/null && [ ! -e stop ]; do
  now=$(date +%s)
  renewed=$(stat -c %Y lease 2>/dev/null || echo 0)
  [ $((now - renewed)) -gt 5 ] && break
  [ $((now - start)) -gt 300 ] && break
  sleep 0.1
done
kill "$pid" 2>/dev/null
wait "$pid"
touch done
)sh";

} // namespace

LeasedProcess::LeasedProcess(const wchar_t* folderName) {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + folderName + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++serial);
    CreateDirectoryW(folder_.c_str(), nullptr);
}

LeasedProcess::~LeasedProcess() {
    Stop();
    RemoveTree(folder_);
}

void LeasedProcess::Start(const std::string& command) {
    // The marks of an earlier run would end this one at once.
    DeleteFileW(File(L"stop").c_str());
    DeleteFileW(File(L"done").c_str());
    stopping_ = false;
    WriteFileBytes(File(L"run.sh"), std::string(kMinderStart) + command + kMinderWatch);
    WriteFileBytes(File(L"lease"), "0");
    lease_ = std::thread([this] {
        while (!stopping_) {
            WriteFileBytes(File(L"lease"), std::to_string(GetTickCount64()));
            Sleep(500);
        }
    });
    std::wstring line = L"Z:\\bin\\sh \"" + NarrowToWide(UnixPath(File(L"run.sh"))) + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

void LeasedProcess::Stop() {
    if (!lease_.joinable()) return;
    WriteFileBytes(File(L"stop"), "");
    WaitUntil([this] { return FileExists(File(L"done")); }, 10000);
    stopping_ = true;
    lease_.join();
}
