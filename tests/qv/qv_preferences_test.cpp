// The preferences window of a running qv, driven from outside as a user would: opened from the
// menu and from "/prefs", values edited in its grid, new entries made from their templates, a
// colour and a font changed through the system's choosers, the settings applied and saved on
// close, and a download from the extras catalogue that is installed only once the user agrees.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/python_http_server.h"
#include "tests/support/remote_list_view.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"
#include "ui/grid_control.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"

#include <commctrl.h>

#include <memory>
#include <regex>
#include <set>
#include <string>

namespace {

constexpr DWORD kWait = kQvWait;
constexpr const wchar_t* kEditorClass = L"XML_XDB_CLASS";

class QvWithPreferences {
public:
    explicit QvWithPreferences(uint16_t port, const std::string& extras = "")
        : folder_({L"qv.exe", L"qvlang.dll", L"qvres.dll"}) {
        const std::wstring data = folder_.UserDataFolder();
        CreateDirectoryW((folder_.Path() + L"\\UCFG").c_str(), nullptr);
        CreateDirectoryW(data.c_str(), nullptr);
        WriteFileBytes(data + L"\\qv.xml",
                       "<?xml version=\"1.0\" ?>\r\n<qv><Cfg><Options1 Default_Nick=\"quser\" />"
                       "<Colors BG_Color=\"16777215\" /><Fonts View_Font=\"\" /><Proxy_List />"
                       "<Appearance Message_Format=\"$nick: $message\" />"
                       "</Cfg><Servers/><Scripts/><Notes/></qv>");
        if (!extras.empty()) WriteFileBytes(folder_.Path() + L"\\extras.xml", extras);
        Start(port);
    }
    // qv again in the same folder, with the settings it saved.
    void Start(uint16_t port) {
        qv_ = std::make_unique<QvProcess>(folder_.Path(), L"-port1 -e \"/server 127.0.0.1:" +
                                                              std::to_wstring(port) + L"/#test\"");
    }
    bool Open() {
        return Eventually([&] { return (frame_ = qv_->FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; },
                          kWait) &&
               Eventually([&] { return (channel_ = FindChatWindow(frame_, L"#test")) != nullptr; }, kWait);
    }
    HWND Preferences() const { return qv_->FindTopWindow(kEditorClass); }
    HWND OpenPreferences(const std::wstring& section) {
        HWND input = GetDlgItem(channel_, 902);
        TypeLine(input, L"/prefs " + section);
        // Once the line has left the input box, the command it posts is queued before anything
        // the test posts next.
        Eventually([&] { return WindowText(input).empty(); }, kWait);
        HWND window = nullptr;
        Eventually([&] { return (window = Preferences()) != nullptr; }, kWait);
        return window;
    }
    bool ClosePreferences(HWND window) {
        PostMessageW(window, WM_CLOSE, 0, 0);
        return Eventually([&] { return !IsWindow(window); }, kWait);
    }
    // Opens the editor on the value of a row of the grid, as a second click would.
    static void EditRow(HWND window, int row) {
        HWND grid = GetDlgItem(window, 1001);
        // The window shows before its section is selected and its rows are listed.
        Eventually([&] { return SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0) > row; }, kWait);
        PostMessageW(grid, kGridEditCell, static_cast<WPARAM>(row), 1);
    }
    static HWND GridEditor(HWND window) {
        HWND editor = nullptr;
        Eventually(
            [&] { return (editor = FindWindowExW(GetDlgItem(window, 1001), nullptr, L"gridedit", nullptr)); },
            kWait);
        return editor;
    }
    HWND Dialog(const std::wstring& text) {
        HWND dialog = nullptr;
        Eventually([&] { return (dialog = qv_->FindDialogWith(text)) != nullptr; }, kWait);
        return dialog;
    }
    std::string SavedFile() { return ReadFileBytes(folder_.UserDataFolder() + L"\\qv.xml"); }
    std::string Setting(const char* section, const char* key) { return folder_.SavedSetting(section, key); }
    std::wstring UserData() const { return folder_.UserDataFolder(); }
    bool Close() {
        PostMessageW(frame_, WM_CLOSE, 0, 0);
        DWORD code = 1;
        return qv_->WaitExit(kWait, code);
    }

