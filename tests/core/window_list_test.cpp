#include <gtest/gtest.h>

#include "core/record_guards.h"
#include "core/window_list.h"

#include <memory>

namespace {

// Records with chosen creation ticks, listed for the length of one test.
class WindowListTest : public testing::Test {
protected:
    WindowRecord* Make(uint32_t type, WindowRecord* server, uint32_t tick, const char* name) {
        records_.push_back(std::make_unique<WindowRecord>(nullptr, type, server));
        WindowRecord* r = records_.back().get();
        r->CreatedTick = tick;
        r->Name = name;
        if (type == kServerWindow) r->Connection = reinterpret_cast<ServerConnection*>(r);
        InsertWindowRecord(r);
        return r;
    }
    void TearDown() override {
        for (auto& r : records_) EraseWindowRecord(r.get());
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (WindowRecord* r : WindowList) names.push_back(r->Name);
        return names;
    }
    std::vector<std::unique_ptr<WindowRecord>> records_;
};

} // namespace

TEST_F(WindowListTest, RecordsGroupBehindTheirServerWindow) {
    WindowRecord* s1 = Make(kServerWindow, nullptr, 10, "irc.one");
    WindowRecord* s2 = Make(kServerWindow, nullptr, 20, "irc.two");
    Make(kQueryWindow, s1, 30, "bob");
    Make(kChannelWindow, s1, 40, "#b");
    Make(kChannelWindow, s2, 45, "#x");
    Make(kChannelWindow, s1, 50, "#a");
    Make(kDccChatWindow, s1, 35, "carol");
    EXPECT_EQ(Names(), (std::vector<std::string>{"irc.one", "#b", "#a", "bob", "carol", "irc.two", "#x"}));
    EXPECT_EQ(s1->Server, s1);
}

TEST_F(WindowListTest, LookupsByNameAndConnection) {
    WindowRecord* s1 = Make(kServerWindow, nullptr, 10, "irc.one");
    WindowRecord* s2 = Make(kServerWindow, nullptr, 20, "irc.two");
    Make(kDccChatWindow, s1, 30, "Bob");
    Make(kQueryWindow, s1, 40, "bob");
    Make(kChannelWindow, s2, 50, "#Chan");
    EXPECT_EQ(FindWindowRecordIndex("BOB", s1->Connection), 1u); // the query, never the DCC chat
    EXPECT_EQ(FindWindowRecordIndex("#chan", s1->Connection), kNoWindowIndex);
    EXPECT_EQ(FindWindowRecordIndex("#chan", s2->Connection), 4u);
    EXPECT_EQ(FindWindowRecordIndex("irc.two", s2->Connection), 3u);
    EXPECT_EQ(FindWindowRecordIndex("bob", nullptr), kNoWindowIndex);
    EXPECT_EQ(FindDccChatWindowIndex("bob"), 2u);
    EXPECT_EQ(GetWindowRecordAt(99), nullptr);
    EXPECT_EQ(GetWindowRecordIndex(nullptr), kNoWindowIndex);
}

TEST(RecordGuards, RefuseMissingOrWrongWindows) {
    WindowRecord channel(nullptr, kChannelWindow, nullptr);
    EXPECT_THROW(RequireWindow(nullptr), int);
    EXPECT_NO_THROW(RequireWindow(&channel));
    EXPECT_NO_THROW(RequireWindowType(&channel, kChannelWindow));
    EXPECT_THROW(RequireWindowType(&channel, kQueryWindow), int);
    EXPECT_THROW(RequireWindowType(nullptr, kChannelWindow), int);
    EXPECT_THROW(RejectWindowType(&channel, kChannelWindow), int);
    EXPECT_NO_THROW(RejectWindowType(&channel, kServerWindow));
}
