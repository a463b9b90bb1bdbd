// The handshake between the requester and an author in another process, over loopback.
#include <gtest/gtest.h>

#include "assist/assist_author.h"
#include "assist/assist_handshake.h"
#include "assist/assistance_request.h"
#include "common/net_helpers.h"
#include "xml/config_documents.h"
#include "xml/xml_document.h"
#include "tests/assist/dialog_answers.h"
#include "tests/assist/standin_sharing.h"
#include "tests/support/screenshots.h"
#include "tests/support/test_files.h"

#include <atomic>
#include <cstdio>
#include <memory>
#include <thread>
#include <string>

namespace {

constexpr wchar_t kCannotAccept[] = L"The author cannot at the moment accept the request.";
// The opening request as the menu command sends it: {0, 1}, length 8, "Brindlex".
constexpr char kOpeningHex[] = "0000000001000000080000004272696e646c6578";

// A request ends well within this, once its message is answered.
constexpr ULONGLONG kRequestEndsMs = 60000;

// The texts of the request dialogs still shown.
std::wstring OpenDialogTexts() {
    std::wstring texts;
    std::vector<HWND> listed;
    for (const wchar_t* title : {L"Remote Assistance", L"Message"})
        while (HWND window = FindProcessWindow(title, &listed)) {
            texts += WindowTexts(window);
            listed.push_back(window);
        }
    return texts;
}

std::wstring ProgramFolder() {
    wchar_t self[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    return path.substr(0, path.find_last_of(L'\\'));
}

// The scripted author (assist_peer.exe) in a process of its own.
void SaveWindowPicture(HWND window, const wchar_t* name) {
    RECT rect{};
    GetWindowRect(window, &rect);
    if (HBITMAP bitmap = CopyScreenArea(rect)) {
        SaveBitmapAsPng(bitmap, ScreenshotFolder() + L"\\" + name);
        DeleteObject(bitmap);
    }
}

class AuthorProcess {
public:
    explicit AuthorProcess(const wchar_t* mode) {
        std::wstring line = L"\"" + ProgramFolder() + L"\\assist_peer.exe\" " + mode + L" \"" +
                            folder_.File(L"port.txt") + L"\" \"" + folder_.File(L"result.txt") + L"\"";
        STARTUPINFOW startup{sizeof startup};
        if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process_))
            return;
        CloseHandle(process_.hThread);
        for (int i = 0; i < 400 && Port == 0; ++i) {
            Sleep(50);
            Port = static_cast<uint16_t>(std::atoi(ReadFileBytes(folder_.File(L"port.txt")).c_str()));
        }
    }
    ~AuthorProcess() {
        if (!process_.hProcess) return;
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
            TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hProcess);
    }
    // What the author received, once it ended.
    std::string Result() {
        WaitForSingleObject(process_.hProcess, 20000);
        return ReadFileBytes(folder_.File(L"result.txt"));
    }
    uint16_t Port = 0;

private:
    TestFolder folder_{L"assist-peer"};
    PROCESS_INFORMATION process_{};
};

class Handshake : public testing::Test {
protected:
    void SetUp() override {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    }
    void TearDown() override {
        CoUninitialize();
        WSACleanup();
    }
};

TEST_F(Handshake, CancelOpensNoConnection) {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    ASSERT_EQ(bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(probe, 1), 0);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    {
        DialogAnswers answers({{L"Remote Assistance", IDCANCEL}});
        assist::RequestRemoteAssistance(nullptr, "127.0.0.1", ntohs(address.sin_port), kAssistCallerData);
        EXPECT_NE(answers.Seen().find(L"Enable Remote Assistance?"), std::wstring::npos);
    }
    fd_set waiting;
    FD_ZERO(&waiting);
    FD_SET(probe, &waiting);
    timeval none{0, 0};
    EXPECT_EQ(select(0, &waiting, nullptr, nullptr, &none), 0); // nobody knocked
    closesocket(probe);
}

