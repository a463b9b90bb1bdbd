#include <gtest/gtest.h>

#include "irc/remembered_user.h"
#include "irc/user_address.h"
#include "tests/support/irc_test_support.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_profile.h"

TEST(UserAddress, PrefixForms) {
    struct Case {
        const char* prefix;
        const char* nick;
        const char* user;
        const char* host;
    } cases[] = {
        {":nick!user@host.example.org", "nick", "user", "host.example.org"},
        {"nick!user@host.example.org", "nick", "user", "host.example.org"},
        {":irc.server.net", "irc.server.net", "old-user", "old-host"},
        {"nick!user", "nick", "user", "old-host"},
        {":a!b@c@d", "a", "b", "c@d"},
        {"", "", "old-user", "old-host"},
    };
    for (const Case& c : cases) {
        UserAddress address{"old-nick", "old-user", "old-host"};
        ParseIrcPrefix(c.prefix, address);
        EXPECT_EQ(address.Nick, c.nick) << c.prefix;
        EXPECT_EQ(address.User, c.user) << c.prefix;
        EXPECT_EQ(address.Host, c.host) << c.prefix;
    }
}

TEST(UserAddress, EveryMaskStyleForNumericAndNameHosts) {
    const char* numeric[] = {"n!*@*.*", "*!u@*.*",      "*!*@*.5",      "*!*@10.0.0.*", "n!u@*.*",
                             "n!*@*.5", "n!*@10.0.0.*", "*!u@*.5",      "*!u@10.0.0.*", "*!*@10.0.0.5",
                             "n!u@*.5", "n!u@10.0.0.*", "n!*@10.0.0.5", "*!u@10.0.0.5", "n!u@10.0.0.5"};
    const char* named[] = {"n!*@*.*",
                           "*!u@*.*",
                           "*!*@host.*",
                           "*!*@*.example.org",
                           "n!u@*.*",
                           "n!*@host.*",
                           "n!*@*.example.org",
                           "*!u@host.*",
                           "*!u@*.example.org",
                           "*!*@host.example.org",
                           "n!u@host.*",
                           "n!u@*.example.org",
                           "n!*@host.example.org",
                           "*!u@host.example.org",
                           "n!u@host.example.org"};
    const UserAddress name{"n", "u", "host.example.org"};
    for (uint32_t style = 0; style < kAddressMaskStyles; ++style) {
        std::string out;
        MakeAddressMask(nullptr, out, ":n!u@10.0.0.5", style, nullptr);
        EXPECT_EQ(out, numeric[style]) << style;
        MakeAddressMask(nullptr, out, "x!y@z", style, &name);
        EXPECT_EQ(out, named[style]) << style;
    }
    // Not quite an address: five numbers, or a number above 255, is a name.
    std::string out = "unchanged";
    MakeAddressMask(nullptr, out, "n!u@1.2.3.4.5", 2, nullptr);
    EXPECT_EQ(out, "*!*@1.*");
    MakeAddressMask(nullptr, out, "n!u@1.2.3.256", 3, nullptr);
    EXPECT_EQ(out, "*!*@*.2.3.256");
    MakeAddressMask(nullptr, out, "n!u@localhost", 3, nullptr);
    EXPECT_EQ(out, "*!*@*.");
    MakeAddressMask(nullptr, out, "n!u@h", 15, nullptr);
    EXPECT_EQ(out, "*!*@*.");
}

TEST(UserAddress, MaskListFillsAComboBox) {
    HWND combo =
        CreateWindowW(L"COMBOBOX", L"", CBS_DROPDOWNLIST, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    FillAddressMaskList(combo, nullptr, UserAddress{"n\xC3\xA9", "u", "10.0.0.5"});
    EXPECT_EQ(SendMessageW(combo, CB_GETCOUNT, 0, 0), 15);
    EXPECT_EQ(SendMessageW(combo, CB_GETCURSEL, 0, 0), 9);
    wchar_t text[100] = {};
    SendMessageW(combo, CB_GETLBTEXT, 14, reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, L"n\u00E9!u@10.0.0.5");
    DestroyWindow(combo);
}

TEST(RememberedUsers, MatchingAndTheLimit) {
    ServerWindow server;
    UserAddress query{"bob", "", ""};
    EXPECT_EQ(FindRememberedUser(server.Record(), query), nullptr);
    EXPECT_EQ(FindRememberedUser(nullptr, query), nullptr);
    EXPECT_EQ(RememberUser(nullptr, query), nullptr);

    RememberedUser* first = RememberUser(server.Record(), {"b?b", "*", "*.example.org"});
    RememberUser(server.Record(), {"*", "ident", "host"});
    query = {"BOB", "x", "y"};
    EXPECT_EQ(FindRememberedUser(server.Record(), query), first); // case is ignored
    EXPECT_EQ(query.Nick, "b?b");
    EXPECT_EQ(query.Host, "*.example.org");
    query = {"carol", "", ""}; // the "*" nick pattern takes every nick
    EXPECT_EQ(FindRememberedUser(server.Record(), query)->IdentPattern, "ident");
    query = {"", "", "a.example.org"}; // no nick: by host
    EXPECT_EQ(FindRememberedUser(server.Record(), query), first);
    query = {"", "", ""};
    EXPECT_EQ(FindRememberedUser(server.Record(), query), nullptr);

    for (int i = 0; i < 99; ++i) RememberUser(server.Record(), {"n" + std::to_string(i), "", ""});
    EXPECT_EQ(server.Connection().RememberedUsers.size(), 100u);
    EXPECT_EQ(server.Connection().RememberedUsers.front().NickPattern, "*"); // the first went
}

TEST(RememberedUsers, LimitFromTheSettings) {
    XmlDocument settings;
    XmlDocumentOpenText(&settings, "<?xml ?><root><Cfg><Options1 Max_Users_Remembered=\"0\"/></Cfg></root>");
    UserConfigDocument = &settings;
    ServerWindow server;
    RememberUser(server.Record(), {"a", "", ""});
    RememberedUser* kept = RememberUser(server.Record(), {"b", "", ""});
    EXPECT_EQ(server.Connection().RememberedUsers.size(), 1u); // never the entry just made
    EXPECT_EQ(kept->NickPattern, "b");
    UserConfigDocument = nullptr;
}
