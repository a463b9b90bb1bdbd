#include "tests/assist/sharing_pair.h"

#include "tests/assist/dialog_answers.h"
#include "tests/support/screenshots.h"

#include <cstring>
#include <numeric>

namespace {

std::wstring ControlText(HWND window, int id) {
    HWND control = GetDlgItem(window, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return text;
}

// Types a line into a chat window's input and presses Enter.
void TypeChatLine(HWND chat, const wchar_t* line) {
    HWND input = GetDlgItem(chat, 901);
    SetWindowTextW(input, line);
    SendMessageW(input, WM_CHAR, 13, 0);
}

uint32_t Sum(const std::vector<uint32_t>& sizes) {
    return std::accumulate(sizes.begin(), sizes.end(), 0u);
}

// The file dialog of an incoming file, once its buttons say the transfer ended.
HWND FinishedFileDialog() {
    HWND dialog = FindProcessWindow(L"File Transfer");
    return dialog && IsWindowEnabled(GetDlgItem(dialog, 9)) ? dialog : nullptr;
}

void CloseFileDialog() {
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpFor([&] { return (dialog = FinishedFileDialog()) != nullptr; }));
    PostMessageW(GetDlgItem(dialog, 9), BM_CLICK, 0, 0);
    ASSERT_TRUE(PumpFor([&] { return !FindProcessWindow(L"File Transfer"); }));
}

void SaveScreenshot(HWND window, const wchar_t* name) {
    RECT rect{};
    GetWindowRect(window, &rect);
    if (HBITMAP bitmap = CopyScreenArea(rect)) {
        SaveBitmapAsPng(bitmap, ScreenshotFolder() + L"\\" + name);
        DeleteObject(bitmap);
    }
}

TEST_F(SessionPair, ChatTravelsBothWays) {
    HWND userChat = ChatWindow(user);
    TypeChatLine(userChat, L"Can you see my screen?");
    ASSERT_TRUE(PumpFor([&] {
        return author.ChatWindowHandle &&
               ControlText(author.ChatWindowHandle, 900).find(L"<Remote> Can you see my screen?") !=
                   std::wstring::npos;
    }));
    EXPECT_NE(ControlText(userChat, 900).find(L"<Local> Can you see my screen?"), std::wstring::npos);
    EXPECT_TRUE(ControlText(userChat, 901).empty());

    TypeChatLine(author.ChatWindowHandle, L"Yes, open the settings.");
    ASSERT_TRUE(PumpFor([&] {
        return ControlText(userChat, 900).find(L"<Remote> Yes, open the settings.") != std::wstring::npos;
    }));
    SaveScreenshot(userChat, L"assist_chat.png");

    // A remote text of any length, terminated or not, shows at most 1000 characters.
    const std::wstring longText(3000, L'z');
    SendMessageW(userChat, WM_ASSIST_CHAT_TEXT, 6000, reinterpret_cast<LPARAM>(longText.data()));
    const std::wstring shown = ControlText(userChat, 900);
    EXPECT_EQ(std::count(shown.begin(), shown.end(), L'z'), 1000);
}

TEST_F(SessionPair, AFileArrivesInPiecesUnderAFreeName) {
    TestFolder source(L"assist-source");
    std::string content(2500, '\0');
    for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i % 251);
    ASSERT_TRUE(WriteFileBytes(source.File(L"report.txt"), content));
    ASSERT_TRUE(WriteFileBytes(authorFolder.File(L"report.txt"), "older"));
    standIn->SetChannelWindow(1);

    user.FilePath = source.File(L"report.txt");
    ASSERT_TRUE(StartFileSend(user));
    CloseFileDialog();
    EXPECT_EQ(ReadFileBytes(authorFolder.File(L"_1_report.txt")), content);
    EXPECT_EQ(ReadFileBytes(authorFolder.File(L"report.txt")), "older");
    EXPECT_EQ(standIn->Delivered(true, L"file"), (std::vector<uint32_t>{608, 1024, 1024, 452}));
    EXPECT_GT(standIn->PendingAnswers(L"file"), 0u);
    EXPECT_EQ(authorFolder.Entries().size(), 2u); // no temporary file left

    // An empty file is only its header: the writer ends at once and the file is there.
    ASSERT_TRUE(WriteFileBytes(source.File(L"empty.txt"), ""));
    user.FilePath = source.File(L"empty.txt");
    ASSERT_TRUE(StartFileSend(user));
    CloseFileDialog();
    EXPECT_TRUE(FileExists(authorFolder.File(L"empty.txt")));
    EXPECT_EQ(authorFolder.Entries().size(), 3u);
}

TEST_F(SessionPair, CancelAtTheReceiverStopsTheSender) {
    TestFolder source(L"assist-source");
    const std::string content(400 * 1024, 'q');
    ASSERT_TRUE(WriteFileBytes(source.File(L"big.bin"), content));
    standIn->SetChannelWindow(1);
    user.FilePath = source.File(L"big.bin");
    ASSERT_TRUE(StartFileSend(user));

    HWND dialog = nullptr;
    ASSERT_TRUE(PumpFor([&] {
        dialog = FindProcessWindow(L"File Transfer");
        return dialog && standIn->Delivered(true, L"file").size() > 4;
    }));
    // Pieces arrive only while this thread pumps: the click is taken with the transfer still on.
    HWND cancel = GetDlgItem(dialog, 2);
    PostMessageW(cancel, BM_CLICK, 0, 0);
    for (int i = 0; i < 400 && IsWindowEnabled(cancel); ++i) Sleep(50);
    ASSERT_FALSE(IsWindowEnabled(cancel));
    ASSERT_TRUE(PumpFor([&] { return standIn->Delivered(false, L"data").size() == 1; }));
    EXPECT_EQ(TransferStatus.load(), E_FAIL);
    CloseFileDialog();
    user.Threads.WaitAll(); // the sender has ended
    PumpFor([] { return false; }, 300);
    EXPECT_LT(Sum(standIn->Delivered(true, L"file")), content.size());
    EXPECT_TRUE(authorFolder.Entries().empty()); // the part that came is not kept
}

