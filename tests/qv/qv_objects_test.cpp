// Objects between two copies of qv on one server: one offers a picture and a control from its
// menus, the other fetches the control's object with the offer's command, asks its user and shows
// it in the channel view.
#include <gtest/gtest.h>

#include "common/xstring.h"
#include "tests/ax_control/test_control_registration.h"
#include "tests/qv/qv_process.h"
#include "tests/support/irc_test_support.h"
#include "tests/support/ngircd_server.h"

#include <commctrl.h>
#include <dlgs.h>
#include <ole2.h>

#include <sstream>

namespace {

constexpr DWORD kWait = kQvWait;
const std::vector<std::wstring> kProgramFiles = {L"qv.exe", L"qvlang.dll", L"qvres.dll"};

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

// A picture file of the size, in one colour, as the user's camera or paint program saves it.
bool WritePicture(const std::wstring& path, int width, int height, COLORREF color) {
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HDC drawing = CreateCompatibleDC(screen);
    HGDIOBJ before = SelectObject(drawing, picture);
    HBRUSH brush = CreateSolidBrush(color);
    RECT all{0, 0, width, height};
    FillRect(drawing, &all, brush);
    DeleteObject(brush);
    SelectObject(drawing, before);
    DeleteDC(drawing);
    ReleaseDC(nullptr, screen);
    const bool saved = SaveBitmapAsPng(picture, path);
    DeleteObject(picture);
    return saved;
}

// Picks the file in the open dialog the menu command shows, as the user types its name.
bool PickInOpenDialog(const QvProcess& qv, const std::wstring& path) {
    HWND open = nullptr;
    if (!Eventually([&] { return (open = qv.FindTopWindow(L"#32770")) != nullptr; }, kWait)) return false;
    HWND name = GetDlgItem(open, cmb13);
    if (!name) name = GetDlgItem(open, edt1);
    if (!name) return false;
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostMessageW(open, WM_COMMAND, IDOK, 0);
    return Eventually([&] { return !IsWindow(open); }, kWait);
}

// Holds Shift down, known to be read by qv: qv reads a posted command before keys still waiting,
// so the key must have been read before the command is posted. A capital typed into the focused
// input box shows that it was (under Wine the display's own key state can let go of a key pressed
// this way: then it is pressed again).
bool HoldShift(const Chatting& qv) {
    SetForegroundWindow(qv.Frame);
    if (!Eventually([&] { return GetForegroundWindow() == qv.Frame && FocusOf(qv.Frame) == qv.Input(); },
                    kWait)) {
        ADD_FAILURE() << "the frame in front " << (GetForegroundWindow() == qv.Frame)
                      << ", its focus in the input " << (FocusOf(qv.Frame) == qv.Input());
        return false;
    }
    for (int attempt = 0; attempt < 5; ++attempt) {
        SetWindowTextW(qv.Input(), L"");
        Press(VK_SHIFT, true);
        Press('A', true);
        Press('A', false);
        const bool typed = Eventually([&] { return !WindowText(qv.Input()).empty(); }, kWait);
        const std::wstring text = WindowText(qv.Input());
        SetWindowTextW(qv.Input(), L"");
        if (text == L"A") return true;
        Press(VK_SHIFT, false);
        if (!typed) break;
        fprintf(stderr, "typed \"%s\" with Shift held: pressed again\n", WideToNarrow(text).c_str());
    }
    ADD_FAILURE() << "no capital reached the input box";
    return false;
}

// The control menu command with Shift held: the class is typed into the prompt, the control shown
// in the object dialog is confirmed with OK.
bool OfferControlFromMenu(const QvProcess& qv, const Chatting& chatting) {
    if (!HoldShift(chatting)) return false;
    PostMessageW(chatting.Frame, WM_COMMAND, 770, 0);
    HWND prompt = nullptr;
    const bool asked = Eventually([&] { return (prompt = qv.FindDialogWith(L"CLSID?")) != nullptr; }, kWait);
    Press(VK_SHIFT, false);
    if (!asked) return false;
    HWND typed = FindWindowExW(prompt, nullptr, L"Edit", nullptr);
    if (!typed) return false;
    SendMessageW(typed, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(kTestControlClsidText));
    PostMessageW(prompt, WM_COMMAND, IDOK, 0);
    HWND dialog = nullptr;
    const bool shown = Eventually(
        [&] {
            dialog = qv.FindTopWindow(L"#32770", L"ActiveX");
            HWND host = dialog ? GetDlgItem(dialog, 888) : nullptr;
            return host && FindWindowExW(host, nullptr, kTestControlWindowClass, nullptr);
        },
        kWait);
    if (!shown) return false;
    WaitUntilDrawn(dialog, kWait);
    SaveScreenshot(dialog, ScreenshotFolder() + L"\\qv_object_dialog.png");
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    return Eventually([&] { return !IsWindow(dialog); }, kWait);
}

// The two copies' frames lie over each other: the other one is hidden while the picture of one
// is taken.
bool PictureOf(HWND frame, HWND other, const wchar_t* name) {
    ShowWindow(other, SW_HIDE);
    WaitUntilDrawn(frame, kWait);
    const bool saved = SaveScreenshot(frame, ScreenshotFolder() + L"\\" + name);
    ShowWindow(other, SW_SHOWNA);
    return saved;
}

// An object shows in the view's text as one character of a line of its own, after the offer line.
bool EndsWithAnObject(const std::wstring& shown) {
    return shown.size() > 3 && shown.compare(shown.size() - 3, 2, L"\r\n") == 0;
}

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t found = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++found;
    return found;
}

