// Files dropped on chat windows (as the chat windows hand WM_DROPFILES on) open the send dialog, which offers
// each file with one "/dcc" line.
#include "tests/dcc/dcc_test_support.h"

#include "common/xstring.h"
#include "peer/dcc_send_dialog.h"
#include "tests/assist/dialog_answers.h"
#include "tests/recorders/recorders.h"
#include "tests/support/chat_test_frame.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>

#include <thread>

namespace {

// A drop of the files at the point (client coordinates of the window it is posted to).
HDROP MakeDrop(const std::vector<std::wstring>& files, POINT point) {
    size_t chars = 1;
    for (const std::wstring& file : files) chars += file.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = point;
    drop->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& file : files) {
        file.copy(names, file.size());
        names += file.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

// Answers the send dialog from a thread of its own as a person would: notes the two fields,
// chooses IPv6 and passive when asked, and presses the button (OK unless told).
struct DialogPerson {
    std::wstring Nick, Files;
    std::thread Thread;
    explicit DialogPerson(bool passiveIpv6, WPARAM button = IDOK) {
        Thread = std::thread([this, passiveIpv6, button] {
            HWND dialog = nullptr;
            for (int i = 0; i < 1000 && !(dialog = FindProcessWindow(L"Send files")); ++i) Sleep(20);
            if (!dialog) return;
            wchar_t text[2000] = {};
            GetDlgItemTextW(dialog, 101, text, 2000);
            Nick = text;
            GetDlgItemTextW(dialog, 102, text, 2000);
            Files = text;
            if (passiveIpv6) {
                CheckRadioButton(dialog, 401, 402, 402);
                CheckDlgButton(dialog, 403, BST_CHECKED);
            }
            PostMessageW(dialog, WM_COMMAND, button, 0);
        });
    }
    void Join() {
        if (Thread.joinable()) Thread.join();
    }
    ~DialogPerson() { Join(); }
};

// The dialog types its offers through the real input dispatcher, which stops them at "On_Input".
std::vector<std::string> TypedLines() {
    return RecordedInputLines();
}

class DccSendDialog : public DccTest {};

} // namespace

TEST_F(DccSendDialog, ThreeFilesDroppedOnAQueryAreOfferedWhole) {
    WindowRecord* query = Open(kQueryWindow, "bob");
    ASSERT_NE(query, nullptr);
    const std::wstring folder = downloads_->Path() + L"\\";
    const std::vector<std::wstring> files = {folder + L"one.txt", folder + L"a, b.txt",
                                             folder + L"three.bin"};
    {
        DialogPerson person(false);
        peer::SendDroppedFiles(query, MakeDrop(files, {5, 5}));
        ASSERT_TRUE(PumpUntil([] { return TypedLines().size() == 3; }, 20000));
        person.Join();
        EXPECT_EQ(person.Nick, L"bob");
        EXPECT_EQ(person.Files, files[0] + L",\"" + files[1] + L"\"," + files[2]);
    }
    const std::vector<std::string> expected = {"/DCC4 bob SEND " + WideToNarrow(files[0]),
                                               "/DCC4 bob SEND " + WideToNarrow(files[1]),
                                               "/DCC4 bob SEND " + WideToNarrow(files[2])};
    EXPECT_EQ(TypedLines(), expected);

    CallLog::Instance().Clear();
    {
        DialogPerson person(true);
        peer::SendDroppedFiles(query, MakeDrop({files[1]}, {5, 5}));
        ASSERT_TRUE(PumpUntil([] { return TypedLines().size() == 1; }, 20000));
    }
    EXPECT_EQ(TypedLines()[0], "/ICC6 bob SEND " + WideToNarrow(files[1]));
}

// In a channel the nick under the drop point is the receiver, without the status the list shows
// it with; an empty spot offers nothing. The dialog opened for the list's selection offers to the
// bare nick too.
TEST_F(DccSendDialog, AChannelDropGoesToTheNickUnderThePoint) {
    WindowRecord* channel = Open(kChannelWindow, "#c");
    ASSERT_NE(channel, nullptr);
    Fill(channel, "@alice");
    ASSERT_EQ(Nicks(channel).size(), 1u);
    // The stand-in window's list has no column, which the program's nick list has.
    if (SendMessageW(channel->NickList, LVM_GETCOLUMNWIDTH, 0, 0) == 0) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 150;
        SendMessageW(channel->NickList, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    }
    const std::wstring file = downloads_->Path() + L"\\x.txt";

    RECT list{};
    GetWindowRect(channel->NickList, &list);
    POINT below{list.left + 5, list.bottom - 3};
    ScreenToClient(channel->Window, &below);
    {
        DialogAnswers cancel({{L"Send files", IDCANCEL}});
        peer::SendDroppedFiles(channel, MakeDrop({file}, below));
        EXPECT_EQ(cancel.Answered(), 0u) << "no dialog for an empty spot";
    }
    EXPECT_TRUE(TypedLines().empty());

    RECT item{};
    item.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(channel->NickList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item)));
    POINT on{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
    MapWindowPoints(channel->NickList, channel->Window, &on, 1);
    {
        DialogPerson person(false);
        peer::SendDroppedFiles(channel, MakeDrop({file}, on));
        ASSERT_TRUE(PumpUntil([] { return TypedLines().size() == 1; }, 20000));
    }
    EXPECT_EQ(TypedLines()[0], "/DCC4 alice SEND " + WideToNarrow(file));

    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    SendMessageW(channel->NickList, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&selected));
    DialogPerson person(false, IDCANCEL);
    peer::OpenDccSendDialog(nullptr, channel);
    person.Join();
    EXPECT_EQ(person.Nick, L"alice");
}
