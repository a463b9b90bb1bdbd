// A million PRIVMSG lines from a loopback server through the receive loop and the line
// dispatch, beside a bare recv loop over the same bytes in the same run. Prints lines per
// second, MB/s and the process's private memory while the lines go through.
#include <winsock2.h>
#include <windows.h>
#include <psapi.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "bench/irc_bench_services.h"
#include "common/app_state.h"
#include "common/text_compare.h"
#include "irc/line_dispatch.h"
#include "irc/receive_loop.h"
#include "irc/server_connection.h"
#include "irc/server_session.h"
#include "core/window_list.h"

namespace {

constexpr uint32_t kLines = 1000000;
constexpr int kRuns = 3;
constexpr double kTargetLinesPerSecond = 300000;

std::atomic<uint64_t> Dispatched{0};
std::vector<size_t> MemorySamples;

size_t PrivateBytes() {
    // The commit charge: private bytes (Wine leaves PrivateUsage at 0).
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PagefileUsage;
}

bool CountPrivmsg(ServerLine&) {
    if (++Dispatched % 250000 == 0) MemorySamples.push_back(PrivateBytes());
    return true;
}

std::string MakeStream() {
    std::string stream;
    stream.reserve(static_cast<size_t>(kLines) * 80);
    for (uint32_t i = 0; i < kLines; ++i) {
        stream += ":nick";
        stream += std::to_string(i % 97);
        stream += "!user@host.example.org PRIVMSG #channel :message number ";
        stream += std::to_string(i);
        stream += " with a little text\r\n";
    }
    return stream;
}

// A listener that sends the whole stream to the first client and closes.
class StreamServer {
public:
    explicit StreamServer(const std::string& stream) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 1);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = address.sin_port;
        thread_ = std::thread([this, &stream] {
            SOCKET client = accept(listener_, nullptr, nullptr);
            size_t sent = 0;
            while (sent < stream.size()) {
                const int chunk = static_cast<int>(std::min<size_t>(stream.size() - sent, 1 << 20));
                const int n = send(client, stream.data() + sent, chunk, 0);
                if (n <= 0) break;
                sent += static_cast<size_t>(n);
            }
            shutdown(client, SD_SEND);
            char drain[256];
            while (recv(client, drain, sizeof drain, 0) > 0) {
            }
            closesocket(client);
        });
    }
    ~StreamServer() {
        thread_.join();
        closesocket(listener_);
    }
    SOCKET Connect() const {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = port_;
        connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        return s;
    }

private:
    SOCKET listener_;
    u_short port_ = 0;
    std::thread thread_;
};

double Seconds(const std::function<void()>& run) {
    const auto start = std::chrono::steady_clock::now();
    run();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Reads the stream as the receive loop does, and does nothing with it.
double BareRecv(const std::string& stream) {
    StreamServer server(stream);
    SOCKET s = server.Connect();
    std::vector<char> buffer(kReceiveInitialBuffer);
    size_t total = 0;
    const double took = Seconds([&] {
        int n;
        while ((n = recv(s, buffer.data(), static_cast<int>(kReceiveReadSize), 0)) > 0)
            total += static_cast<size_t>(n);
    });
    closesocket(s);
    if (total != stream.size())
        std::printf("bare recv: %s of %s bytes\n", std::to_string(total).c_str(),
                    std::to_string(stream.size()).c_str());
    return took;
}

// The receive loop of a server window over the stream, into the dispatch table.
double ThroughDispatch(const std::string& stream) {
    WindowRecord record(nullptr, kServerWindow, nullptr);
    record.Connection = new ServerConnection;
    InsertWindowRecord(&record);
    StreamServer server(stream);
    record.Connection->Socket = server.Connect();
    Dispatched = 0;
    MemorySamples.clear();
    const double took = Seconds([&] { ServerReceiveLoop(&record); });
    if (Dispatched != kLines)
        std::printf("dispatched %s of %u lines\n", std::to_string(Dispatched.load()).c_str(), kLines);
    DestroyServerSession(&record);
    EraseWindowRecord(&record);
    return took;
}

} // namespace

int main() {
    NoteInterfaceThread();
    BuildFoldTable();
    InstallBenchServices();
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SetCommandWordHandler("PRIVMSG", CountPrivmsg, 2);

    const std::string stream = MakeStream();
    const double megabytes = static_cast<double>(stream.size()) / 1e6;
    const size_t before = PrivateBytes();

    double bare = 1e100, full = 1e100;
    std::vector<size_t> samples;
    for (int run = 0; run < kRuns; ++run) {
        bare = std::min(bare, BareRecv(stream));
        const double took = ThroughDispatch(stream);
        if (took < full) {
            full = took;
            samples = MemorySamples;
        }
    }
    const double linesPerSecond = kLines / full;
    std::printf("%u lines, %.1f MB, best of %d runs\n", kLines, megabytes, kRuns);
    std::printf("bare recv loop      %8.3f s  %10.0f lines/s  %8.1f MB/s\n", bare, kLines / bare,
                megabytes / bare);
    std::printf("receive + dispatch  %8.3f s  %10.0f lines/s  %8.1f MB/s  (%.1f%% of bare)\n", full,
                linesPerSecond, megabytes / full, 100.0 * bare / full);
    std::printf("target %.0f lines/s: %s\n", kTargetLinesPerSecond,
                linesPerSecond >= kTargetLinesPerSecond ? "met" : "MISSED");
    std::printf("private memory before %.1f MB; during the best run at each 250,000 lines:", before / 1e6);
    for (size_t s : samples) std::printf(" %.1f", s / 1e6);
    std::printf(" MB\n");
    std::printf("plug-in calls %s, lines printed %s\n", std::to_string(BenchPluginCalls.load()).c_str(),
                std::to_string(BenchPrinted.load()).c_str());
    return 0;
}
