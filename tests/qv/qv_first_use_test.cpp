// qv as a new user meets it: the first-run wizard on the display, and a restart with the settings
// the first run saved.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/qv/qv_process.h"
#include "tests/support/ngircd_server.h"

#include <objbase.h>
#include <oleauto.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>

#include <gdiplus.h>

namespace {

constexpr DWORD kWait = kQvWait;
const std::vector<std::wstring> kProgramFiles = {L"qv.exe", L"qvlang.dll", L"qvres.dll"};
// The program folder as the release zip holds it.
const std::vector<std::wstring> kReleaseFiles = {L"qv.exe", L"qvlang.dll", L"qvres.dll",
                                                 L"qv.chm", L"qx.exe",     L"extras.xml"};

// The share of the rectangle's pixels in a PNG that are black, and whether it has both light and
// dark pixels (drawn text on a face).
struct AreaLook {
    double Black = 1.0;
    bool LightAndDark = false;
};

AreaLook LookAt(const std::wstring& png, const RECT& area) {
    AreaLook look;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartupInput input;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    {
        Gdiplus::Bitmap bitmap(png.c_str());
        long black = 0, all = 0;
        bool light = false, dark = false;
        for (LONG y = area.top; y < area.bottom; ++y)
            for (LONG x = area.left; x < area.right; ++x) {
                Gdiplus::Color color;
                if (bitmap.GetPixel(x, y, &color) != Gdiplus::Ok) continue;
                const int sum = color.GetR() + color.GetG() + color.GetB();
                ++all;
                if (sum == 0) ++black;
                light = light || sum > 600;
                dark = dark || sum < 200;
            }
        if (all) look.Black = static_cast<double>(black) / static_cast<double>(all);
        look.LightAndDark = light && dark;
    }
    Gdiplus::GdiplusShutdown(token);
    return look;
}

RECT Relative(HWND window, const RECT& origin) {
    RECT box{};
    GetWindowRect(window, &box);
    OffsetRect(&box, -origin.left, -origin.top);
    return box;
}

// The text of an edit or combo box of another process's dialog.
std::wstring ItemText(HWND dialog, int id) {
    return WindowText(GetDlgItem(dialog, id));
}

// The entries of a combo box of another process's dialog (its messages carry their texts across).
std::vector<std::wstring> ComboEntries(HWND combo) {
    std::vector<std::wstring> entries;
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        if (SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) < 255)
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}