// Each request runs in a thread of its own as the interface thread would, one after another:
// Wine sometimes leaves a task dialog half built when several threads create theirs at once.
// Desktop sharing is missing here, so an accepted request is told that once the handshake is done.
TEST_F(Handshake, RefusalsHostileRepliesAndMissingSharingEndWithOneMessageEach) {
    const wchar_t* modes[] = {L"refuse", L"hostile", L"oversized", L"elsewhere", L"accept"};
    std::vector<std::unique_ptr<AuthorProcess>> authors;
    for (const wchar_t* mode : modes) {
        authors.push_back(std::make_unique<AuthorProcess>(mode));
        ASSERT_NE(authors.back()->Port, 0) << mode;
    }
    std::wstring seen;
    {
        DialogAnswers answers({{L"Remote Assistance", IDOK}, {L"Message", IDOK}}, true);
        for (size_t i = 0; i < authors.size(); ++i) {
            std::atomic<bool> ended{false};
            std::thread request([port = authors[i]->Port, &ended] {
                assist::RequestRemoteAssistance(nullptr, "127.0.0.1", port, kAssistCallerData);
                ended = true;
            });
            const ULONGLONG deadline = GetTickCount64() + kRequestEndsMs;
            while (!ended && GetTickCount64() < deadline) Sleep(50);
            if (!ended) {
                // A request that cannot end cannot be joined either: say what stays open and stop here.
                ADD_FAILURE() << "the request to the " << testing::PrintToString(std::wstring(modes[i]))
                              << " author still runs; answered so far:\n"
                              << testing::PrintToString(answers.Seen()) << "\nstill open:\n"
                              << testing::PrintToString(OpenDialogTexts());
                std::fflush(stdout);
                TerminateProcess(GetCurrentProcess(), 1);
            }
            request.join();
        }
        seen = answers.Seen();
    }
    size_t refusals = 0;
    for (size_t at = seen.find(kCannotAccept); at != std::wstring::npos;
         at = seen.find(kCannotAccept, at + 1))
        ++refusals;
    EXPECT_EQ(refusals, 4u);
    const std::wstring missing = L"Desktop sharing is not available on this computer.";
    EXPECT_EQ(seen.find(missing), seen.rfind(missing));
    EXPECT_NE(seen.find(missing), std::wstring::npos);
    for (size_t i = 0; i < authors.size(); ++i) {
        const std::string result = authors[i]->Result();
        EXPECT_EQ(result.substr(0, result.find('\n')), kOpeningHex) << modes[i];
    }
    // The accepted request closed its connection without an invitation, and nothing stays up.
    const std::string accepted = authors.back()->Result();
    EXPECT_EQ(accepted.substr(accepted.find('\n') + 1), "closed");
    EXPECT_FALSE(FindProcessWindow(L"Remote Assistance"));
}

TEST_F(Handshake, AcceptedReplyInSegmentsOpensTheSessionAndSendsTheInvitation) {
    StandInSharing standIn;
    AuthorProcess author(L"split");
    ASSERT_NE(author.Port, 0);
    // Options OK; the session dialog's close box is refused; Terminate ends the session.
    std::wstring client;
    int32_t depth = 0;
    bool filtered = true;
    bool stayed = false;
    const INT element = COLOR_BACKGROUND;
    const COLORREF desktop = RGB(10, 120, 200);
    SetSysColors(1, &element, &desktop);
    COLORREF sessionColor = desktop;
    std::thread terminate([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 400 && !dialog; ++i, Sleep(50)) {
            dialog = FindProcessWindow(L"Remote Assistance");
            if (dialog && WindowTexts(dialog).find(L"Author is connected.") == std::wstring::npos) {
                PostMessageW(dialog, WM_COMMAND, IDOK, 0); // the options dialog
                for (int j = 0; j < 400 && IsWindow(dialog) && IsWindowVisible(dialog); ++j) Sleep(50);
                dialog = nullptr;
            }
        }
        // The session is up once the desktop is blank and the sharing has its client.
        for (int i = 0; i < 400 && !(GetSysColor(COLOR_BACKGROUND) == RGB(0, 0, 0) &&
                                     !standIn.ConnectedToClient().empty() && standIn.ColorDepth() != 0);
             ++i)
            Sleep(50);
        sessionColor = GetSysColor(COLOR_BACKGROUND);
        client = standIn.ConnectedToClient();
        depth = standIn.ColorDepth();
        filtered = standIn.FilterEnabled();
        SaveWindowPicture(dialog, L"assist_session_dialog.png");
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0); // the close box
        Sleep(500);
        stayed = IsWindowVisible(dialog) != FALSE;
        PostMessageW(GetDlgItem(dialog, 903), BM_CLICK, 0, 0);
    });
    assist::RequestRemoteAssistance(nullptr, "127.0.0.1", author.Port, kAssistCallerData);
    terminate.join();
    const std::string result = author.Result();
    const size_t end = result.find('\n');
    EXPECT_EQ(result.substr(0, end), kOpeningHex);
    EXPECT_EQ(result.substr(end + 1, 24), "<E><A KH=\"standin\" ID=\"i"); // the invitation, whole
    EXPECT_NE(client.find(L"N=\"127.0.0.1\""), std::wstring::npos);
    EXPECT_EQ(depth, 24);
    EXPECT_FALSE(filtered); // the whole desktop was left checked
    EXPECT_TRUE(stayed);
    EXPECT_EQ(sessionColor, RGB(0, 0, 0)); // the desktop is blank while shown
    EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), desktop);
    EXPECT_TRUE(standIn.ConnectedToClient().empty()); // the session was closed
}