TEST(QvObjects, PicturesAndControlsFromTheMenusReachTheOtherQvAfterYes) {
    OleInitialize(nullptr);
    ASSERT_TRUE(RegisterTestControl());
    TestFolder files(L"qvobjects");
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

    // A picture from the menu: offered to the channel and shown in the sender's own view.
    const std::wstring picture = files.File(L"sunset.png");
    ASSERT_TRUE(WritePicture(picture, 120, 60, RGB(240, 120, 40)));
    PostMessageW(sender.Frame, WM_COMMAND, 761, 0);
    ASSERT_TRUE(PickInOpenDialog(senderQv, picture));
    EXPECT_TRUE(Eventually([&] { return Count(WindowText(sender.View()), L"(Object)") == 1; }, kWait))
        << WideToNarrow(WindowText(sender.View()));
    EXPECT_TRUE(Eventually([&] { return EndsWithAnObject(WindowText(sender.View())); }, kWait));

    // A control from the menu, through the prompt and the object dialog.
    ASSERT_TRUE(OfferControlFromMenu(senderQv, sender));
    EXPECT_TRUE(Eventually(
        [&] {
            const std::wstring shown = WindowText(sender.View());
            return Count(shown, L"(Object)") == 2 && EndsWithAnObject(shown);
        },
        kWait))
        << WideToNarrow(WindowText(sender.View()));
    EXPECT_TRUE(PictureOf(sender.Frame, receiver.Frame, L"qv_sent_picture_and_object.png"));

    const bool offered = Eventually(
        [&] {
            const std::wstring shown = WindowText(receiver.View());
            return shown.find(L"sunset.png") != std::wstring::npos &&
                   shown.find(L"qvSAVEX.STG") != std::wstring::npos;
        },
        kWait);
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
    EXPECT_NE(AllTexts(question).find(L"qvSAVEX.STG"), std::wstring::npos);
    PostMessageW(question, WM_COMMAND, IDYES, 0);
    // The object takes one character's place in the view's text, and nothing else was printed.
    EXPECT_TRUE(Eventually([&] { return WindowText(receiver.View()).size() == shownBefore + 1; }, kWait))
        << WideToNarrow(WindowText(receiver.View()));
    EXPECT_TRUE(PictureOf(receiver.Frame, sender.Frame, L"qv_received_object.png"));
    EXPECT_FALSE(FileExists(receiverFolder.UserDataFolder() + L"\\qvSAVEX.STG"))
        << "the received file is gone";

    PostMessageW(sender.Frame, WM_CLOSE, 0, 0);
    PostMessageW(receiver.Frame, WM_CLOSE, 0, 0);
    DWORD code = 1;
    EXPECT_TRUE(senderQv.WaitExit(kWait, code));
    EXPECT_TRUE(receiverQv.WaitExit(kWait, code));
}

} // namespace