// What a new user meets in the unpacked program folder: the wizard painted on the display, its
// finish leading to the connect dialog with the new nick and the public networks, F1 opening the
// help file, F9 showing the catalogue's scripts, and the wizard run again from the Help menu
// showing the user's own values.
TEST(QvFirstUse, TheWizardLeadsToTheConnectDialogAndF1OpensTheHelpFile) {
    PortableFolder folder(kReleaseFiles);
    QvProcess qv(folder.Path(), L"-port1");
    HWND wizard = nullptr;
    ASSERT_TRUE(Eventually([&] { return (wizard = qv.FindDialogWith(L"Welcome")) != nullptr; }, kWait));
    SetForegroundWindow(wizard);

    // What a person sees on the X display over the wizard, once it is drawn: its face, texts and
    // buttons.
    RECT area{};
    GetWindowRect(wizard, &area);
    const std::wstring shot = ScreenshotFolder() + L"\\first_run_wizard.png";
    const HWND next = GetDlgItem(wizard, 0x3024); // the sheet's Next button
    ASSERT_NE(nullptr, next);
    EXPECT_TRUE(Eventually(
        [&] {
            return SaveScreenshot(wizard, shot) && LookAt(shot, Relative(wizard, area)).Black < 0.5 &&
                   LookAt(shot, Relative(next, area)).LightAndDark;
        },
        kWait));
    const AreaLook whole = LookAt(shot, Relative(wizard, area));
    EXPECT_LT(whole.Black, 0.5) << "the wizard's area is black";
    EXPECT_TRUE(LookAt(shot, Relative(next, area)).LightAndDark) << "the Next button is drawn";

    // A click on Next (which takes the focus as it is clicked): the nickname box has the focus
    // on the next page, so typing lands in it.
    PostMessageW(next, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(next, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    HWND page = nullptr;
    ASSERT_TRUE(Eventually(
        [&] {
            page = CurrentWizardPage(wizard);
            return page && GetDlgItem(page, 101);
        },
        kWait));
    EXPECT_TRUE(Eventually([&] { return FocusOf(wizard) == GetDlgItem(page, 101); }, kWait));
    EXPECT_EQ(GetDlgItem(page, 101), FocusOf(wizard));

    const std::pair<int, const wchar_t*> identity[] = {
        {101, L"newcomer"}, {104, L"newcomer_"}, {102, L"newcomer@example.org"}, {103, L"New Comer"}};
    for (const auto& [id, text] : identity)
        SendMessageW(GetDlgItem(page, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    ASSERT_TRUE(
        Eventually([&] { return CurrentWizardPage(wizard) && CurrentWizardPage(wizard) != page; }, kWait));
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(wizard); }, kWait));

    // The connect dialog follows with the new nick, the first network chosen and every network
    // in its group list.
    HWND connect = nullptr;
    ASSERT_TRUE(Eventually(
        [&] { return (connect = qv.FindTopWindow(L"#32770", L"Connect to a server")) != nullptr; }, kWait));
    EXPECT_EQ(L"newcomer", ItemText(connect, 103));
    EXPECT_EQ(L"irc.libera.chat", ItemText(connect, 101));
    const std::vector<std::wstring> groups = ComboEntries(GetDlgItem(connect, 800));
    for (const wchar_t* network : {L"Libera.Chat", L"OFTC", L"EFnet", L"IRCnet", L"Undernet", L"DALnet",
                                   L"QuakeNet", L"Rizon", L"hackint", L"Local"})
        EXPECT_NE(groups.end(), std::find(groups.begin(), groups.end(), network)) << WideToNarrow(network);
    EXPECT_EQ(11, SendMessageW(GetDlgItem(connect, 901), LVM_GETITEMCOUNT, 0, 0));
    PostMessageW(connect, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(connect); }, kWait));

    // F1 in the empty frame: the help file opens in the system's help viewer, titled by the file.
    HWND frame = qv.FindTopWindow(L"BRINDLEX2000_Main");
    ASSERT_NE(nullptr, frame);
    PostMessageW(frame, WM_KEYDOWN, VK_F1, 0x003B0001);
    PostMessageW(frame, WM_KEYUP, VK_F1, 0xC03B0001);
    HWND help = nullptr;
    EXPECT_TRUE(
        Eventually([&] { return (help = FindWindowW(nullptr, L"Brindlex 7 Help")) != nullptr; }, kWait));
    if (help) PostMessageW(help, WM_CLOSE, 0, 0);

    // F9: the catalogue's premade scripts in the preferences, filled from the extras list beside
    // the program (the section is the last of the tree).
    PostMessageW(frame, WM_KEYDOWN, VK_F9, 0x00430001);
    PostMessageW(frame, WM_KEYUP, VK_F9, 0xC0430001);
    HWND preferences = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (preferences = qv.FindTopWindow(L"XML_XDB_CLASS")) != nullptr; }, kWait));
    HWND tree = GetDlgItem(preferences, 1000);
    EXPECT_TRUE(Eventually(
        [&] {
            const HTREEITEM section = TreeView_GetSelection(tree);
            return section && !TreeView_GetNextSibling(tree, section) && TreeView_GetChild(tree, section);
        },
        kWait));
    PostMessageW(preferences, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(preferences); }, kWait));

    // Help > First steps again: the identity page shows what the user entered.
    PostMessageW(frame, WM_COMMAND, 995, 0);
    ASSERT_TRUE(Eventually([&] { return (wizard = qv.FindDialogWith(L"Welcome")) != nullptr; }, kWait));
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    ASSERT_TRUE(Eventually(
        [&] {
            page = CurrentWizardPage(wizard);
            return page && GetDlgItem(page, 101);
        },
        kWait));
    for (const auto& [id, text] : identity) EXPECT_EQ(text, ItemText(page, id)) << id;
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    ASSERT_TRUE(
        Eventually([&] { return CurrentWizardPage(wizard) && CurrentWizardPage(wizard) != page; }, kWait));
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    ASSERT_TRUE(Eventually(
        [&] { return (connect = qv.FindTopWindow(L"#32770", L"Connect to a server")) != nullptr; }, kWait));
    PostMessageW(connect, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Eventually([&] { return !IsWindow(connect); }, kWait));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
}

