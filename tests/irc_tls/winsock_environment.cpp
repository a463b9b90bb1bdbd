// Winsock for the whole test program, as start-up provides it for the real one.
#include <gtest/gtest.h>

#include <winsock2.h>

namespace {

class WinsockEnvironment : public testing::Environment {
public:
    void SetUp() override {
        WSADATA data{};
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
    }
    void TearDown() override { WSACleanup(); }
};

const testing::Environment* const Registered = testing::AddGlobalTestEnvironment(new WinsockEnvironment);

} // namespace