TEST_F(SessionPair, ClipboardTextTravelsAsAFile) {
    const std::wstring text = L"C:\\Program Files\\Tool\\tool.ini";
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
    std::memcpy(GlobalLock(memory), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();

    SendClipboard(author);
    CloseFileDialog();
    const auto entries = userFolder.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].substr(0, 3), L"txt");
    EXPECT_EQ(entries[0].substr(entries[0].size() - 4), L".txt");
    const std::string bytes = ReadFileBytes(userFolder.File(entries[0].c_str()));
    EXPECT_EQ(bytes,
              std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2)); // no terminator

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    DialogAnswers answers({{L"Message", IDOK}});
    SendClipboard(user);
    EXPECT_NE(answers.Seen().find(L"No clipboard data available."), std::wstring::npos);
}

TEST_F(SessionPair, ControlIsGivenOnlyWhenTheUserAgrees) {
    {
        DialogAnswers answers({{L"Remote Assistance", IDNO}});
        EXPECT_TRUE(viewer->RequestControl(CTRL_LEVEL_INTERACTIVE));
        ASSERT_TRUE(PumpFor([&] { return answers.Answered() == 1; }));
        EXPECT_NE(answers.Seen().find(L"asks to control"), std::wstring::npos);
        EXPECT_EQ(standIn->AttendeeControlLevel(), CTRL_LEVEL_VIEW);
    }
    DialogAnswers answers({{L"Remote Assistance", IDYES}});
    EXPECT_TRUE(viewer->RequestControl(CTRL_LEVEL_INTERACTIVE));
    ASSERT_TRUE(PumpFor([&] { return answers.Answered() == 1; }));
    EXPECT_TRUE(PumpFor([&] { return standIn->AttendeeControlLevel() == CTRL_LEVEL_INTERACTIVE; }));
}

// A header as a sender writes it; the path is copied raw, so a hostile one can fill the field.
std::vector<uint8_t> RawHeader(const std::wstring& path, uint64_t size) {
    std::vector<uint8_t> header(kFileHeaderSize, 0);
    std::memcpy(header.data(), path.data(), std::min<size_t>(path.size() * 2, kFileHeaderPathBytes));
    std::memcpy(header.data() + kFileHeaderPathBytes, &size, 8);
    return header;
}

TEST(ReceivedFileNames, HostileNamesStayPlainNamesInTheFolder) {
    struct Case {
        std::wstring Path;
        std::wstring Name;
    };
    const Case cases[] = {
        {L"C:\\Users\\ann\\report.txt", L"report.txt"},
        {L"..\\..\\Windows\\system32\\evil.dll", L"evil.dll"},
        {L"C:/temp/../../boot.ini", L"boot.ini"},
        {L"C:\\share\\CON", L"_CON"},
        {L"C:\\share\\..", L"_"},
        {L"D:notes.txt", L"D_notes.txt"},
        {L"name\x0001with\x001f"
         L"controls.txt",
         L"name_with_controls.txt"},
    };
    for (const Case& c : cases) {
        std::wstring name;
        uint64_t size = 0;
        ASSERT_TRUE(ReadFileHeader(RawHeader(c.Path, 77).data(), kFileHeaderSize, name, size)) << c.Path;
        EXPECT_EQ(name, c.Name) << c.Path;
        EXPECT_EQ(size, 77u);
    }
    // A path that fills the whole field without a terminator is cut at the field's end.
    std::wstring name;
    uint64_t size = 0;
    ASSERT_TRUE(ReadFileHeader(RawHeader(std::wstring(400, L'a'), 1).data(), kFileHeaderSize, name, size));
    EXPECT_LE(name.size(), 300u);
    EXPECT_FALSE(ReadFileHeader(RawHeader(L"x", 1).data(), kFileHeaderSize - 1, name, size));

    // A long sender path keeps its end, terminated, so the receiver still reads the name.
    const std::vector<uint8_t> header =
        BuildFileHeader(L"C:\\" + std::wstring(400, L'd') + L"\\final.txt", 5);
    EXPECT_EQ(header[kFileHeaderPathBytes - 1], 0);
    EXPECT_EQ(header[kFileHeaderPathBytes - 2], 0);
    ASSERT_TRUE(ReadFileHeader(header.data(), kFileHeaderSize, name, size));
    EXPECT_EQ(name, L"final.txt");
}

TEST(ReceivedFileNames, ExistingFilesAreNeverOverwritten) {
    TestFolder folder(L"assist-names");
    EXPECT_EQ(ChooseReceivedFileName(folder.Path(), L"a.txt"), folder.File(L"a.txt"));
    WriteFileBytes(folder.File(L"a.txt"), "1");
    EXPECT_EQ(ChooseReceivedFileName(folder.Path(), L"a.txt"), folder.File(L"_1_a.txt"));
    WriteFileBytes(folder.File(L"_1_a.txt"), "1");
    EXPECT_EQ(ChooseReceivedFileName(folder.Path(), L"a.txt"), folder.File(L"_2_a.txt"));
    for (int n = 2; n <= 99; ++n)
        WriteFileBytes(folder.File((L"_" + std::to_wstring(n) + L"_a.txt").c_str()), "1");
    EXPECT_TRUE(ChooseReceivedFileName(folder.Path(), L"a.txt").empty()); // refused, not overwritten
    EXPECT_TRUE(ChooseReceivedFileName(L"", L"a.txt").empty());
}

} // namespace
