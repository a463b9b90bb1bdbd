// The resource and language libraries hold everything the program's code asks them for.
#include <gtest/gtest.h>

#include "common/shell_helpers.h"
#include "common/text_replace.h"
#include "core/resource_library.h"
#include "tests/shell/shell_test_files.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_profile.h"

#include <commctrl.h>

#include <map>
#include <regex>
#include <set>

namespace {

HMODULE Lang() {
    return BuiltLibrary(L"qvlang.dll");
}
HMODULE Res() {
    return BuiltLibrary(L"qvres.dll");
}

std::wstring LangText(UINT id) {
    wchar_t text[1000] = {};
    int n = LoadStringW(Lang(), id, text, 1000);
    return std::wstring(text, n > 0 ? n : 0);
}

std::string DataResource(HMODULE module, const wchar_t* name) {
    std::vector<uint8_t> bytes;
    if (!ExtractResource(bytes, name, module)) return {};
    return std::string(bytes.begin(), bytes.end());
}

// Every match of the pattern's first group over the program's sources.
std::set<std::string> Scan(const std::regex& pattern, int group = 1) {
    std::set<std::string> found;
    for (const SourceFile& file : ProgramSources())
        for (std::sregex_iterator m(file.Text.begin(), file.Text.end(), pattern), end; m != end; ++m)
            found.insert((*m)[group].str());
    return found;
}

TEST(Resources, SourcesOfTheProgramAreFound) {
    // The scans below mean nothing without the sources they read.
    EXPECT_GT(ProgramSources().size(), 100u);
}

TEST(Resources, LibrariesLoad) {
    ASSERT_NE(Lang(), nullptr);
    ASSERT_NE(Res(), nullptr);
}

TEST(Resources, EveryLanguageStringTheCodeAsksForExists) {
    std::set<int> ids;
    for (const std::string& n : Scan(std::regex(R"(GetLangString\(\s*(\d+)\s*\))"))) ids.insert(std::stoi(n));
    // Named ids: a constant handed to GetLangString or to the connection's message printer.
    std::set<std::string> names = Scan(std::regex(R"(GetLangString\(\s*(k\w+)\s*\))"));
    for (const std::string& n : Scan(std::regex(R"(PrintConnectionMessage\(\s*[^,()]+,\s*(k\w+))")))
        names.insert(n);
    for (const std::string& name : names) {
        std::set<std::string> values = Scan(std::regex("\\b" + name + R"(\s*=\s*(\d+))"));
        EXPECT_FALSE(values.empty()) << name;
        for (const std::string& v : values) ids.insert(std::stoi(v));
    }
    // Ids reached through tables and by the parts of the program the shell works with: nick list
    // groups, connection, notify, DCC, voice, prompts and questions.
    for (int id : {3,  4,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17, 18, 21, 22, 23, 24,
                   25, 26, 32, 33, 34, 50, 51, 52, 53, 54, 55, 56, 57, 59, 71, 81, 82, 1001})
        ids.insert(id);
    EXPECT_GT(ids.size(), 40u);
    for (int id : ids) EXPECT_FALSE(LangText(static_cast<UINT>(id)).empty()) << "language string " << id;
}

TEST(Resources, CommandHelpLinesStartWithTheCommandAndABlank) {
    UINT id = 5001;
    for (; !LangText(id).empty(); ++id) {
        const std::wstring line = LangText(id);
        EXPECT_EQ(line.rfind(L"\x02\x03"
                             L"4/",
                             0),
                  0u)
            << id;
        EXPECT_TRUE(std::regex_search(line, std::wregex(L"^\x02\x03"
                                                        L"4/[a-z0-9]+ ")))
            << id;
    }
    EXPECT_GT(id, 5020u);
}

bool MenuHas(HMENU menu, UINT id) {
    return GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1);
}

