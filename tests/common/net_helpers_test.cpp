#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>

#include "common/net_helpers.h"
#include "common/script_number.h"

namespace {

class NetHelpers : public testing::Test {
protected:
    static void SetUpTestSuite() {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    static void TearDownTestSuite() { WSACleanup(); }
};

TEST(FormatIPv6, EightFullGroupsInNetworkOrder) {
    const uint8_t loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
    EXPECT_EQ(FormatIPv6(loopback), "0000:0000:0000:0000:0000:0000:0000:0001");
    const uint8_t mixed[16] = {0x20, 0x01, 0x0d, 0xb8, 0xab, 0xcd, 0,    0x0f,
                               0xff, 0xff, 0x10, 0,    0,    0,    0xfe, 0x80};
    EXPECT_EQ(FormatIPv6(mixed), "2001:0DB8:ABCD:000F:FFFF:1000:0000:FE80");
}

TEST_F(NetHelpers, ResolvesAddressesOfOneFamily) {
    char buffer[128] = {};
    ASSERT_EQ(ResolveHost("127.0.0.1", 6667, 0, buffer, sizeof buffer, AF_INET), sizeof(sockaddr_in));
    const auto* v4 = reinterpret_cast<const sockaddr_in*>(buffer);
    EXPECT_EQ(v4->sin_family, AF_INET);
    EXPECT_EQ(ntohs(v4->sin_port), 6667);
    EXPECT_EQ(ntohl(v4->sin_addr.s_addr), 0x7F000001u);

    std::memset(buffer, 0, sizeof buffer);
    ASSERT_EQ(ResolveHost("::1", 53, 1, buffer, sizeof buffer, AF_INET6), sizeof(sockaddr_in6));
    const auto* v6 = reinterpret_cast<const sockaddr_in6*>(buffer);
    EXPECT_EQ(v6->sin6_family, AF_INET6);
    EXPECT_EQ(ntohs(v6->sin6_port), 53);
    uint8_t bytes[16];
    std::memcpy(bytes, &v6->sin6_addr, 16);
    EXPECT_EQ(FormatIPv6(bytes), "0000:0000:0000:0000:0000:0000:0000:0001");

    EXPECT_EQ(ResolveHost("localhost", 80, 0, buffer, sizeof buffer, AF_INET), sizeof(sockaddr_in));
    EXPECT_EQ(ntohl(reinterpret_cast<const sockaddr_in*>(buffer)->sin_addr.s_addr), 0x7F000001u);
}

TEST_F(NetHelpers, ResolveFailuresGiveZero) {
    char buffer[128] = {};
    EXPECT_EQ(ResolveHost("::1", 80, 0, buffer, sizeof buffer, AF_INET), 0u);
    // An address that does not fit the caller's buffer is not written.
    char small[8] = {};
    EXPECT_EQ(ResolveHost("127.0.0.1", 80, 0, small, sizeof small, AF_INET), 0u);
    EXPECT_EQ(std::string(small, 8), std::string(8, '\0'));
}

TEST_F(NetHelpers, RecvAllReadsUntilTheLengthOrTheEnd) {
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_NE(listener, INVALID_SOCKET);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    SOCKET client = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    SOCKET server = accept(listener, nullptr, nullptr);
    ASSERT_NE(server, INVALID_SOCKET);

    // Sent in small chunks, each once the reader took what came before, so one recv cannot take
    // it all.
    std::thread sender([client, server] {
        const std::string data = "0123456789abcdefghijKLMNOPQRST";
        for (size_t at = 0; at < data.size(); at += 7) {
            send(client, data.c_str() + at, static_cast<int>(std::min<size_t>(7, data.size() - at)), 0);
            u_long waiting = 1;
            for (int i = 0; i < 2000 && ioctlsocket(server, FIONREAD, &waiting) == 0 && waiting > 0; ++i)
                Sleep(5);
        }
        shutdown(client, SD_SEND);
    });
    char buffer[64] = {};
    EXPECT_EQ(RecvAll(server, buffer, 20, 0), 20u);
    EXPECT_EQ(std::string(buffer, 20), "0123456789abcdefghij");
    // Only 10 bytes remain before the sender closes: the count says so.
    EXPECT_EQ(RecvAll(server, buffer, 40, 0), 10u);
    EXPECT_EQ(std::string(buffer, 10), "KLMNOPQRST");
    sender.join();

    closesocket(client);
    closesocket(server);
    closesocket(listener);
}

TEST(ScriptValueToInt64, SkipsBlanksAndQuotesThenReadsDecimal) {
    EXPECT_EQ(ScriptValueToInt64("42"), 42);
    EXPECT_EQ(ScriptValueToInt64(" \t\"'42\""), 42);
    EXPECT_EQ(ScriptValueToInt64("-17abc"), -17);
    EXPECT_EQ(ScriptValueToInt64("+5"), 5);
    EXPECT_EQ(ScriptValueToInt64("3.9"), 3);
    EXPECT_EQ(ScriptValueToInt64("abc"), 0);
    EXPECT_EQ(ScriptValueToInt64(""), 0);
    EXPECT_EQ(ScriptValueToInt64("\"\""), 0);
    EXPECT_EQ(ScriptValueToInt64("0x10"), 0);
    EXPECT_EQ(ScriptValueToInt64("9223372036854775807"), INT64_MAX);
    EXPECT_EQ(ScriptValueToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(ScriptValueToInt64("99999999999999999999"), INT64_MAX);
    EXPECT_EQ(ScriptValueToInt64("4294967296"), int64_t(4294967296LL));
}

} // namespace