// The author's side reads bounded lengths and refuses what is not an opening request.
TEST_F(Handshake, TheAuthorRefusesMalformedAndUnwantedRequests) {
    AssistAuthor author;
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(probe);
    author.Port = ntohs(address.sin_port);
    author.Check = [](const std::string& data, void*) -> HRESULT {
        return data == "Brindlex" ? E_FAIL : S_FALSE;
    };
    ASSERT_TRUE(StartAssistAuthor(author));

    struct Case {
        AssistMessageHeader Opening;
        uint32_t Length;
        std::string Data;
        AssistMessageHeader Reply;
    };
    const Case cases[] = {
        {{5, 1}, 0, "", {5, 0}},           // not an opening request
        {{0, 2}, 0, "", {0, 0}},           // a value above 1
        {{0, 1}, 0xFFFFFFF0u, "", {1, 0}}, // caller data far too long: not read
        {{0, 1}, 8, "Brindlex", {1, 0}},   // the owner's check refuses
    };
    for (const Case& c : cases) {
        SOCKET client = ConnectTcp("127.0.0.1", author.Port);
        ASSERT_NE(client, 0u);
        ASSERT_TRUE(SendHeader(client, c.Opening));
        if (c.Opening.Type == 0 && c.Opening.Value == 1) {
            const uint32_t length = c.Length;
            SendAll(client, reinterpret_cast<const char*>(&length), 4, 0);
            SendAll(client, c.Data.data(), static_cast<int>(c.Data.size()), 0);
        }
        AssistMessageHeader reply{99, 99};
        EXPECT_TRUE(ReceiveHeader(client, reply));
        EXPECT_EQ(reply.Type, c.Reply.Type);
        EXPECT_EQ(reply.Value, 0u);
        char more = 0;
        EXPECT_LE(recv(client, &more, 1, 0), 0); // and the connection is closed
        closesocket(client);
    }
    StopAssistAuthor(author);
}

} // namespace

// The shipped settings hold the key empty: the request must not go to this very computer.
TEST(AuthorHost, AnEmptySettingFallsBackToTheProgramsOwnHost) {
    XmlDocument settings;
    XmlDocumentOpenText(&settings, "<?xml ?><root><Cfg><Options1 Assistance_Host=\"\"/></Cfg></root>");
    UserConfigDocument = &settings;
    EXPECT_EQ(AssistanceAuthorHost(), "assist.brindlex.invalid");
    XmlDocumentOpenText(&settings,
                        "<?xml ?><root><Cfg><Options1 Assistance_Host=\"127.0.0.1\"/></Cfg></root>");
    EXPECT_EQ(AssistanceAuthorHost(), "127.0.0.1");
    UserConfigDocument = nullptr;
}