TEST(Resources, MainMenuHasItsPopupsWhereTheCodeLooksForThem) {
    HMENU menu = LoadMenuW(Lang(), L"MENU_MAIN");
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 18);
    for (int position = 0; position < 18; ++position)
        EXPECT_NE(GetSubMenu(menu, position), nullptr) << "position " << position;
    // Toolbar drop-downs and popups open these positions; the per-type stripping assumes them.
    const std::map<int, std::vector<UINT>> expected = {
        {0, {801}},                      // connect: the server items follow
        {1, {710, 711, 706, 707, 712}},  // server
        {3, {101, 603, 604}},            // channel
        {4, {767, 769, 761}},            // DCC chat
        {5, {503, 504, 510, 511}},       // user, also the nick popup's first part
        {6, {981, 982, 983, 984}},       // log (button 983)
        {7, {750, 751, 759, 765}},       // format (button 750)
        {8, {541, 556}},                 // encoding
        {11, {802, 522, 523, 781, 786}}, // window
        {12, {811, 827, 828, 996}},      // options
        {14, {102, 103, 104, 105, 120}}, // nick list, the nick popup's second part
        {15, {806, 995, 807}},           // help
        {16, {511}},                     // send (button 511)
    };
    for (const auto& [position, ids] : expected)
        for (UINT id : ids) EXPECT_TRUE(MenuHas(GetSubMenu(menu, position), id)) << position << ": " << id;
    DestroyMenu(menu);

    HMENU edit = LoadMenuW(Lang(), L"MENU_EDITPOPUP");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(MenuHas(GetSubMenu(edit, 0), 791));
    DestroyMenu(edit);
}

TEST(Resources, AcceleratorsReachTheMenuCommands) {
    HACCEL table = LoadAcceleratorsW(Res(), L"MENU_MAIN");
    ASSERT_NE(table, nullptr);
    ACCEL keys[64] = {};
    const int count = CopyAcceleratorTableW(table, keys, 64);
    std::map<std::pair<WORD, BYTE>, WORD> commands;
    for (int i = 0; i < count; ++i)
        commands[{keys[i].key, static_cast<BYTE>(keys[i].fVirt & ~FNOINVERT)}] = keys[i].cmd;
    EXPECT_EQ((commands[{VK_F12, FVIRTKEY}]), 801);
    EXPECT_EQ((commands[{VK_F1, FVIRTKEY}]), 806);
    EXPECT_EQ((commands[{VK_F4, FVIRTKEY | FCONTROL | FSHIFT | FALT}]), 828);
    HMENU menu = LoadMenuW(Lang(), L"MENU_MAIN");
    for (int i = 0; i < count; ++i) {
        bool found = false;
        for (int position = 0; position < 18 && !found; ++position)
            found = MenuHas(GetSubMenu(menu, position), keys[i].cmd);
        EXPECT_TRUE(found) << "accelerator for " << keys[i].cmd << " has no menu item";
    }
    DestroyMenu(menu);
    DestroyAcceleratorTable(table);
}

INT_PTR CALLBACK QuietDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

class Dialogs : public testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof controls,
                                      ICC_WIN95_CLASSES | ICC_HOTKEY_CLASS | ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        LoadLibraryW(L"riched20.dll");
    }
    void SetUp() override {
        parent_ = CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                                  nullptr, nullptr);
    }
    void TearDown() override { DestroyWindow(parent_); }

    // The dialog made from the template, with every control id checked.
    std::wstring Check(const wchar_t* name, std::vector<int> ids, bool page = false) {
        HWND dialog = CreateDialogParamW(Lang(), name, page ? parent_ : nullptr, QuietDialog, 0);
        EXPECT_NE(dialog, nullptr) << WideToNarrowName(name);
        if (!dialog) return {};
        for (int id : ids) EXPECT_NE(GetDlgItem(dialog, id), nullptr) << WideToNarrowName(name) << " " << id;
        wchar_t text[2048] = {};
        GetDlgItemTextW(dialog, 701, text, 2048);
        DestroyWindow(dialog);
        return text;
    }
    static std::string WideToNarrowName(const wchar_t* name) {
        std::string out;
        for (const wchar_t* p = name; *p; ++p) out += static_cast<char>(*p);
        return out;
    }

    HWND parent_ = nullptr;
};

