#include "tests/support/python_http_server.h"

#include "tests/support/irc_test_support.h"
#include "tests/support/test_files.h"

PythonHttpServer::PythonHttpServer() : process_(L"brindlex-http") {
    PrepareConnectionTests();
    CreateDirectoryW(process_.File(L"files").c_str(), nullptr);
    port_ = UnusedLoopbackPort();
    process_.Start("/usr/bin/python3 -m http.server " + std::to_string(port_) +
                   " --bind 127.0.0.1 --directory ./files >server.log 2>&1");
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
    return WriteFileBytes(process_.File(L"files") + L"\\" + name, bytes);
}

std::wstring PythonHttpServer::Url(const std::wstring& name) const {
    return L"http://127.0.0.1:" + std::to_wstring(port_) + L"/" + name;
}
