// Streams, sockets and settings files reached by scripts: hostile handles and counts refused,
// scripts talking over loopback to a peer, to each other and on their connection's socket, and
// settings files that cannot be written left as they were.
#include "tests/script/script_harness.h"

#include "common/xstring.h"
#include "script/script_files.h"
#include "tests/support/test_files.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <fstream>
#include <sstream>
#include <thread>

namespace {

class FileSocketBuiltins : public ScriptHarness {
protected:
    void SetUp() override {
        ScriptHarness::SetUp();
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 2), &data));
    }
    void TearDown() override {
        for (int64_t handle : ScriptFileHandles()) CloseScriptFile(handle);
        WSACleanup();
        ScriptHarness::TearDown();
    }
    std::string Path(const char* name) const { return WideToNarrow(folder_.Path()) + "\\" + name; }

    // The words of the last line the script echoed.
    std::vector<std::string> Echoed() const {
        std::vector<std::string> words;
        for (const std::string& line : Output())
            if (line.rfind("input: /echo ", 0) == 0) {
                words.clear();
                std::istringstream in(line.substr(13));
                for (std::string word; in >> word;) words.push_back(word);
            }
        return words;
    }
    std::string RunAndEcho(const std::string& script) {
        CallLog::Instance().Clear();
        Run("#nodebug\r\n" + script);
        return OutputText();
    }

    TestFolder folder_{L"qv_streams"};
};

std::string FileText(const std::string& path) {
    return ReadFileBytes(NarrowToWide(path));
}

// A listening loopback socket on a free port.
SOCKET Listener(int family, uint16_t& port) {
    SOCKET s = socket(family, SOCK_STREAM, 0);
    sockaddr_storage address{};
    int length = family == AF_INET ? sizeof(sockaddr_in) : sizeof(sockaddr_in6);
    address.ss_family = static_cast<ADDRESS_FAMILY>(family);
    if (family == AF_INET)
        reinterpret_cast<sockaddr_in&>(address).sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    else
        reinterpret_cast<sockaddr_in6&>(address).sin6_addr = in6addr_loopback;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(s, 4) != 0) {
        closesocket(s);
        return INVALID_SOCKET;
    }
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in&>(address).sin_port
                                   : reinterpret_cast<sockaddr_in6&>(address).sin6_port);
    return s;
}

} // namespace

TEST_F(FileSocketBuiltins, HostileHandlesAndCountsEndTheScriptAndTouchNothing) {
    RunAndEcho("$h = fopen(\"" + Path("a.bin") + "\", \"wb\")\r\n/echo $h");
    const std::string handle = Echoed().at(0);
    ASSERT_EQ(1u, ScriptFileHandles().size());
    RunAndEcho("$s = socket()\r\n/echo $s");
    const std::string socketNumber = Echoed().at(0);

    const std::string refused[] = {
        "fread(" + handle + ", -1)",
        "fread(" + handle + ", 99999999999)",
        "fwrite(" + handle + ", abc, -5)",
        "fputs(" + std::to_string(reinterpret_cast<uintptr_t>(stdout)) + ", x)",
        "fgetc(" + handle + "0)",
        "recv(" + socketNumber + ", 100000)",
        "recv(" + socketNumber + ", -1)",
    };
    for (const std::string& call : refused) {
        SCOPED_TRACE(call);
        EXPECT_EQ("error: [/echo " + call + "] : Invalid number of parameters to function. ))\n",
                  RunAndEcho("/echo " + call + "\r\n/echo not reached"));
    }
    // The script's stream and socket are still open.
    EXPECT_EQ("input: /echo  3  \n",
              RunAndEcho("/echo fputs(" + handle + ", abc) ftell(" + handle + ") fclose(" + handle +
                         ") closesocket(" + socketNumber + ")"));
    EXPECT_TRUE(ScriptFileHandles().empty());
    EXPECT_EQ("abc", FileText(Path("a.bin")));
    EXPECT_EQ("error: [/echo fclose(" + handle + ")] : Invalid number of parameters to function. ))\n",
              RunAndEcho("/echo fclose(" + handle + ")"))
        << "a closed handle stays closed";
}

// A socket is the system's number: the script reaches one it did not make, such as its
// connection's, and the program reaches the ones the script made.
TEST_F(FileSocketBuiltins, SocketsAreTheSystemsNumbersTheConnectionsIncluded) {
    uint16_t port = 0;
    SOCKET listener = Listener(AF_INET, port);
    ASSERT_NE(INVALID_SOCKET, listener);
    SOCKET own = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(0, connect(own, reinterpret_cast<sockaddr*>(&address), sizeof address));
    SOCKET peer = accept(listener, nullptr, nullptr);
    ASSERT_NE(INVALID_SOCKET, peer);
    Connection->Socket = own;

    EXPECT_EQ("input: /echo 6\n", RunAndEcho("/echo send($socket, PING x)"));
    char received[16] = {};
    EXPECT_EQ(6, recv(peer, received, sizeof received - 1, 0));
    EXPECT_STREQ("PING x", received);
    EXPECT_EQ("input: /echo 3\n",
              RunAndEcho("/echo send(" + std::to_string(static_cast<uint64_t>(own)) + ", abc)"));

    RunAndEcho("$s = socket(1)\r\n/echo $s");
    const SOCKET made = static_cast<SOCKET>(std::stoull(Echoed().at(0)));
    int type = 0, length = sizeof type;
    EXPECT_EQ(0, getsockopt(made, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length));
    EXPECT_EQ(SOCK_DGRAM, type);
    EXPECT_EQ("input: /echo \n", RunAndEcho("/echo closesocket(" + Echoed().at(0) + ")"));
    EXPECT_NE(0, getsockopt(made, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&type), &length));

    Connection->Socket = 0;
    closesocket(own);
    closesocket(peer);
    closesocket(listener);
}

