#include <gtest/gtest.h>

#include "core/resource_library.h"
#include "shell/menus/server_menu.h"
#include "common/xstring.h"
#include "tests/shell/shell_test_files.h"
#include "ui/server_dialogs.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

class ServerMenu : public testing::Test {
protected:
    void SetUp() override {
        menu_ = CreateMenu();
        connect_ = CreatePopupMenu();
        AppendMenuW(connect_, MF_STRING, 801, L"Connect...");
        AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(connect_), L"Connect");
        window_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ResourceModule = BuiltLibrary(L"qvres.dll");
    }
    void TearDown() override {
        UserConfigDocument = nullptr;
        XmlDocumentDestroy(&config_);
        ResourceModule = nullptr;
        DestroyWindow(window_);
        DestroyMenu(menu_);
    }
    void Open(const char* text) {
        XmlDocumentOpenText(&config_, text);
        UserConfigDocument = &config_;
    }
    std::vector<std::wstring> Items() {
        std::vector<std::wstring> items;
        for (int i = 1; i < GetMenuItemCount(connect_); ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(connect_, i, text, 256, MF_BYPOSITION);
            items.push_back(std::to_wstring(GetMenuItemID(connect_, i)) + L" " + text);
        }
        return items;
    }
    std::vector<WPARAM> PostedCommands() {
        std::vector<WPARAM> posted;
        MSG message;
        while (PeekMessageW(&message, window_, WM_COMMAND, WM_COMMAND, PM_REMOVE))
            posted.push_back(message.wParam);
        return posted;
    }

    XmlDocument config_;
    HMENU menu_ = nullptr, connect_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(ServerMenu, SavedServersBecomeItemsAndAutomaticOnesAreConnected) {
    Open("<?xml version=\"1.0\" ?><qv><Servers>"
         "<s name=\"First\" Auto_Connect=\"0\" /><s /><s name=\"Caf\xC3\xA9\" Auto_Connect=\"1\" "
         "/></Servers></qv>");
    BuildServerMenu(menu_, window_);
    EXPECT_EQ(Items(), (std::vector<std::wstring>{L"6001 First", L"6002 ", L"6003 Caf\u00E9"}));
    EXPECT_EQ(PostedCommands(), std::vector<WPARAM>{6003});
    // The nameless server gained empty values.
    XmlElement* second = XmlElementGetChild(XmlElementFindPath(XmlDocumentGetRoot(&config_), "Servers"), 1);
    EXPECT_NE(XmlElementFindVariable(second, "name"), nullptr);
    EXPECT_NE(XmlElementFindVariable(second, "Auto_Connect"), nullptr);
}

TEST_F(ServerMenu, MissingListIsSeededFromTheResourceLibrary) {
    Open("<?xml version=\"1.0\" ?><qv><Cfg /></qv>");
    BuildServerMenu(menu_, window_);
    XmlElement* servers = XmlElementFindPath(XmlDocumentGetRoot(&config_), "Servers");
    ASSERT_NE(servers, nullptr);
    EXPECT_GE(XmlElementGetChildCount(servers), 1u);
    EXPECT_EQ(Items().size(), XmlElementGetChildCount(servers));
    EXPECT_EQ(Items()[0].rfind(L"6001 ", 0), 0u);
    EXPECT_TRUE(PostedCommands().empty());
}

// Every entry a new user finds is one the connect dialog connects to as it stands: a name, host
// names and a port it takes. No test connects to the public networks.
TEST_F(ServerMenu, EveryDefaultServerHasANameHostsAndAPortTheConnectDialogTakes) {
    Open("<?xml version=\"1.0\" ?><qv />");
    BuildServerMenu(menu_, window_);
    XmlElement* servers = XmlElementFindPath(XmlDocumentGetRoot(&config_), "Servers");
    ASSERT_NE(servers, nullptr);
    std::set<std::string> groups;
    for (uint32_t i = 0; i < XmlElementGetChildCount(servers); ++i) {
        XmlElement* server = XmlElementGetChild(servers, i);
        auto value = [&](const char* name) {
            return XmlVariableGetValueString(XmlElementFindVariable(server, name));
        };
        const std::string name = value("name");
        EXPECT_FALSE(name.empty()) << "entry " << i;
        EXPECT_FALSE(value("Group").empty()) << name;
        groups.insert(value("Group"));
        std::istringstream hosts(value("Address"));
        size_t count = 0;
        for (std::string host; hosts >> host; ++count) {
            const bool plain =
                host.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789.-") == std::string::npos;
            EXPECT_TRUE(plain && host.front() != '.' && host.back() != '.' && host.front() != '-')
                << name << ": " << host;
        }
        EXPECT_GE(count, 1u) << name;
        uint16_t port = 0;
        const std::string text = value("Port");
        EXPECT_TRUE(ParseConnectPort(NarrowToWide(text), port) && std::to_string(port) == text)
            << name << ": " << text;
        EXPECT_TRUE(value("SSL") == "0" || value("SSL") == "1") << name;
    }
    EXPECT_TRUE(groups.count("Libera.Chat") && groups.count("Local"));
    EXPECT_GE(groups.size(), 9u);
}

TEST_F(ServerMenu, WithoutTheResourceLibraryTheListStaysEmpty) {
    ResourceModule = nullptr;
    Open("<?xml version=\"1.0\" ?><qv />");
    BuildServerMenu(menu_, window_);
    XmlElement* servers = XmlElementFindPath(XmlDocumentGetRoot(&config_), "Servers");
    ASSERT_NE(servers, nullptr);
    EXPECT_EQ(XmlElementGetChildCount(servers), 0u);
    EXPECT_TRUE(Items().empty());
}

} // namespace
