// The ident responder: query parsing, one caller answered over IPv4 and IPv6, and every way the
// responder can be ended.
#include <gtest/gtest.h>

#include "irc/ident_responder.h"
#include "irc/server_connection.h"
#include "core/window_record.h"
#include "tests/irc_tls/loopback_server.h"

namespace {

TEST(IdentQuery, WellFormedQueriesAreAnswered) {
    struct Case {
        const char* Query;
        const char* Reply;
    } cases[] = {
        {"6667, 1234\r\n", "6667, 1234 : USERID : Win64 : joe\r\n"},
        {"6667,1234", "6667,1234 : USERID : Win64 : joe\r\n"},
        {" 1 ,\t65535 \n", " 1 ,\t65535  : USERID : Win64 : joe\r\n"},
    };
    for (const Case& c : cases) EXPECT_EQ(AnswerIdentQuery(c.Query, "joe"), c.Reply) << c.Query;
}

TEST(IdentQuery, AnythingElseGetsNoAnswer) {
    for (const char* query :
         {"", "\r\n", "hello", "0, 1234", "6667, 0", "65536, 1", "6667 1234", "6667, 1234, 5", "6667,",
          ", 1234", "0000001, 2", "6667, 1234 x", "-1, 5", "GET / HTTP/1.0"})
        EXPECT_EQ(AnswerIdentQuery(query, "joe"), "") << query;
    EXPECT_EQ(AnswerIdentQuery(std::string("1, 2\0", 5), "joe"), "");
}

TEST(IdentQuery, UserNameCannotStartAnotherLine) {
    EXPECT_EQ(AnswerIdentQuery("1, 2", "jo\r\ne"), "1, 2 : USERID : Win64 : joe\r\n");
}

class IdentResponderTest : public testing::Test {
protected:
    void SetUp() override {
        savedPort_ = IdentListenPort.load();
        port_ = FreeLoopbackPort();
        IdentListenPort = port_;
        window_.Connection = &connection_;
        connection_.UserName = "joe";
    }
    void TearDown() override {
        StopIdentResponder(&connection_);
        IdentListenPort = savedPort_;
    }
    // Waits (bounded) until the responder has let go of its socket.
    bool IdentSocketCleared() {
        for (int i = 0; i < 100 && connection_.IdentSocket.load(); ++i) Sleep(20);
        return connection_.IdentSocket.load() == 0;
    }

    uint16_t savedPort_ = 113;
    uint16_t port_ = 0;
    ServerConnection connection_;
    WindowRecord window_{nullptr, kServerWindow, nullptr};
};

TEST_F(IdentResponderTest, AnswersOneCallerUntilItHangsUpOrAsksNonsense) {
    connection_.IdentWaited = 1;
    StartIdentResponder(&window_);
    EXPECT_EQ(connection_.IdentWaited, 0);
    ASSERT_NE(connection_.IdentSocket.load(), 0u);
    ASSERT_NE(connection_.IdentThread, nullptr);

    SOCKET caller = ConnectLoopback(port_);
    ASSERT_NE(caller, INVALID_SOCKET);
    ASSERT_TRUE(SendText(caller, "6667, 1234\r\n"));
    EXPECT_EQ(RecvLine(caller), "6667, 1234 : USERID : Win64 : joe\r\n");
    // A query split over two writes is still one query.
    ASSERT_TRUE(SendText(caller, "113,"));
    Sleep(50);
    ASSERT_TRUE(SendText(caller, " 40000\r\n"));
    EXPECT_EQ(RecvLine(caller), "113, 40000 : USERID : Win64 : joe\r\n");
    ASSERT_TRUE(SendText(caller, "who are you?\r\n"));
    EXPECT_EQ(RecvLine(caller), "");
    closesocket(caller);
    EXPECT_TRUE(IdentSocketCleared());

    // One caller only: nobody listens any more.
    EXPECT_EQ(ConnectLoopback(port_), INVALID_SOCKET);
}

TEST_F(IdentResponderTest, IPv6ConnectionGetsAnIPv6Responder) {
    connection_.IsIPv6 = 1;
    StartIdentResponder(&window_);
    SOCKET caller = ConnectLoopback(port_, AF_INET6);
    ASSERT_NE(caller, INVALID_SOCKET);
    ASSERT_TRUE(SendText(caller, "6697, 5000\r\n"));
    EXPECT_EQ(RecvLine(caller), "6697, 5000 : USERID : Win64 : joe\r\n");
    closesocket(caller);
}

TEST_F(IdentResponderTest, PortInUseLetsTheConnectionGoOnAtOnce) {
    LoopbackServer occupant([](SOCKET) {});
    IdentListenPort = occupant.Port();
    const DWORD start = GetTickCount();
    StartIdentResponder(&window_);
    EXPECT_LT(GetTickCount() - start, 10000u);
    EXPECT_EQ(connection_.IdentSocket.load(), 0u);
}

TEST_F(IdentResponderTest, StoppingEndsAResponderThatWaitsForACallerOrForAQuery) {
    StartIdentResponder(&window_);
    ASSERT_NE(connection_.IdentSocket.load(), 0u);
    StopIdentResponder(&connection_); // waits in accept
    EXPECT_EQ(connection_.IdentSocket.load(), 0u);
    EXPECT_EQ(connection_.IdentThread, nullptr);

    StartIdentResponder(&window_);
    SOCKET silent = ConnectLoopback(port_);
    ASSERT_NE(silent, INVALID_SOCKET);
    for (int i = 0; i < 100 && connection_.IdentSocket.load() == 0; ++i) Sleep(10);
    CloseIdentSocket(&connection_); // as the end of the welcome does, while it waits in recv
    CloseIdentSocket(&connection_); // a second close finds nothing to close
    StopIdentResponder(&connection_);
    EXPECT_EQ(connection_.IdentThread, nullptr);
    closesocket(silent);
}

TEST_F(IdentResponderTest, MissingConnectionSignalsAtOnce) {
    WindowRecord bare(nullptr, kServerWindow, nullptr);
    HANDLE event = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE copy = nullptr;
    DuplicateHandle(GetCurrentProcess(), event, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS);
    IdentListenerThread(&bare, copy);
    EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
    CloseHandle(event);
}

TEST_F(IdentResponderTest, ListensOnTheIdentPort) {
    IdentListenPort = 113;
    StartIdentResponder(&window_);
    if (!connection_.IdentSocket.load()) GTEST_SKIP() << "port 113 cannot be bound here";
    SOCKET caller = ConnectLoopback(113);
    ASSERT_NE(caller, INVALID_SOCKET);
    ASSERT_TRUE(SendText(caller, "6667, 1234\r\n"));
    EXPECT_EQ(RecvLine(caller), "6667, 1234 : USERID : Win64 : joe\r\n");
    closesocket(caller);
}

} // namespace