TEST_F(Dialogs, EveryTemplateHasTheControlsItsProcedureUses) {
    Check(L"DIALOG_AT", {101, 102, IDOK, IDCANCEL});
    Check(L"DIALOG_ATS", {101, 102, IDOK, IDCANCEL});
    Check(L"DIALOG_ATL", {101, 102, IDOK, IDCANCEL});
    Check(L"DIALOG_ATL1", {101, 102, IDOK, IDCANCEL});
    Check(L"DIALOG_FIND", {101, 201, 202, IDOK, IDCANCEL});
    Check(L"DIALOG_MIRCCOLOR", {101, 108, 116, IDCANCEL});
    Check(L"DIALOG_JOIN", {101, 901, 902, 201, 202, IDOK, IDCANCEL});
    Check(L"DIALOG_KICK", {100, 101, 102, 103, 106, 107, IDOK, IDCANCEL});
    Check(L"DIALOG_CONTROL", {101, 102, 103, 104, 105, 106, 108, 109, 110, 111, 113, 122, IDOK, IDCANCEL});
    Check(L"DIALOG_R", {901});
    Check(L"DIALOG_CONNECT", {800, 901, 110, 101, 102, 103, 104, 105, 106, 112, 121, 122,
                              129, 123, 111, 1,   126, 127, 900, 902, 903, 904, 905, 906});
}

TEST_F(Dialogs, WizardPagesCarryTheirTexts) {
    EXPECT_EQ(
        Check(L"W_1", {701}, true),
        L"Welcome to Brindlex 7!\r\nThis wizard will help you understand what IRC is and how to setup "
        L"Brindlex!\r\n\r\nNote that if you have already some experience with IRC, you do not need this "
        L"wizard.\r\nPress Cancel to exit the wizard, or press Next to continue!");
    EXPECT_EQ(
        Check(L"W_2", {701, 101, 102, 103, 104}, true),
        L"IRC is a network where you login with a nickname, your e-mail and your real name.\r\nPlease fill "
        L"them below.");
    EXPECT_EQ(
        Check(L"W_3", {701, 200, 201, 202, 203, 204, 205}, true),
        L"Your settings have been saved, and Brindlex is configured as you wish now!\r\nAlso remember that:");
}

TEST_F(Dialogs, EveryTemplateAndMenuNamedInTheCodeExists) {
    for (const std::string& name : Scan(std::regex(R"re("(DIALOG_[A-Z0-9_]+|W_[123])")re"))) {
        // The update dialog is a template of the program itself, so an update never depends on
        // the language library it may be replacing.
        if (name == "DIALOG_UPDATE") continue;
        std::wstring wide(name.begin(), name.end());
        EXPECT_NE(FindResourceW(Lang(), wide.c_str(), RT_DIALOG), nullptr) << name;
    }
    for (const std::string& name : Scan(std::regex(R"re("(MENU_[A-Z0-9_]+)")re"))) {
        std::wstring wide(name.begin(), name.end());
        EXPECT_NE(FindResourceW(Lang(), wide.c_str(), RT_MENU), nullptr) << name;
    }
}

