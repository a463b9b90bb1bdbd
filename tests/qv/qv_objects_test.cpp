// Objects between two copies of qv on one server: one offers an object file with "/sendobject",
// the other fetches it through the offer's link, asks its user and shows it in the channel view.
// Also the start panel of a qv without an HTML engine.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/ax_control/test_control_registration.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"

#include <commctrl.h>
#include <ole2.h>
#include <prsht.h>

#include <sstream>

namespace {

constexpr DWORD kWait = 30000;
const std::vector<std::wstring> kProgramFiles = {L"qv.exe", L"qvlang.dll", L"qvres.dll"};

bool FinishWizard(const QvProcess& qv) {
    HWND wizard = nullptr;
    if (!Eventually([&] { return (wizard = qv.FindDialogWith(L"Welcome")) != nullptr; }, kWait)) return false;
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    Sleep(300);
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    Sleep(300);
    PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    return Eventually([&] { return !IsWindow(wizard) || !IsWindowVisible(wizard); }, kWait);
}

// A started qv past its first run with its #test window.
struct Chatting {
    HWND Frame = nullptr;
    HWND Channel = nullptr;
    HWND View() const { return GetDlgItem(Channel, 901); }
    HWND Input() const { return GetDlgItem(Channel, 902); }
};

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The user's settings of a copy that has been run before: the default settings with its own
// nick and the kinds of object it accepts from others.
void WriteSettings(const PortableFolder& folder, const std::string& nick, const std::wstring& accepted) {
    HMODULE resources =
        LoadLibraryExW((folder.Path() + L"\\qvres.dll").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(resources, nullptr);
    HRSRC found = FindResourceW(resources, L"DEFAULT_USER_CFG", L"DATA");
    ASSERT_NE(found, nullptr);
    std::string settings(static_cast<const char*>(LockResource(LoadResource(resources, found))),
                         SizeofResource(resources, found));
    FreeLibrary(resources);
    settings = Replaced(settings, "Default_Nick=\"\"", "Default_Nick=\"" + nick + "\"");
    settings = Replaced(settings, "Default_EMail=\"\"", "Default_EMail=\"" + nick + "@example.invalid\"");
    settings = Replaced(settings, "Default_Name=\"\"", "Default_Name=\"" + nick + "\"");
    settings = Replaced(settings, "Allowed_Object_Classes=\"{D27CDB6E-AE6D-11CF-96B8-444553540000}\"",
                        "Allowed_Object_Classes=\"" + WideToNarrow(accepted) + "\"");
    const std::wstring data = folder.UserDataFolder();
    CreateDirectoryW((folder.Path() + L"\\UCFG").c_str(), nullptr);
    CreateDirectoryW(data.c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(data + L"\\qv.xml", settings));
}

void StartChatting(const QvProcess& qv, Chatting& chat) {
    ASSERT_TRUE(
        Eventually([&] { return (chat.Frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(
        Eventually([&] { return (chat.Channel = FindChatWindow(chat.Frame, L"#test")) != nullptr; }, kWait))
        << WideToNarrow(AllTexts(chat.Frame));
}

// The fetch command of the last object offer the watcher heard: "/getobject host port size name
// crc this", as the offer line's link runs it.
std::wstring FetchCommandOfLastOffer(const IrcClient& watcher) {
    std::string offer;
    for (const auto& line : watcher.Lines()) {
        const size_t at = line.Line.find(" :\x12\x07 ");
        if (line.Line.find("PRIVMSG") != std::string::npos && at != std::string::npos)
            offer = line.Line.substr(at + 4);
    }
    std::istringstream words(offer.substr(0, offer.find('\x12')));
    std::string kind, size, host, port, crc, name;
    if (!(words >> kind >> size >> host >> port >> crc >> name)) return {};
    return NarrowToWide("/getobject " + host + " " + port + " " + size + " " + name + " " + crc + " this");
}

TEST(QvObjects, AnObjectTravelsBetweenTwoQvsAndIsShownAfterYes) {
    OleInitialize(nullptr);
    ASSERT_TRUE(RegisterTestControl());
    TestFolder files(L"qvobjects");
    const std::wstring gift = files.File(L"gift.stg");
    ASSERT_TRUE(WriteControlObject(gift, L"sent from qv to qv"));
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady());
    IrcClient watcher(server.Port(), "watcher");
    ASSERT_TRUE(watcher.WaitFor(" 001 ", kWait));
    watcher.Send("JOIN #test");
    const std::wstring join =
        L"-port1 -e \"/server 127.0.0.1:" + std::to_wstring(server.Port()) + L"/#test\"";

    PortableFolder senderFolder(kProgramFiles);
    ASSERT_NO_FATAL_FAILURE(WriteSettings(senderFolder, "sender", L""));
    QvProcess senderQv(senderFolder.Path(), join);
    Chatting sender;
    ASSERT_NO_FATAL_FAILURE(StartChatting(senderQv, sender));
    PortableFolder receiverFolder(kProgramFiles);
    ASSERT_NO_FATAL_FAILURE(WriteSettings(receiverFolder, "receiver", kTestControlClsidText));
    QvProcess receiverQv(receiverFolder.Path(), join);
    Chatting receiver;
    ASSERT_NO_FATAL_FAILURE(StartChatting(receiverQv, receiver));
    ASSERT_TRUE(Eventually(
        [&] { return SendMessageW(GetDlgItem(sender.Channel, 903), LVM_GETITEMCOUNT, 0, 0) == 3; }, kWait))
        << "both and the watcher are in #test";

    TypeLine(sender.Input(), L"/sendobject #test " + gift);
    EXPECT_TRUE(
        Eventually([&] { return WindowText(sender.View()).find(L"(Object)") != std::wstring::npos; }, kWait))
        << WideToNarrow(WindowText(sender.View()));
    const bool offered = Eventually(
        [&] {
            const std::wstring shown = WindowText(receiver.View());
            return shown.find(L"gift.stg") != std::wstring::npos &&
                   shown.find(L"Fetch") != std::wstring::npos;
        },
        kWait);
    SaveScreenshot(receiver.Frame, ScreenshotFolder() + L"\\qv_offer_received.png");
    ASSERT_TRUE(offered) << WideToNarrow(WindowText(receiver.View())) << [&] {
        std::string heard;
        for (const auto& line : watcher.Lines())
            if (line.Line.find("PRIVMSG") != std::string::npos) heard += line.Line + "\n";
        return heard;
    }();

    // Wine's rich edit takes the link effect off text that is not an address while automatic
    // address detection is on, so the user runs the offer's fetch command as its link would.
    const size_t shownBefore = WindowText(receiver.View()).size();
    const std::wstring fetch = FetchCommandOfLastOffer(watcher);
    ASSERT_FALSE(fetch.empty());
    TypeLine(receiver.Input(), fetch);
    HWND question = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (question = receiverQv.FindDialogWith(L"has arrived")) != nullptr; }, kWait))
        << WideToNarrow(WindowText(receiver.View()));
    EXPECT_NE(AllTexts(question).find(L"gift.stg"), std::wstring::npos);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    // The object takes one character's place in the view's text, and nothing else was printed.
    EXPECT_TRUE(Eventually([&] { return WindowText(receiver.View()).size() == shownBefore + 1; }, kWait))
        << WideToNarrow(WindowText(receiver.View()));
    Sleep(500); // lets the view paint the object before the picture is taken
    EXPECT_TRUE(SaveScreenshot(receiver.Frame, ScreenshotFolder() + L"\\qv_received_object.png"));
    EXPECT_FALSE(FileExists(receiverFolder.UserDataFolder() + L"\\gift.stg")) << "the received file is gone";

    PostMessageW(sender.Frame, WM_CLOSE, 0, 0);
    PostMessageW(receiver.Frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(senderQv.WaitExit(kWait, code));
    EXPECT_TRUE(receiverQv.WaitExit(kWait, code));
}

// Without an HTML engine behind the browser control the start panel closes again at once and the
// program goes on.
TEST(QvObjects, TheStartPanelStaysClosedWithoutAnHtmlEngine) {
    PortableFolder folder(kProgramFiles);
    QvProcess qv(folder.Path(), L"-port1");
    HWND frame = nullptr;
    ASSERT_TRUE(
        Eventually([&] { return (frame = qv.FindTopWindow(L"BRINDLEX2000_Main")) != nullptr; }, kWait));
    ASSERT_TRUE(FinishWizard(qv));
    EXPECT_TRUE(Eventually([&] { return FindWindowExW(frame, nullptr, L"AX", nullptr) == nullptr; }, kWait));
    PostMessageW(frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(qv.WaitExit(kWait, code));
    EXPECT_EQ(code, 0u);
}

} // namespace
