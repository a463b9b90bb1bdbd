// The channel list window filled by a scripted server's LIST replies, filtered, sorted, saved and
// loaded back; finding text in a view; a window's log and its encrypted copy.
#include "tests/dialogs/dialog_session.h"

#include "common/aes_crypt.h"
#include "common/data_folders.h"
#include "common/xstring.h"
#include "core/client_services.h"
#include "core/window_list.h"
#include "core/window_record.h"
#include "shell/chats/window_text_commands.h"
#include "tests/frame/chat_session.h"
#include "tests/support/test_files.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>

namespace {

using WindowText = FrameTest;

size_t Count(const std::wstring& text, const std::wstring& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

std::wstring RowText(HWND list, int row) {
    std::wstring text;
    for (int column = 0; column < 3; ++column) {
        wchar_t cell[600] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = cell;
        item.cchTextMax = 600;
        SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        text += std::wstring(cell) + (column < 2 ? L"\t" : L"\n");
    }
    return text;
}

// What the list control of a channel list window shows: "channel TAB members TAB topic" per row.
std::wstring ShownRows(const WindowRecord* record) {
    std::wstring text;
    const int count = static_cast<int>(SendMessageW(record->ChannelListView, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) text += RowText(record->ChannelListView, i);
    return text;
}

int SelectedRow(const WindowRecord* record) {
    return static_cast<int>(
        SendMessageW(record->ChannelListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void SetInput(WindowRecord* record, const std::wstring& text) {
    SetWindowTextW(record->Input, text.c_str());
}

TEST_F(WindowText, ChannelListOfThreeThousandIsListedFilteredSortedSavedAndLoadedBack) {
    ChatSession session;
    ASSERT_TRUE(session.Ready());
    const std::string nick = session.Nick();
    std::string lines = ":irc.test 321 " + nick + " Channel :Users Name\r\n";
    for (int i = 0; i < 3000; ++i) {
        const std::string topic = i % 10 == 0 ? "about cats" : "general talk";
        lines += ":irc.test 322 " + nick + " #room" + std::to_string(10000 + i) + " " +
                 std::to_string(2 + i % 50) + " :" + topic + "\r\n";
    }
    // A hostile row: control codes and link markup never reach the view or the saved file.
    lines += ":irc.test 322 " + nick +
             " #evil 40 :\x18{x|||/quit}click\x18 \x03"
             "4red\r\n";
    lines += ":irc.test 322 " + nick + " #Big 3 :xy\r\n:irc.test 322 " + nick + " #alpha 4 :xy\r\n";
    // A list of over 100 rows leaves out channels of fewer than two members.
    lines += ":irc.test 322 " + nick + " #lonely 1 :xy\r\n";
    lines += ":irc.test 323 " + nick + " :End of LIST\r\n";

    Activate(session.ServerWindow);
    PostCommand(frame_, 707);
    ASSERT_TRUE(session.ServerGot("LIST"));
    session.Send(lines);
    WindowRecord* list = nullptr;
    ASSERT_TRUE(Pump(
        [&] {
            list = FindRecord(session.ServerWindow->Name + "_List", kQueryWindow);
            return list && list->ChannelListRows.Count() == 3004 && Count(ShownRows(list), L"\n") == 3003;
        },
        60000))
        << (list ? list->ChannelListRows.Count() : 0) << " rows";
    // The list takes the view's place (the view's last line may have put its redraw off).
    Settle(200);
    RECT viewArea{};
    GetClientRect(list->View, &viewArea);
    EXPECT_TRUE(!IsWindowVisible(list->View) || IsRectEmpty(&viewArea));
    EXPECT_TRUE(IsWindowVisible(list->ChannelListView));
    // Every other row is shown, most members first.
    const std::wstring all = ShownRows(list);
    EXPECT_EQ(0u, all.find(L"#room10049\t51\tgeneral talk\n")) << all.substr(0, 200);
    EXPECT_NE(std::wstring::npos, all.find(L"#alpha\t4\txy\n"));
    EXPECT_EQ(std::wstring::npos, all.find(L'\x18'));
    for (const ChannelListEntry& row : list->ChannelListRows.Copy())
        EXPECT_EQ(std::string::npos, row.Topic.find('\x18')) << row.Channel;

    // The title counts the rows; a command typed into the input box filters nothing away.
    wchar_t title[100] = {};
    GetWindowTextW(list->Window, title, 100);
    EXPECT_STREQ(L"Channel list - 3003 of 3004 channels", title);
    SetInput(list, L"");
    for (const wchar_t typed : std::wstring(L"/query")) SendMessageW(list->Input, WM_CHAR, typed, 0);
    EXPECT_EQ(3003u, Count(ShownRows(list), L"\n"));

    // "*word" filters by topic, members sort most first, names sort in byte order.
    SetInput(list, L"*cats");
    PostCommand(frame_, 772);
    ASSERT_TRUE(Pump([&] { return Count(ShownRows(list), L"#room") == 300; }, 60000));
    // Saved as RTF: the rows the filter shows, each once, between the header lines and the footer.
    {
        TestFolder folder(L"rtf");
        const std::wstring rtfPath = folder.Path() + L"\\list.rtf";
        DialogWatcher watcher([&](HWND dialog) { ChooseSaveFile(dialog, rtfPath); });
        Activate(list);
        PostCommand(frame_, 982);
        watcher.Texts(20000);
        ASSERT_TRUE(Pump([&] { return !ReadFileBytes(rtfPath).empty(); }, 20000));
        const std::wstring rtf = NarrowToWide(ReadFileBytes(rtfPath));
        EXPECT_EQ(0u, rtf.find(L"{\\rtf1"));
        EXPECT_EQ(300u, Count(rtf, L"#room"));
        EXPECT_EQ(300u, Count(rtf, L"about cats"));
        EXPECT_LT(rtf.find(L" List "), rtf.find(L"#room"));
        EXPECT_LT(rtf.rfind(L"#room"), rtf.find(L" End "));
    }
    // Find goes through the shown rows: from the top, then on from the selected row.
    Activate(list);
    SetInput(list, L"about cats");
    PostCommand(frame_, 500);
    ASSERT_TRUE(Pump([&] { return SelectedRow(list) == 0; }, 10000));
    PostCommand(frame_, 501);
    ASSERT_TRUE(Pump([&] { return SelectedRow(list) == 1; }, 10000));
    SetInput(list, L"#room10040");
    PostCommand(frame_, 500);
    ASSERT_TRUE(
        Pump([&] { return RowText(list->ChannelListView, SelectedRow(list)).starts_with(L"#room10040\t"); },
             10000));

    // Enter on a row joins its channel.
    SendMessageW(list->ChannelListView, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(session.ServerGot("JOIN #room10040"));
    // A click on the Channel header sorts by name.
    SetInput(list, L"*xy");
    HWND header = reinterpret_cast<HWND>(SendMessageW(list->ChannelListView, LVM_GETHEADER, 0, 0));
    RECT channelHeader{};
    SendMessageW(header, HDM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&channelHeader));
    const LPARAM at = MAKELPARAM(channelHeader.left + 20, channelHeader.top + 5);
    SendMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(header, WM_LBUTTONUP, 0, at);
    ASSERT_TRUE(Pump([&] { return Count(ShownRows(list), L"#") == 2; }, 60000));
    const std::wstring byName = ShownRows(list);
    EXPECT_LT(byName.find(L"#Big"), byName.find(L"#alpha"))
        << "by name, upper case first, though #alpha has more members";

    // Saved, then loaded back instead of asking the server.
    const std::wstring path = ChannelListFile(session.ServerWindow);
    {
        DialogWatcher watcher([&](HWND dialog) { ChooseSaveFile(dialog, path); });
        Activate(list);
        PostCommand(frame_, 983);
        watcher.Texts(20000);
    }
    ASSERT_TRUE(Pump([&] { return !ReadFileBytes(path).empty(); }, 10000));
    const std::string saved = ReadFileBytes(path);
    EXPECT_NE(std::string::npos, saved.find("#room10000\\\\\\\\\\\\"));
    EXPECT_EQ(std::string::npos, saved.find('\x18'));
    list->ChannelListRows.Clear();
    {
        DialogWatcher watcher([](HWND box) { ClickButton(box, IDYES); });
        Activate(session.ServerWindow);
        PostCommand(frame_, 707);
        EXPECT_NE(std::wstring::npos, watcher.Texts(20000).find(L"Load saved list?"));
    }
    ASSERT_TRUE(Pump([&] { return list->ChannelListRows.Count() == 3004; }, 30000));
    EXPECT_EQ(std::vector<ChannelListEntry>().size(), ParseChannelListFile("#a\\\\\\x\\\\\\3\r\n").size())
        << "a line of three fields is skipped";
}

TEST_F(WindowText, FindGoesForwardFromASelectionAndStartsAgainFromTheTop) {
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.find");
    WindowRecord* query = OpenChat(kQueryWindow, server, "finder");
    for (const wchar_t* line : {L"alpha one", L"beta", L"alpha two", L"Alpha three"})
        PrintToWindow(kInformationLine, query, line);
    ASSERT_TRUE(Pump([&] { return ViewText(query->View).find(L"Alpha three") != std::wstring::npos; }));
    auto selected = [&] {
        CHARRANGE range{};
        SendMessageW(query->View, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        std::wstring all = ViewText(query->View);
        std::erase(all, L'\n');
        return std::pair<LONG, std::wstring>(
            range.cpMin,
            all.substr(static_cast<size_t>(range.cpMin), static_cast<size_t>(range.cpMax - range.cpMin)));
    };
    const LONG end = GetWindowTextLengthW(query->View);
    SendMessageW(query->View, EM_SETSEL, end, end);
    Activate(query);
    {
        DialogWatcher watcher([](HWND dialog) {
            SetControlText(dialog, 101, L"alpha");
            CheckDlgButton(dialog, 201, BST_CHECKED);
            ClickButton(dialog, IDOK);
        });
        PostCommand(frame_, 500);
        watcher.Texts(20000);
    }
    // The search runs when the dialog's OK ends it; the later ones are done when the command
    // returns.
    EXPECT_TRUE(Pump([&] { return selected().second == L"alpha"; }));
    const auto first = selected();
    EXPECT_EQ(L"alpha", first.second);
    SendMessageW(frame_, WM_COMMAND, 501, 0);
    const auto second = selected();
    EXPECT_EQ(L"alpha", second.second);
    EXPECT_GT(second.first, first.first);
    SendMessageW(frame_, WM_COMMAND, 501, 0); // "Alpha three" does not match case: the selection stays
    EXPECT_EQ(second.first, selected().first);
    SetInput(query, L"alpha");
    SendMessageW(frame_, WM_COMMAND, 500, 0); // from the top again
    EXPECT_EQ(first.first, selected().first);
}

TEST_F(WindowText, LogStartsWithOneMarkAndTheEncryptedCopyReadsBack) {
    TestFolder folder(L"logs");
    WindowRecord* server = OpenChat(kServerWindow, nullptr, "irc.log");
    WindowRecord* query = OpenChat(kQueryWindow, server, "logged");
    PrintToWindow(kInformationLine, query, L"before the log");
    Settle(200);
    Activate(query);
    const std::wstring path = folder.Path() + L"\\logged.log";
    for (int round = 0; round < 2; ++round) {
        DialogWatcher watcher([&](HWND dialog) {
            ChooseSaveFile(dialog, path);
            // The create prompt of a new file, then the question whether the shown text is added.
            for (int i = 0; i < 2; ++i)
                if (HWND box = WaitForDialog(dialog, 3000)) {
                    ClickButton(box, IDYES);
                    WaitOnWatcher([&] { return !IsWindow(box); }, 3000);
                }
        });
        PostCommand(frame_, 981);
        watcher.Texts(20000);
        ASSERT_TRUE(Pump([&] { return query->Logging != 0; }, 10000));
        PrintToWindow(kInformationLine, query, L"während des Logs " + std::to_wstring(round));
        Settle(200);
        PostCommand(frame_, 981);
        ASSERT_TRUE(Pump([&] { return query->Logging == 0; }, 10000));
    }
    const std::string log = ReadFileBytes(path);
    EXPECT_EQ(0u, log.find("\xEF\xBB\xBF")) << "a new log starts with the mark";
    EXPECT_EQ(std::string::npos, log.find("\xEF\xBB\xBF", 1)) << "an existing log gets no second mark";
    EXPECT_NE(std::string::npos, log.find("# Log start: logged ("));
    EXPECT_NE(std::string::npos, log.find("w\xC3\xA4hrend des Logs 1"));
    EXPECT_EQ(2u, Count(NarrowToWide(log), L"# Log start: ")) << log;
    EXPECT_EQ(2u, Count(NarrowToWide(log), L"# Log end: ")) << log;

    const std::wstring sealedPath = folder.Path() + L"\\sealed.log";
    bool hidden = false;
    {
        DialogWatcher watcher([&](HWND dialog) {
            ChooseSaveFile(dialog, sealedPath);
            if (HWND prompt = WaitForDialog(dialog, 5000)) {
                // The pass phrase shows as dots while it is typed.
                hidden = SendDlgItemMessageW(prompt, 102, EM_GETPASSWORDCHAR, 0, 0) != 0;
                SetControlText(prompt, 102, L"pass phrase");
                ClickButton(prompt, IDOK);
            }
        });
        PostCommand(frame_, 984);
        watcher.Texts(20000);
    }
    EXPECT_TRUE(hidden);
    ASSERT_TRUE(Pump([&] { return !ReadFileBytes(sealedPath).empty(); }, 10000));
    const std::string sealed = ReadFileBytes(sealedPath);
    std::vector<unsigned char> opened;
    ASSERT_TRUE(AesCryptBuffer("pass phrase", 256, sealed.data(), sealed.size(), false, opened));
    const std::string text(opened.begin(), opened.end());
    EXPECT_EQ(0u, text.find("\xEF\xBB\xBF"));
    EXPECT_NE(std::string::npos, text.find("before the log"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((TempFolder + L"\\qv.tmp").c_str()))
        << "no plain copy is written to the temporary folder";
    SetFileAttributesW(sealedPath.c_str(), FILE_ATTRIBUTE_NORMAL);
}

} // namespace
