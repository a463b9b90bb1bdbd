#include "tests/support/python_http_server.h"

#include "common/xstring.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/test_files.h"

namespace {

const char kMinder[] = R"sh(#!/bin/sh
cd "$(dirname "$0")" || exit 1
python3 -m http.server "$1" --bind 127.0.0.1 --directory ./files >server.log 2>&1 &
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

PythonHttpServer::PythonHttpServer() {
    PrepareConnectionTests();
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"brindlex-http-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
              std::to_wstring(++serial);
    CreateDirectoryW(folder_.c_str(), nullptr);
    CreateDirectoryW(File(L"files").c_str(), nullptr);
    port_ = UnusedLoopbackPort();
    WriteFileBytes(File(L"run.sh"), kMinder);
    WriteFileBytes(File(L"lease"), "0");
    lease_ = std::thread([this] {
        while (!stopping_) {
            WriteFileBytes(File(L"lease"), std::to_string(GetTickCount64()));
            Sleep(500);
        }
    });
    std::wstring command =
        L"Z:\\bin\\sh \"" + NarrowToWide(UnixPath(File(L"run.sh"))) + L"\" " + std::to_wstring(port_);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

PythonHttpServer::~PythonHttpServer() {
    WriteFileBytes(File(L"stop"), "");
    WaitUntil([this] { return FileExists(File(L"done")); }, 10000);
    stopping_ = true;
    lease_.join();
    RemoveTree(folder_);
}

bool PythonHttpServer::WaitReady() {
    return WaitUntil(
        [this] {
            SOCKET s = ConnectLoopback(port_);
            const bool ok = s != INVALID_SOCKET;
            closesocket(s);
            if (!ok) Sleep(100);
            return ok;
        },
        10000);
}

bool PythonHttpServer::Serve(const std::wstring& name, const std::string& bytes) {
    return WriteFileBytes(folder_ + L"\\files\\" + name, bytes);
}

std::wstring PythonHttpServer::Url(const std::wstring& name) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/" + name;
}