    HWND frame_ = nullptr;
    HWND channel_ = nullptr;

private:
    PortableFolder folder_;
    std::unique_ptr<QvProcess> qv_;
};

// True once the client has seen qv join the channel that many times.
bool QvJoined(const IrcClient& client, int times) {
    return Eventually(
        [&] {
            int joins = 0;
            for (const auto& received : client.Lines())
                if (received.Line.find(":quser!") == 0 && received.Line.find(" JOIN ") != std::string::npos)
                    ++joins;
            return joins >= times;
        },
        kWait);
}

void TypeInto(HWND edit, const std::wstring& text) {
    PostMessageW(edit, EM_SETSEL, 0, -1);
    for (wchar_t c : text) PostMessageW(edit, WM_CHAR, c, 0);
}

// A pixel of the view's background: low on the left, clear of the lines and the scroll bar.
COLORREF BackgroundPixel(HWND window) {
    RECT box{};
    GetWindowRect(window, &box);
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, box.left + 30, box.bottom - 30);
    ReleaseDC(nullptr, screen);
    return pixel;
}

// Every key of a new user's settings that reads as a key ("Group_Chat_Messages", "FRibbon_Color",
// "name"), as the list would show it untranslated; a capitalised word ("Port") reads as it is.
std::set<std::wstring> RawKeys() {
    std::set<std::wstring> keys;
    const std::regex attribute("([A-Za-z][A-Za-z0-9_]*)=\""), word("[A-Z][a-z]*");
    for (const char* file : {"/res/default_user_cfg.xml", "/res/default_servers.xml"}) {
        const std::string text = ReadFileBytes(NarrowToWide(std::string(BRINDLEX_SOURCE_DIR) + file));
        for (std::sregex_iterator at(text.begin(), text.end(), attribute), end; at != end; ++at) {
            std::string key = (*at)[1];
            if (std::regex_match(key, word)) continue;
            std::replace(key.begin(), key.end(), '_', ' ');
            keys.insert(NarrowToWide(key));
        }
    }
    return keys;
}