TEST(Resources, PicturesLoadWithOnePicturePerToolbarButton) {
    for (int i = 1; i <= 6; ++i) {
        std::wstring name = L"STAT_" + std::to_wstring(i);
        HICON icon = static_cast<HICON>(LoadImageW(Res(), name.c_str(), IMAGE_ICON, 16, 16, 0));
        EXPECT_NE(icon, nullptr) << i;
        if (icon) DestroyIcon(icon);
    }
    const struct {
        const wchar_t* name;
        int size, count;
    } strips[] = {{L"PP_1", 22, 4}, {L"BB_1", 22, 14}, {L"BB_2", 14, 3}, {L"BB_3", 22, 11}, {L"B_1", 32, 3},
                  {L"B_2", 32, 4},  {L"B_3", 32, 1},   {L"B_4", 32, 1},  {L"B_5", 32, 1},   {L"B_9", 32, 4}};
    for (const auto& strip : strips) {
        HIMAGELIST list = ImageList_LoadImageW(Res(), strip.name, strip.size, 0, RGB(255, 255, 255),
                                               IMAGE_BITMAP, LR_CREATEDIBSECTION);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(list), strip.count);
        ImageList_Destroy(list);
    }
    // The smiley menu reads group 1 from item 0 until the first gap.
    for (int item = 0; item <= 16; ++item) {
        std::wstring name = L"SM_1" + std::wstring(item < 10 ? L"0" : L"") + std::to_wstring(item);
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageW(Res(), name.c_str(), IMAGE_BITMAP, 0, 0, 0));
        EXPECT_NE(bitmap, nullptr) << item;
        if (bitmap) DeleteObject(bitmap);
    }
    EXPECT_EQ(LoadImageW(Res(), L"SM_117", IMAGE_BITMAP, 0, 0, 0), nullptr);
    EXPECT_NE(FindResourceW(Res(), L"WHATSNEW", RT_HTML), nullptr);
}

class DefaultSettings : public testing::Test {
protected:
    void SetUp() override {
        const std::string text = DataResource(Res(), L"DEFAULT_USER_CFG");
        ASSERT_FALSE(text.empty());
        XmlDocumentOpenText(&document_, text.c_str());
    }
    void TearDown() override { XmlDocumentDestroy(&document_); }
    bool Has(const std::string& section, const std::string& key) {
        XmlElement* element = XmlElementFindPath(XmlDocumentGetRoot(&document_), section.c_str());
        return element && XmlElementFindVariable(element, key.c_str()) != nullptr;
    }
    std::string Text(const char* section, const char* key) {
        char out[2000] = {};
        XmlGetProfileString(section, key, "", out, sizeof out, nullptr, &document_);
        return out;
    }

    XmlDocument document_;
};

TEST_F(DefaultSettings, ReadsAsAWholeDocument) {
    EXPECT_EQ(XmlDocumentGetState(&document_), kXmlStateDeclared);
    EXPECT_TRUE(XmlDocumentIsValid(&document_));
    EXPECT_EQ(XmlGetProfileInt("Cfg\\Options1", "Flood_Delay_MS", 0, nullptr, &document_), 1000);
    EXPECT_EQ(XmlGetProfileInt("Cfg\\Colors", "BG_Color", 0, nullptr, &document_), 0xFFFFFF);
    EXPECT_EQ(Text("Cfg\\Options1", "Language"), "qvlang.dll");
}

TEST_F(DefaultSettings, HoldsEverySettingTheCodeReads) {
    std::set<std::pair<std::string, std::string>> keys;
    const std::regex pair(R"re("(I?Cfg(?:\\\\\w+)*)"\s*,\s*"(\w+)")re");
    for (const SourceFile& file : ProgramSources())
        for (std::sregex_iterator m(file.Text.begin(), file.Text.end(), pair), end; m != end; ++m) {
            std::string section = (*m)[1].str();
            for (size_t at; (at = section.find("\\\\")) != std::string::npos;) section.erase(at, 1);
            keys.insert({section, (*m)[2].str()});
        }
    EXPECT_GT(keys.size(), 15u);
    // Keys the code picks from tables or by condition.
    for (const char* key : {"MyMessage_Format", "Message_Format", "Join_Format", "Part_Format", "Mode_Format",
                            "Topic_Format", "Quit_Format", "Nick_Format", "Kick_Format", "Notice_Format",
                            "Kill_Format", "Me_Format", "Invite_Format", "Silence_Format"})
        keys.insert({"Cfg\\Appearance", key});
    for (const char* key : {"View_Font", "Input_Font", "List_Font", "Tab_Font", "Fixed_Font"})
        keys.insert({"Cfg\\Fonts", key});
    for (const char* key : {"Level_1_Color", "Level_2_Color", "Level_3_Color", "Level_4_Color"})
        keys.insert({"Cfg\\Colors\\Nick_List_Colors", key});
    for (const char* key :
         {"Server_Color", "FG_Color", "Gradient", "Input_BG_Color", "Input_FG_Color", "List_BG_Color"})
        keys.insert({"Cfg\\Colors", key});
    for (const auto& [section, key] : keys) EXPECT_TRUE(Has(section, key)) << section << " " << key;
}

