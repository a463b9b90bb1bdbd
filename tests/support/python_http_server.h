// A local HTTP server for download tests: Python's http.server on a free loopback port, serving
// a folder of the test's own. Wine starts it as a native process, minded like the test ngircd:
// it ends when the test ends or stops renewing its lease.
#pragma once

#include "tests/support/leased_process.h"

#include <windows.h>

#include <cstdint>
#include <string>

class PythonHttpServer {
public:
    PythonHttpServer();
    PythonHttpServer(const PythonHttpServer&) = delete;
    PythonHttpServer& operator=(const PythonHttpServer&) = delete;

    // True once it accepts connections (waits up to ten seconds).
    bool WaitReady();
    // Puts a file where the server serves it.
    bool Serve(const std::wstring& name, const std::string& bytes);
    std::wstring Url(const std::wstring& name) const;

private:
    LeasedProcess process_;
    uint16_t port_ = 0;
};