HTREEITEM NextItem(HWND tree, UINT relation, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

// Every item of the tree in order, each with the label of its top-level section.
void ExpandAndList(HWND tree, HTREEITEM parent, const std::wstring& section,
                   std::vector<std::pair<HTREEITEM, std::wstring>>& out) {
    for (HTREEITEM item = NextItem(tree, TVGN_CHILD, parent); item; item = NextItem(tree, TVGN_NEXT, item)) {
        SendMessageW(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
        const std::wstring top = section.empty() ? RemoteTreeItemText(tree, item) : section;
        out.emplace_back(item, top);
        ExpandAndList(tree, item, top, out);
    }
}

COLORREF ScreenPixel(HWND window, POINT point) {
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    const COLORREF pixel = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    return pixel;
}

} // namespace

// Every page of the preferences of a new user's settings, as a user reads them: no label cut
// short in the tree or the list, no setting shown by its raw key, no value as raw escapes or an
// unreadable font, each colour with a swatch of it. The event scripts page lists the events, and
// New adds an event script whose event is picked from them; it is saved with its text.
TEST(QvPreferences, EveryPageReadsWholeAndAnEventScriptIsAdded) {
    PortableFolder folder({L"qv.exe", L"qvlang.dll", L"qvres.dll", L"extras.xml"});
    ASSERT_TRUE(WriteFirstSettings(folder, {{"Default_Nick=\"\"", "Default_Nick=\"quser\""}}));
    QvProcess qv(folder.Path(), L"-port1");
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    PostMessageW(frame, WM_COMMAND, 811, 0);
    HWND window = nullptr;
    ASSERT_TRUE(Eventually([&] { return (window = qv.FindTopWindow(kEditorClass)) != nullptr; }, kWait));
    HWND tree = GetDlgItem(window, 1000), grid = GetDlgItem(window, 1001), pane = GetDlgItem(window, 1002);
    ASSERT_TRUE(Eventually([&] { return NextItem(tree, TVGN_ROOT, nullptr) != nullptr; }, kWait));

    LOGFONTW shape{};
    GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof shape, &shape);
    shape.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectW(&shape);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bold);
    const std::set<std::wstring> rawKeys = RawKeys();
    const std::set<std::wstring> catalogue = {L"Languages", L"Plugins", L"Skins", L"Premade Scripts"};
    std::vector<std::pair<HTREEITEM, std::wstring>> items;
    ExpandAndList(tree, NextItem(tree, TVGN_ROOT, nullptr), L"", items);
    ASSERT_GT(items.size(), 30u);
    int colours = 0, unchosen = 0;
    for (const auto& [item, section] : items) {
        SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
        const std::wstring page = RemoteTreeItemText(tree, item);
        RECT client{}, label = RemoteTreeItemTextRect(tree, item);
        GetClientRect(tree, &client);
        EXPECT_LE(label.right, client.right) << "tree label cut short: " << WideToNarrow(page);
        const int nameWidth = static_cast<int>(SendMessageW(grid, LVM_GETCOLUMNWIDTH, 0, 0));
        for (int row = 0, rows = static_cast<int>(SendMessageW(grid, LVM_GETITEMCOUNT, 0, 0)); row < rows;
             ++row) {
            const std::wstring name = RemoteListItemText(grid, row, 0),
                               value = RemoteListItemText(grid, row, 1);
            const std::string where = WideToNarrow(page + L": " + name + L" = " + value);
            SIZE extent{};
            GetTextExtentPoint32W(dc, name.c_str(), static_cast<int>(name.size()), &extent);
            const int boxes =
                SendMessageW(grid, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & LVS_EX_CHECKBOXES ? 16 : 0;
            EXPECT_LE(extent.cx + boxes + 12, nameWidth) << "cut short: " << where;
            EXPECT_FALSE(!catalogue.contains(section) && rawKeys.contains(name)) << "raw key: " << where;
            EXPECT_EQ(value.find(L"\\x"), std::wstring::npos) << where;
            // Only a font or format never chosen reads so; the voice formats have none by default.
            if (value == L"<...>") {
                ++unchosen;
                EXPECT_TRUE(name == L"Format heard" || name == L"Format sent") << "unreadable: " << where;
            }
            EXPECT_TRUE(std::none_of(value.begin(), value.end(), [](wchar_t c) { return c < L' '; }))
                << where;
            unsigned r = 0, g = 0, b = 0;
            if (swscanf(value.c_str(), L"%u,%u,%u", &r, &g, &b) != 3) continue;
            // The swatch begins a few pixels into the cell, at its left.
            const RECT cell = RemoteListCellRect(grid, row, 1);
            const POINT inside{cell.left + 8, (cell.top + cell.bottom) / 2};
            EXPECT_TRUE(Eventually([&] { return ScreenPixel(grid, inside) == RGB(r, g, b); }, kWait))
                << "no swatch: " << where;
            ++colours;
        }
    }
    EXPECT_GE(colours, 10);
    EXPECT_EQ(unchosen, 2);
    DeleteDC(dc);
    DeleteObject(bold);

    // The event scripts page lists the events; New adds a script for one, picked from them all.
    HTREEITEM events = nullptr;
    for (const auto& [item, section] : items)
        if (section == L"Event scripts") events = item;
    ASSERT_NE(events, nullptr);
    SendMessageW(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(events));
    EXPECT_TRUE(
        Eventually([&] { return WindowText(pane).find(L"On_Connect_2") != std::wstring::npos; }, kWait));
    SendMessageW(window, WM_COMMAND, 902, 0);
    ASSERT_TRUE(Eventually([&] { return NextItem(tree, TVGN_CHILD, events) != nullptr; }, kWait));
    QvWithPreferences::EditRow(window, 0);
    HWND choices = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (choices = FindWindowExW(grid, nullptr, L"gridcb", nullptr)); }, kWait));
    EXPECT_GT(SendMessageW(choices, CB_GETCOUNT, 0, 0), 10);
    SendMessageW(choices, CB_SETCURSEL, 2, 0); // the third event: On_Connect_2
    PostMessageW(choices, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(choices); }, kWait));
    EXPECT_EQ(RemoteTreeItemText(tree, NextItem(tree, TVGN_CHILD, events)), L"On_Connect_2");
    SendMessageW(pane, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"/echo connected"));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(window); }, kWait));
    XmlDocument saved;
    XmlDocumentOpenFile(&saved, (folder.UserDataFolder() + L"\\qv.xml").c_str());
    XmlElement* added = XmlElementFindPath(XmlDocumentGetRoot(&saved), "Special_Scripts\\e");
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(added, "name")), "On_Connect_2");
    std::string body;
    EXPECT_TRUE(XmlElementGetBodyText(added, body));
    EXPECT_EQ(body, "/echo connected");
    // The list of events was a guide, not the text of the section.
    std::string sectionText;
    XmlElementGetBodyText(XmlElementGetParent(added), sectionText);
    EXPECT_EQ(sectionText.find("On_Connect_1"), std::string::npos);
    XmlDocumentDestroy(&saved);
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
}

