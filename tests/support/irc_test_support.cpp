#include "tests/support/irc_test_support.h"

#include "common/app_state.h"
#include "common/xstring.h"
#include "irc/ident_responder.h"
#include "irc/line_dispatch.h"
#include "irc/server_session.h"
#include "irc/server_writer.h"
#include "core/window_list.h"
#include "tests/common/test_paths.h"

#include <ws2tcpip.h>

#include <mutex>
#include <thread>

void PrepareConnectionTests() {
    static bool prepared = [] {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        LanguageModule = LoadLibraryW(BesideTestProgram(L"qvlang.dll").c_str());
        // Test programs run side by side: only a test about ident takes the machine's ident port.
        IdentListenPort = 0;
        return true;
    }();
    (void)prepared;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(5);
    }
}

std::vector<std::string> CallTexts(const std::string& service) {
    std::vector<std::string> texts;
    for (const RecordedCall& call : CallLog::Instance().Calls(service)) texts.push_back(call.Text);
    return texts;
}

size_t CountCalls(const std::string& service) {
    return CallLog::Instance().Calls(service).size();
}

ServerWindow::ServerWindow() : record_(new WindowRecord(nullptr, kServerWindow, nullptr)) {
    PrepareConnectionTests();
    record_->Connection = new ServerConnection;
    InsertWindowRecord(record_);
}

ServerWindow::~ServerWindow() {
    DestroyServerSession(record_);
    EraseWindowRecord(record_);
    delete record_;
}

void ServerWindow::Aim(uint16_t port, const std::string& nick) {
    ServerConnection& c = Connection();
    c.Host = "127.0.0.1";
    c.Port = port;
    c.Nick = nick;
    c.EMail = nick + "@example.org";
    c.FullName = "Test User";
    c.UserField2 = "Brindlex";
    c.UserField3 = "Brindlex";
}

void ServerWindow::UseSocket(SOCKET socket, uint16_t port) {
    Connection().Socket = socket;
    StartSessionWriter(record_, L"127.0.0.1", port);
}

ScriptedServer::ScriptedServer(bool ipv6) {
    PrepareConnectionTests();
    listener_ = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, 0);
    sockaddr_in6 address6{};
    address6.sin6_family = AF_INET6;
    address6.sin6_addr = in6addr_loopback;
    sockaddr_in address4{};
    address4.sin_family = AF_INET;
    address4.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr* address =
        ipv6 ? reinterpret_cast<sockaddr*>(&address6) : reinterpret_cast<sockaddr*>(&address4);
    int length = ipv6 ? sizeof address6 : sizeof address4;
    bind(listener_, address, length);
    listen(listener_, 4);
    getsockname(listener_, address, &length);
    port_ = ntohs(ipv6 ? address6.sin6_port : address4.sin_port);
}

ScriptedServer::~ScriptedServer() {
    CloseClient();
    closesocket(listener_);
}

namespace {

bool Readable(SOCKET s, DWORD timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{static_cast<long>(timeoutMs / 1000), static_cast<long>((timeoutMs % 1000) * 1000)};
    return select(0, &set, nullptr, nullptr, &wait) == 1;
}

} // namespace

bool ScriptedServer::Accept(DWORD timeoutMs) {
    CloseClient();
    if (!Readable(listener_, timeoutMs)) return false;
    client_ = accept(listener_, nullptr, nullptr);
    pending_.clear();
    closed_ = false;
    return client_ != INVALID_SOCKET;
}

bool ScriptedServer::Send(std::string_view bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const int n = send(client_, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

bool ScriptedServer::Fill(DWORD timeoutMs) {
    if (closed_ || client_ == INVALID_SOCKET || !Readable(client_, timeoutMs)) return false;
    char buffer[4096];
    const int n = recv(client_, buffer, sizeof buffer, 0);
    if (n <= 0) {
        closed_ = true;
        return false;
    }
    pending_.append(buffer, static_cast<size_t>(n));
    return true;
}

std::optional<std::string> ScriptedServer::ReadLine(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        const size_t cut = pending_.find("\r\n");
        if (cut != std::string::npos) {
            std::string line = pending_.substr(0, cut);
            pending_.erase(0, cut + 2);
            return line;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= end || !Fill(static_cast<DWORD>(end - now))) return std::nullopt;
    }
}

bool ScriptedServer::SkipToLineStarting(const std::string& word, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        std::optional<std::string> line = ReadLine(static_cast<DWORD>(end - GetTickCount64()));
        if (!line) return false;
        if (line->rfind(word, 0) == 0) return true;
    }
    return false;
}

bool ScriptedServer::ClientClosed(DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!closed_) {
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        Fill(static_cast<DWORD>(end - now));
    }
    return true;
}

void ScriptedServer::CloseClient() {
    if (client_ != INVALID_SOCKET) closesocket(client_);
    client_ = INVALID_SOCKET;
}

uint16_t UnusedLoopbackPort() {
    PrepareConnectionTests();
    return FreeLoopbackPort();
}

SOCKET ConnectLoopback(uint16_t port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) return s;
    closesocket(s);
    return INVALID_SOCKET;
}

namespace {

std::mutex CollectedMutex;
std::vector<std::string> Collected;

bool CollectLine(ServerLine& line) {
    std::lock_guard<std::mutex> lock(CollectedMutex);
    Collected.push_back(line.Message.Text);
    return false;
}

} // namespace

LineCollector::LineCollector(std::initializer_list<const char*> words,
                             std::initializer_list<int32_t> numerics) {
    {
        std::lock_guard<std::mutex> lock(CollectedMutex);
        Collected.clear();
    }
    for (const char* word : words) SetCommandWordHandler(word, CollectLine, 0);
    for (int32_t numeric : numerics) SetNumericHandler(numeric, CollectLine, 0);
}

bool LineCollector::WaitFor(const std::string& text, DWORD timeoutMs) const {
    return WaitUntil(
        [&] {
            for (const std::string& line : Lines())
                if (line.find(text) != std::string::npos) return true;
            return false;
        },
        timeoutMs);
}

LineCollector::~LineCollector() {
    ClearServerLineHandlers();
}

std::vector<std::string> LineCollector::Lines() const {
    std::lock_guard<std::mutex> lock(CollectedMutex);
    return Collected;
}

size_t LineCollector::Count() const {
    std::lock_guard<std::mutex> lock(CollectedMutex);
    return Collected.size();
}