// The peer echoes what it reads, then closes after "bye".
TEST_F(FileSocketBuiltins, AScriptTalksToALoopbackEchoPeer) {
    uint16_t port = 0;
    SOCKET listener = Listener(AF_INET, port);
    ASSERT_NE(INVALID_SOCKET, listener);
    std::thread peer([listener] {
        SOCKET s = accept(listener, nullptr, nullptr);
        char buffer[256];
        for (int n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) {
            send(s, buffer, n, 0);
            if (std::string(buffer, n).find("bye") != std::string::npos) break;
        }
        closesocket(s);
    });
    const std::string p = std::to_string(port);
    RunAndEcho(
        "$s = socket()\r\n"
        "/echo connect($s, 127.0.0.1, " +
        p +
        ") send($s, abc) recv($s, 100) send($s, abcdef, 2) recv($s, 100) send($s, hi, 99) recv($s, 100) "
        "send($s, bye) recv($s, 3) recv($s, 100) closesocket($s)");
    peer.join();
    closesocket(listener);
    EXPECT_EQ("input: /echo 0 3 \"abc\" 2 \"ab\" 2 \"hi\" 3 \"bye\" \"\" \n", OutputText());
}

// One script listens, another connects and sends, the first accepts and answers; then IPv6.
TEST_F(FileSocketBuiltins, AListeningScriptAcceptsAnotherScriptsConnection) {
    for (int family : {AF_INET, AF_INET6}) {
        uint16_t port = 0;
        SOCKET probe = Listener(family, port);
        if (probe == INVALID_SOCKET) {
            ASSERT_EQ(AF_INET6, family);
            GTEST_SKIP() << "no IPv6 loopback on this host: the IPv6 case did not run";
        }
        closesocket(probe);
        const std::string p = std::to_string(port), six = family == AF_INET6 ? ", 1" : "";
        RunAndEcho("$l = socket(0" + six + ")\r\n/echo $l bind($l, " + p + six + ") listen($l)");
        std::vector<std::string> listening = Echoed();
        ASSERT_EQ((std::vector<std::string>{listening[0], "0", "0"}), listening);
        RunAndEcho("$c = socket(0" + six + ")\r\n/echo $c connect($c, " +
                   (six.empty() ? "127.0.0.1" : "::1") + ", " + p + ") send($c, hello)");
        std::vector<std::string> connecting = Echoed();
        ASSERT_EQ((std::vector<std::string>{connecting[0], "0", "5"}), connecting);
        RunAndEcho("$a = accept(" + listening[0] +
                   ")\r\n/echo recv($a, 100) send($a, welcome) closesocket($a) "
                   "closesocket(" +
                   listening[0] + ")");
        EXPECT_EQ("input: /echo \"hello\" 7  \n", OutputText());
        RunAndEcho("/echo recv(" + connecting[0] + ", 100) recv(" + connecting[0] + ", 100) closesocket(" +
                   connecting[0] + ")");
        EXPECT_EQ("input: /echo \"welcome\" \"\" \n", OutputText())
            << "the closed peer gives the empty value";
    }
}

TEST_F(FileSocketBuiltins, SettingsFilesThatCannotBeWrittenStayAsTheyWere) {
    const std::string ini = Path("s.ini"), xml = Path("s.xml");
    const std::string iniText = "[Sec]\r\nKey=old\r\n";
    const std::string xmlText = "<?xml version=\"1.0\"?>\r\n<root><Cfg Key=\"old\"/></root>\r\n";
    std::ofstream(NarrowToWide(ini).c_str(), std::ios::binary) << iniText;
    std::ofstream(NarrowToWide(xml).c_str(), std::ios::binary) << xmlText;
    RunAndEcho("/echo SetInt(Sec, Key, 5, \"" + ini + "\") SetStringX(Cfg, Key, \"new\", \"" + xml + "\")");
    EXPECT_EQ("input: /echo 5 \n", OutputText());
    EXPECT_NE(xmlText, FileText(xml)) << "a writable file is written";
    std::ofstream(NarrowToWide(xml).c_str(), std::ios::binary) << xmlText;
    std::ofstream(NarrowToWide(ini).c_str(), std::ios::binary) << iniText;
    SetFileAttributesW(NarrowToWide(ini).c_str(), FILE_ATTRIBUTE_READONLY);
    SetFileAttributesW(NarrowToWide(xml).c_str(), FILE_ATTRIBUTE_READONLY);
    RunAndEcho("/echo SetInt(Sec, Key, 7, \"" + ini + "\") SetString(Sec, Key, new, \"" + ini +
               "\") SetStringX(Cfg, Key, \"new\", \"" + xml + "\") SetIntX(Cfg, Key, 3, \"" + xml + "\")");
    EXPECT_EQ("input: /echo    \n", OutputText()) << "a failed write returns the empty value";
    EXPECT_EQ(iniText, FileText(ini));
    EXPECT_EQ(xmlText, FileText(xml));
}