TEST(QvPreferences, EditsTemplatesChoosersAndSavingOnClose) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));
    QvWithPreferences qv(server.Port());
    ASSERT_TRUE(qv.Open());
    ASSERT_TRUE(QvJoined(friendly, 1));
    HWND view = GetDlgItem(qv.channel_, 901);
    friendly.Send("PRIVMSG #test :\x02"
                  "boldold\x02 plainold");
    ASSERT_TRUE(Eventually([&] { return WindowText(view).find(L"plainold") != std::wstring::npos; }, kWait));
    CHARFORMAT2W before{};
    ASSERT_TRUE(RemoteCharFormat(view, L"boldold", before));

    // From the menu; a second request brings the same window forward.
    PostMessageW(qv.frame_, WM_COMMAND, 811, 0);
    HWND window = nullptr;
    ASSERT_TRUE(Eventually([&] { return (window = qv.Preferences()) != nullptr; }, kWait));
    SendMessageW(qv.frame_, WM_COMMAND, 811, 0); // handled before it returns
    EXPECT_EQ(qv.Preferences(), window);
    EXPECT_EQ(FindWindowExW(nullptr, window, kEditorClass, nullptr), nullptr);
    ASSERT_TRUE(qv.ClosePreferences(window));

    // "/prefs Cfg\Options1" selects that section: its first value is the nick.
    window = qv.OpenPreferences(L"Cfg\\Options1");
    ASSERT_NE(window, nullptr);
    QvWithPreferences::EditRow(window, 0);
    HWND editor = QvWithPreferences::GridEditor(window);
    ASSERT_NE(editor, nullptr);
    TypeInto(editor, L"prefnick");
    PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(editor); }, kWait));
    ASSERT_TRUE(qv.ClosePreferences(window));
    EXPECT_EQ(qv.Setting("Cfg\\Options1", "Default_Nick"), "prefnick");

    // New entries from their templates.
    for (const wchar_t* section : {L"Servers", L"Scripts", L"Notes", L"Cfg\\Proxy_List"}) {
        window = qv.OpenPreferences(section);
        ASSERT_NE(window, nullptr);
        PostMessageW(window, WM_COMMAND, 902, 0);
        ASSERT_TRUE(qv.ClosePreferences(window));
    }
    const std::string saved = qv.SavedFile();
    EXPECT_NE(saved.find("Port=\"6667\""), std::string::npos);
    EXPECT_NE(saved.find("__Auto_Connect=\"0|||1\""), std::string::npos);
    EXPECT_NE(saved.find("Trigger=\"/SCRIPT\""), std::string::npos);
    EXPECT_NE(saved.find("name=\"Note\""), std::string::npos);
    EXPECT_NE(saved.find("__Type=\"0|||1|||2|||3\""), std::string::npos);

    // A colour through the colour chooser, seen on the channel's view once the window closes.
    SaveScreenshot(qv.frame_, ScreenshotFolder() + L"\\qv_preferences_before.png");
    const COLORREF backgroundBefore = BackgroundPixel(view);
    window = qv.OpenPreferences(L"Cfg\\Colors");
    ASSERT_NE(window, nullptr);
    QvWithPreferences::EditRow(window, 0);
    HWND colours = qv.Dialog(L"Color");
    ASSERT_NE(colours, nullptr);
    TypeInto(GetDlgItem(colours, 706), L"0");
    TypeInto(GetDlgItem(colours, 707), L"128");
    TypeInto(GetDlgItem(colours, 708), L"255");
    ASSERT_TRUE(Eventually([&] { return WindowText(GetDlgItem(colours, 708)) == L"255"; }, kWait));
    PostMessageW(colours, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(colours); }, kWait));

    // A font through the font chooser.
    ASSERT_TRUE(qv.ClosePreferences(window));
    window = qv.OpenPreferences(L"Cfg\\Fonts");
    ASSERT_NE(window, nullptr);
    QvWithPreferences::EditRow(window, 0);
    HWND fonts = qv.Dialog(L"Font");
    ASSERT_NE(fonts, nullptr);
    HWND size = FindWindowExW(GetDlgItem(fonts, 0x472), nullptr, L"Edit", nullptr);
    TypeInto(size, L"28");
    ASSERT_TRUE(Eventually([&] { return WindowText(size) == L"28"; }, kWait));
    PostMessageW(fonts, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(fonts); }, kWait));
    ASSERT_TRUE(qv.ClosePreferences(window));

    EXPECT_EQ(qv.Setting("Cfg\\Colors", "BG_Color"), std::to_string(RGB(0, 128, 255)));
    EXPECT_FALSE(qv.Setting("Cfg\\Fonts", "View_Font").empty());
    EXPECT_TRUE(Eventually([&] { return BackgroundPixel(view) != backgroundBefore; }, kWait));

    // The chosen font is used for the next line at once; the line shown before keeps its look.
    friendly.Send("PRIVMSG #test :fontnew");
    ASSERT_TRUE(Eventually([&] { return WindowText(view).find(L"fontnew") != std::wstring::npos; }, kWait));
    CHARFORMAT2W old{}, fresh{};
    ASSERT_TRUE(RemoteCharFormat(view, L"boldold", old));
    ASSERT_TRUE(RemoteCharFormat(view, L"fontnew", fresh));
    EXPECT_TRUE(old.dwEffects & CFE_BOLD);
    EXPECT_EQ(old.yHeight, before.yHeight);
    EXPECT_STREQ(old.szFaceName, before.szFaceName);
    EXPECT_GE(fresh.yHeight, 27 * 20); // 28 points, in twips
    SaveScreenshot(qv.frame_, ScreenshotFolder() + L"\\qv_preferences_after.png");
    EXPECT_TRUE(qv.Close());
}