// A standard XML parser (the system's MSXML) reads the whole file; its error when it cannot.
std::wstring XmlParserError(const std::wstring& path) {
    CoInitialize(nullptr);
    std::wstring error = L"no parser";
    CLSID clsid{};
    IDispatch* document = nullptr;
    if (SUCCEEDED(CLSIDFromProgID(L"Msxml2.DOMDocument.6.0", &clsid)) &&
        SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   reinterpret_cast<void**>(&document)))) {
        auto call = [&](const wchar_t* name, WORD flags, VARIANT* argument, VARIANT* result) {
            DISPID id = 0;
            LPOLESTR member = const_cast<LPOLESTR>(name);
            if (FAILED(document->GetIDsOfNames(IID_NULL, &member, 1, LOCALE_USER_DEFAULT, &id))) return false;
            DISPPARAMS parameters{argument, nullptr, argument ? 1u : 0u, 0};
            return SUCCEEDED(document->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters, result,
                                              nullptr, nullptr));
        };
        VARIANT off{};
        off.vt = VT_BOOL;
        off.boolVal = VARIANT_FALSE;
        DISPID put = DISPID_PROPERTYPUT;
        DISPID idAsync = 0;
        LPOLESTR asyncName = const_cast<LPOLESTR>(L"async");
        document->GetIDsOfNames(IID_NULL, &asyncName, 1, LOCALE_USER_DEFAULT, &idAsync);
        DISPPARAMS setAsync{&off, &put, 1, 1};
        document->Invoke(idAsync, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &setAsync, nullptr,
                         nullptr, nullptr);
        VARIANT file{};
        file.vt = VT_BSTR;
        file.bstrVal = SysAllocString(path.c_str());
        VARIANT loaded{};
        call(L"load", DISPATCH_METHOD, &file, &loaded);
        SysFreeString(file.bstrVal);
        if (loaded.vt == VT_BOOL && loaded.boolVal == VARIANT_TRUE) {
            error.clear();
        } else {
            VARIANT parseError{};
            error = L"not well-formed";
            if (call(L"parseError", DISPATCH_PROPERTYGET, nullptr, &parseError) &&
                parseError.vt == VT_DISPATCH) {
                DISPID reasonId = 0;
                LPOLESTR reasonName = const_cast<LPOLESTR>(L"reason");
                VARIANT reason{};
                DISPPARAMS none{};
                if (SUCCEEDED(parseError.pdispVal->GetIDsOfNames(IID_NULL, &reasonName, 1,
                                                                 LOCALE_USER_DEFAULT, &reasonId)) &&
                    SUCCEEDED(parseError.pdispVal->Invoke(reasonId, IID_NULL, LOCALE_USER_DEFAULT,
                                                          DISPATCH_PROPERTYGET, &none, &reason, nullptr,
                                                          nullptr)) &&
                    reason.vt == VT_BSTR)
                    error += L": " + std::wstring(reason.bstrVal);
                VariantClear(&reason);
            }
            VariantClear(&parseError);
        }
        document->Release();
    }
    CoUninitialize();
    return error;
}

// The program's first settings with one typed-command script whose lines end in LF alone, as a
// settings file written by hand or by another tool has them.
bool WriteSettingsWithScript(const PortableFolder& folder) {
    return WriteFirstSettings(
        folder, {{"<Scripts />",
                  "<Scripts>\n\t\t<s name=\"twice\" Trigger=\"/twice\" Trigger_Type=\"0\" Enabled=\"1\">"
                  "<![CDATA[$word = \"second\"\n/raw PRIVMSG #test :first line\n/raw PRIVMSG #test "
                  ":$word line\n]]></s>\n\t</Scripts>"},
                 {"Default_Nick=\"\"", "Default_Nick=\"newcomer\""}});
}

TEST(QvFirstUse, ActionsScriptsAndTheSavedSettingsFileReadRight) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient friendly(server.Port(), "friendly");
    ASSERT_TRUE(friendly.Joins("#test", kWait));

    PortableFolder folder(kProgramFiles);
    const std::wstring data = folder.UserDataFolder();
    ASSERT_TRUE(WriteSettingsWithScript(folder));

    QvProcess qv(folder.Path(),
                 L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"/#test\"");
    HWND frame = nullptr, channel = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(Eventually([&] { return (channel = FindChatWindow(frame, L"#test")) != nullptr; }, kWait));
    ASSERT_TRUE(friendly.WaitFor(":newcomer!", kWait));

    // The typed command's script runs line by line.
    TypeLine(GetDlgItem(channel, 902), L"/twice");
    EXPECT_TRUE(friendly.WaitFor("PRIVMSG #test :first line", kWait));
    EXPECT_TRUE(friendly.WaitFor("PRIVMSG #test :second line", kWait));

    // An incoming action reads as the own one does: one blank after the nick.
    friendly.Send("PRIVMSG #test :\x01"
                  "ACTION waves\x01");
    HWND view = GetDlgItem(channel, 901);
    EXPECT_TRUE(
        Eventually([&] { return WindowText(view).find(L"friendly waves") != std::wstring::npos; }, kWait))
        << WideToNarrow(WindowText(view));

    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    ASSERT_TRUE(qv.WaitExit(kWait, code));
    EXPECT_EQ(L"", XmlParserError(data + L"\\qv.xml")) << "qv.xml as saved";
    EXPECT_NE(std::string::npos, ReadFileBytes(data + L"\\qv.xml").find("&lt;\\x02$nick\\x02&gt;"));
}

} // namespace
