#include <gtest/gtest.h>

#include "common/internet_url.h"
#include "common/xstring.h"
#include "shell/preferences/http_download.h"
#include "shell/setup/program_folder.h"
#include "tests/shell/shell_test_files.h"

#include <winsock2.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace {

// A loopback HTTP server of the test's own: each connection gets the answer the test gives for its
// request, then the server closes it. It remembers the first bytes of every request.
class TinyHttpServer {
public:
    using Answer = std::function<std::string(const std::string& request)>;

    explicit TinyHttpServer(Answer answer) : answer_(std::move(answer)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 4);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TinyHttpServer() {
        stop_ = true;
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    std::wstring Url(const std::string& path, const char* scheme = "http") const {
        return NarrowToWide(std::string(scheme) + "://127.0.0.1:" + std::to_string(port_) + path);
    }
    std::vector<std::string> Requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    void Serve() {
        while (!stop_) {
            SOCKET peer = accept(listener_, nullptr, nullptr);
            if (peer == INVALID_SOCKET) return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
                int n = recv(peer, buffer, sizeof buffer, 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
                if (static_cast<unsigned char>(request[0]) == 0x16) break; // a TLS handshake
            }
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(request);
            }
            const std::string reply = static_cast<unsigned char>(request[0]) == 0x16 ? "" : answer_(request);
            send(peer, reply.data(), static_cast<int>(reply.size()), 0);
            shutdown(peer, SD_SEND);
            while (recv(peer, buffer, sizeof buffer, 0) > 0) {
            }
            closesocket(peer);
        }
    }