TEST(QvPreferences, CatalogueDownloadsUnderABaseNameAndInstallOnlyWhenTheUserAgrees) {
    PythonHttpServer http;
    ASSERT_TRUE(http.WaitReady());
    ASSERT_TRUE(http.Serve(L"evil.dll", "MZ not really a plug-in"));
    ASSERT_TRUE(http.Serve(L"other.dll", "MZ not really a language"));
    std::wstring url = http.Url(L"evil.dll");
    url.insert(url.rfind(L'/') + 1, L"..\\"); // the catalogue names "..\evil.dll"
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    QvWithPreferences qv(server.Port(),
                         "<?xml version=\"1.0\" ?>\r\n<extras><Plugins><p name=\"Evil\" Download=\"" +
                             WideToNarrow(url) + "\" /></Plugins><Languages><l name=\"Other\" Download=\"" +
                             WideToNarrow(http.Url(L"other.dll")) + "\" /></Languages></extras>");
    ASSERT_TRUE(qv.Open());

    for (const int answer : {IDNO, IDYES}) {
        HWND window = qv.OpenPreferences(L"Plugins\\p");
        ASSERT_NE(window, nullptr);
        QvWithPreferences::EditRow(window, 1);
        HWND question = qv.Dialog(L"downloaded from");
        ASSERT_NE(question, nullptr);
        EXPECT_TRUE(FileExists(qv.UserData() + L"\\evil.dll"));
        PostMessageW(question, WM_COMMAND, answer, 0);
        if (answer == IDYES) {
            HWND told = qv.Dialog(L"Done");
            ASSERT_NE(told, nullptr);
            PostMessageW(told, WM_COMMAND, IDOK, 0);
        }
        ASSERT_TRUE(qv.ClosePreferences(window));
        const std::string plugins = qv.Setting("Cfg\\Options1", "Installed_Plugins");
        EXPECT_EQ(plugins.find("evil.dll") != std::string::npos, answer == IDYES) << plugins;
    }
    // A language module is loaded at the next start, so it is asked about too.
    for (const int answer : {IDNO, IDYES}) {
        HWND window = qv.OpenPreferences(L"Languages\\l");
        ASSERT_NE(window, nullptr);
        QvWithPreferences::EditRow(window, 1);
        HWND question = qv.Dialog(L"downloaded from");
        ASSERT_NE(question, nullptr);
        PostMessageW(question, WM_COMMAND, answer, 0);
        if (answer == IDYES) {
            HWND told = qv.Dialog(L"starts again");
            ASSERT_NE(told, nullptr);
            PostMessageW(told, WM_COMMAND, IDOK, 0);
        }
        ASSERT_TRUE(qv.ClosePreferences(window));
        EXPECT_EQ(qv.Setting("Cfg\\Options1", "Language") == "other.dll", answer == IDYES);
    }
    EXPECT_TRUE(qv.Close());
}