TEST_F(DefaultSettings, FormatsFontsAndTimeStampAreUsable) {
    for (const char* key :
         {"MyMessage_Format", "Message_Format", "Join_Format", "Kick_Format", "Me_Format"}) {
        std::string format = Text("Cfg\\Appearance", key);
        EXPECT_NE(format.find("$nick"), std::string::npos) << key;
        UnescapeString(format, false);
        EXPECT_EQ(format.find("\\x"), std::string::npos) << key;
    }
    std::string stamp = Text("Cfg\\Options1", "TimeStamp_String");
    UnescapeString(stamp, false);
    EXPECT_NE(stamp.find("%02u:%02u"), std::string::npos);
    for (const char* key :
         {"View_Font", "Input_Font", "List_Font", "Tab_Font", "Fixed_Font", "Symbol_Font_1"}) {
        LOGFONTW font{};
        ASSERT_EQ(XmlGetProfileBinary("Cfg\\Fonts", key, "", &font, sizeof font, nullptr, &document_),
                  sizeof font)
            << key;
        EXPECT_LT(font.lfHeight, 0) << key;
        EXPECT_NE(font.lfFaceName[0], 0) << key;
    }
}

TEST(Resources, DefaultServersAndTranslationRead) {
    XmlDocument servers;
    XmlDocumentOpenText(&servers, DataResource(Res(), L"DEFAULT_SERVERS").c_str());
    EXPECT_EQ(XmlDocumentGetState(&servers), kXmlStateDeclared);
    XmlElement* root = XmlDocumentGetRoot(&servers);
    ASSERT_GT(XmlElementGetChildCount(root), 0u);
    for (uint32_t i = 0; i < XmlElementGetChildCount(root); ++i) {
        XmlElement* server = XmlElementGetChild(root, i);
        for (const char* key : {"name", "Address", "Port", "Auto_Connect"})
            EXPECT_NE(XmlElementFindVariable(server, key), nullptr) << key;
    }
    XmlDocumentDestroy(&servers);

    XmlDocument translation;
    XmlDocumentOpenText(&translation, DataResource(Lang(), L"XML_TRANSLATION").c_str());
    EXPECT_EQ(XmlDocumentGetState(&translation), kXmlStateDeclared);
    XmlElement* colors = XmlElementFindPath(XmlDocumentGetRoot(&translation), "Cfg\\Colors");
    ASSERT_NE(colors, nullptr);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(colors, "__")), "Colours");
    XmlDocumentDestroy(&translation);
}

// Each bar of a chat window gets the strip drawn for its own buttons.
TEST(Resources, EachBarLoadsTheStripOfItsOwnButtons) {
    const struct {
        const wchar_t* name;
        int count;
    } bars[] = {
        {kWindowBarStrip, 14}, {kControlBarStrip, 11}, {kInsertsBarStrip, 3}, {kPreferencesBarStrip, 4}};
    for (const auto& bar : bars) {
        HIMAGELIST list = ImageList_LoadImageW(Res(), bar.name, bar.name == kInsertsBarStrip ? 14 : 22, 0,
                                               RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION);
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(list), bar.count);
        ImageList_Destroy(list);
    }
}

} // namespace