    Answer answer_;
    SOCKET listener_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

std::string Reply(const char* status, const std::string& body, long length = -1) {
    return std::string("HTTP/1.1 ") + status +
           "\r\nContent-Type: application/octet-stream\r\nContent-Length: " +
           std::to_string(length < 0 ? static_cast<long>(body.size()) : length) +
           "\r\nConnection: close\r\n\r\n" + body;
}

std::string Body(size_t size) {
    std::string body;
    for (size_t i = 0; i < size; ++i) body += static_cast<char>('a' + i % 26);
    return body;
}

TEST(HttpDownload, WholeBodyArrivesUnderTheTargetNameWithThePathAndQueryAsked) {
    const std::string body = Body(35000); // several reads
    TinyHttpServer server([&](const std::string&) { return Reply("200 OK", body); });
    TestFolder folder;
    const std::wstring target = folder.File(L"file.bin");
    ASSERT_TRUE(WriteFileBytes(target, "old content"));
    ASSERT_TRUE(HttpDownloadFile(server.Url("/dir/file.bin?x=1&y=two"), target));
    EXPECT_EQ(ReadFileBytes(target), body);
    EXPECT_EQ(folder.Entries().size(), 1u);
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.rfind("GET /dir/file.bin?x=1&y=two HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("User-Agent: Brindlex 7"), std::string::npos) << request;
}

TEST(HttpDownload, FailuresKeepTheOldFileAndLeaveNoTemporaryFile) {
    struct Case {
        const char* what;
        std::string reply;
    } cases[] = {
        {"not found", Reply("404 Not Found", "<html>missing</html>")},
        {"server error", Reply("500 Internal Server Error", "oops")},
        {"cut short", Reply("200 OK", Body(50), 100)},
    };
    for (const Case& c : cases) {
        TinyHttpServer server([&](const std::string&) { return c.reply; });
        TestFolder folder;
        const std::wstring target = folder.File(L"keep.txt");
        ASSERT_TRUE(WriteFileBytes(target, "precious"));
        EXPECT_FALSE(HttpDownloadFile(server.Url("/f"), target)) << c.what;
        EXPECT_EQ(ReadFileBytes(target), "precious") << c.what;
        EXPECT_EQ(folder.Entries(), std::vector<std::wstring>{L"keep.txt"}) << c.what;
    }
}

// A redirect is followed, a loop of them only so far: the download then fails within a bounded
// number of requests.
TEST(HttpDownload, RedirectsAreFollowedButALoopEnds) {
    TinyHttpServer server([](const std::string& request) {
        if (request.rfind("GET /moved ", 0) == 0)
            return std::string("HTTP/1.1 302 Found\r\nLocation: /file\r\nContent-Length: 0\r\nConnection: "
                               "close\r\n\r\n");
        if (request.rfind("GET /file ", 0) == 0) return Reply("200 OK", "arrived");
        return std::string("HTTP/1.1 302 Found\r\nLocation: /loop\r\nContent-Length: 0\r\nConnection: "
                           "close\r\n\r\n");
    });
    TestFolder folder;
    const std::wstring target = folder.File(L"t.txt");
    ASSERT_TRUE(HttpDownloadFile(server.Url("/moved"), target));
    EXPECT_EQ(ReadFileBytes(target), "arrived");
    const size_t before = server.Requests().size();
    EXPECT_FALSE(HttpDownloadFile(server.Url("/loop"), target));
    EXPECT_LE(server.Requests().size() - before, static_cast<size_t>(kMaxHttpRedirects + 1));
    EXPECT_EQ(ReadFileBytes(target), "arrived");
}

TEST(HttpDownload, EmptyBodyRemovesTheTarget) {
    TinyHttpServer server([](const std::string&) { return Reply("200 OK", ""); });
    TestFolder folder;
    const std::wstring target = folder.File(L"old.txt");
    ASSERT_TRUE(WriteFileBytes(target, "old"));
    EXPECT_TRUE(HttpDownloadFile(server.Url("/empty"), target));
    EXPECT_TRUE(folder.Entries().empty());
}

TEST(HttpDownload, HttpsUrlIsFetchedOverTlsAndOtherSchemesNotAtAll) {
    TinyHttpServer server([](const std::string&) { return Reply("200 OK", "plain"); });
    TestFolder folder;
    const std::wstring target = folder.File(L"t.txt");
    // The plain server sees a TLS handshake, not a request in clear text, and the download fails.
    EXPECT_FALSE(HttpDownloadFile(server.Url("/secret", "https"), target));
    ASSERT_FALSE(server.Requests().empty());
    for (const std::string& request : server.Requests())
        EXPECT_EQ(static_cast<unsigned char>(request[0]), 0x16);
    EXPECT_FALSE(FileExists(target));

    EXPECT_FALSE(HttpDownloadFile(L"ftp://127.0.0.1/file", target));
    EXPECT_FALSE(HttpDownloadFile(L"not a url", target));
}

TEST(HttpDownload, ThreadFetchesAndFreesItsJob) {
    TinyHttpServer server([](const std::string&) { return Reply("200 OK", "from a thread"); });
    TestFolder folder;
    auto* job = new DownloadJob{server.Url("/t"), folder.File(L"t.txt")};
    EXPECT_EQ(DownloadThread(job), 0u);
    EXPECT_EQ(ReadFileBytes(folder.File(L"t.txt")), "from a thread");
}

TEST(ProgramFolder, WritableFolderLeavesNothingBehindAndMissingFolderIsNotWritable) {
    TestFolder folder;
    ASSERT_TRUE(WriteFileBytes(folder.File(L"woa.exe"), "mine"));
    EXPECT_TRUE(IsFolderWritable(folder.Path()));
    EXPECT_EQ(folder.Entries(), std::vector<std::wstring>{L"woa.exe"});
    EXPECT_EQ(ReadFileBytes(folder.File(L"woa.exe")), "mine");
    EXPECT_FALSE(IsFolderWritable(folder.File(L"no-such-folder")));
}

TEST(ProgramFolder, LeftOversAreDeletedByTheirLongNamesOnly) {
    TestFolder folder;
    for (const wchar_t* name : {L"qv.exe.old", L"QVRES.DLL.OLD", L"a.new", L"rup.ini", L"notes.older",
                                L"news.newsletter", L"keep.ini"})
        ASSERT_TRUE(WriteFileBytes(folder.File(name), "x"));
    CreateDirectoryW(folder.File(L"dir.old").c_str(), nullptr);
    for (const wchar_t* pattern : {L"*.old", L"*.new", L"rup.ini"})
        DeleteMatchingFiles(folder.Path(), pattern);
    std::vector<std::wstring> left = folder.Entries();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::wstring>{L"dir.old", L"keep.ini", L"news.newsletter", L"notes.older"}));
}

} // namespace