// A trigger made in the preferences as a user makes it: a new script, its type chosen from the
// row's choices, its pattern typed, its text written under the list. It answers the channel, and
// a text holding "]]>" keeps the settings readable through a clean exit and the next start.
TEST(QvPreferences, AScriptWrittenInTheEditorRunsAndSurvivesARestart) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient walker(server.Port(), "walker");
    ASSERT_TRUE(walker.Joins("#test", kWait));
    QvWithPreferences qv(server.Port());
    ASSERT_TRUE(qv.Open());
    ASSERT_TRUE(QvJoined(walker, 1));

    HWND window = qv.OpenPreferences(L"Scripts");
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_COMMAND, 902, 0);
    // Row 2 is the trigger type: its value is picked from the choices "0" and "1".
    QvWithPreferences::EditRow(window, 2);
    HWND choices = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (choices = FindWindowExW(GetDlgItem(window, 1001), nullptr, L"gridcb", nullptr)); },
        kWait));
    EXPECT_EQ(SendMessageW(choices, CB_GETCOUNT, 0, 0), 2);
    SendMessageW(choices, CB_SETCURSEL, 1, 0);
    PostMessageW(choices, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(choices); }, kWait));
    QvWithPreferences::EditRow(window, 3);
    HWND editor = QvWithPreferences::GridEditor(window);
    ASSERT_NE(editor, nullptr);
    TypeInto(editor, L"*PRIVMSG #test :!ping*");
    PostMessageW(editor, WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(editor); }, kWait));
    SendMessageW(GetDlgItem(window, 1002), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"/msg #test pong ]]> from the editor"));
    ASSERT_TRUE(qv.ClosePreferences(window));

    walker.Send("PRIVMSG #test :!ping");
    EXPECT_TRUE(walker.WaitFor("PRIVMSG #test :pong ]]> from the editor", kWait));
    ASSERT_TRUE(qv.Close());
    XmlDocument saved;
    XmlDocumentOpenFile(&saved, (qv.UserData() + L"\\qv.xml").c_str());
    EXPECT_EQ(XmlDocumentGetState(&saved), 0u);
    XmlDocumentDestroy(&saved);

    qv.Start(server.Port());
    ASSERT_TRUE(qv.Open());
    ASSERT_TRUE(QvJoined(walker, 2)); // back in the channel
    walker.Send("PRIVMSG #test :!ping again");
    EXPECT_TRUE(Eventually(
        [&] {
            int pongs = 0;
            for (const auto& received : walker.Lines())
                if (received.Line.find("PRIVMSG #test :pong ]]> from the editor") != std::string::npos)
                    ++pongs;
            return pongs >= 2;
        },
        kWait))
        << "the script was lost with the restart";
    EXPECT_TRUE(qv.Close());
}
