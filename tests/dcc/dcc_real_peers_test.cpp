// DCC chat with irssi and WeeChat, real clients from Debian's packages, run in tmux and connected
// to a test ngircd on loopback: the chat offered both ways, lines both ways, and the end of the chat;
// and a file offered to an irssi that takes every file at once.
#include "tests/dcc/dcc_test_support.h"

#include "commands/command_interpreter.h"
#include "common/xstring.h"
#include "core/dcc_connection.h"
#include "irc/send_path.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/support/ngircd_server.h"
#include "tests/transfer/interop_peers.h"
#include "tests/transfer/transfer_test_support.h"

#include <iphlpapi.h>

namespace {

// A real client in a tmux session of its own, on the test's server as "bot"; always ended with
// its tmux server, and by its process id too: WeeChat without its interface outlives the hang-up
// of its terminal and then spins.
class RealClient {
public:
    virtual ~RealClient() {
        const std::string pid = ShellQuote(home_ + "/peer.pid");
        RunShell("tmux -L " + socket_ + " kill-server 2>/dev/null; [ -s " + pid + " ] && kill $(cat " + pid +
                 ") 2>/dev/null && sleep 0.5 && kill -9 $(cat " + pid + ") 2>/dev/null; true");
    }
    bool Started() const { return started_; }
    // Whether the test can type into the client: write a line into our chat, offer a chat to us
    // and close the chat.
    virtual bool Driven() const { return false; }
    virtual void Say(const std::string&) {}
    virtual void OfferChat() {}
    virtual void CloseChat() {}
    // Whether the client's logs hold the text.
    bool Logged(const std::string& text) const {
        return RunShell("grep -rqF " + ShellQuote(text) + " " + ShellQuote(home_ + "/logs")) == 0;
    }
    // What the client wrote about itself and what its terminal shows, for failure messages.
    std::string Log() {
        RunShell("tmux -L " + socket_ + " capture-pane -p -t peer > " + ShellQuote(home_ + "/pane.txt"));
        return ReadFileBytes(folder_ + L"pane.txt") + ReadFileBytes(folder_ + L"out.txt") +
               ReadFileBytes(folder_ + L"weechat.log");
    }
    std::string Nick;

protected:
    RealClient(const wchar_t* name, const std::string& nick)
        : Nick(nick), folder_(MakeTestFolder(name)), home_(UnixPath(folder_)) {
        socket_ = "brindlex-dcc-" + nick + "-" + std::to_string(GetCurrentProcessId());
    }
    void Run(const std::string& command) {
        // exec keeps the process id the file notes.
        const std::string noted = "echo $$ > " + ShellQuote(home_ + "/peer.pid") + " && exec " + command;
        started_ =
            RunShell("TERM=xterm tmux -L " + socket_ + " -f /dev/null new-session -d -s peer -x 160 -y 40 " +
                     ShellQuote("sh -c " + ShellQuote(noted))) == 0;
    }
    void Keys(const std::string& line) {
        RunShell("tmux -L " + socket_ + " send-keys -t peer " + ShellQuote(line) + " Enter");
    }
    std::wstring folder_; // ends in a backslash
    std::string home_;
    std::string socket_;
    bool started_ = false;
};

// irssi, auto-accepting chats and logging every window.
class Irssi : public RealClient {
public:
    explicit Irssi(uint16_t port) : RealClient(L"irssi", "irssibot") {
        const std::string config =
            "settings = {\n"
            "  core = { real_name = \"bot\"; user_name = \"bot\"; nick = \"irssibot\"; };\n"
            "  \"irc/dcc\" = { dcc_autochat_masks = \"*!*@*\"; };\n"
            "  \"fe-common/core\" = { autolog = \"yes\"; autolog_path = \"" +
            home_ + "/logs/$0.log\"; };\n};\n";
        RunShell("printf '%s' " + ShellQuote(config) + " > " + ShellQuote(home_ + "/config"));
        Run("irssi --home=" + home_ + " --connect=127.0.0.1 --port=" + std::to_string(port) +
            " --nick=irssibot");
    }
    bool Driven() const override { return true; }
    void Say(const std::string& text) override { Keys("/msg =qvuser " + text); }
    void OfferChat() override { Keys("/dcc chat qvuser"); }
    void CloseChat() override { Keys("/dcc close chat qvuser"); }
};

// WeeChat without its interface: it accepts chats at once, logs every buffer without delay and
// is typed into through its command pipe.
class WeeChat : public RealClient {
public:
    explicit WeeChat(uint16_t port) : RealClient(L"weechat", "wcbot") {
        // A script of its own keeps the command's quotes out of the shell lines that start it; the
        // home folder is given relative, as its full path may hold a colon, which separates
        // folders there.
        WriteFileBytes(folder_ + L"run.sh",
                       "cd " + ShellQuote(home_) +
                           " && exec weechat-headless --dir ./ -r '/set xfer.file.auto_accept_chats "
                           "on;/set logger.file.flush_delay 0;/set xfer.network.own_ip 127.0.0.1;"
                           "/set fifo.file.path " +
                           home_ + "/fifo;" + "/set logger.file.path " + home_ +
                           "/logs;/server add test 127.0.0.1/" + std::to_string(port) +
                           " -notls -nicks=wcbot -username=bot -realname=bot;/connect test' > " + home_ +
                           "/out.txt 2>&1\n");
        Run("sh " + home_ + "/run.sh");
    }
    bool Driven() const override { return true; }
    void Say(const std::string& text) override { Pipe("xfer.irc_dcc.test.qvuser *" + text); }
    void OfferChat() override { Pipe("irc.server.test */dcc chat qvuser"); }
    void CloseChat() override { Pipe("xfer.irc_dcc.test.qvuser */buffer close"); }

private:
    void Pipe(const std::string& line) {
        RunShell("printf '%s\\n' " + ShellQuote(line) + " > " + ShellQuote(home_ + "/fifo"));
    }
};

class DccRealPeers : public DccTest {
protected:
    WindowRecord* StartChat(uint32_t direction, uint16_t port, const std::string& window,
                            const std::string& peer) {
        WindowRecord* chat = Open(kDccChatWindow, window);
        if (!chat) return nullptr;
        DccChatSetup setup;
        setup.LocalName = "qvuser";
        setup.PeerName = peer;
        setup.Direction = direction;
        setup.Port = port;
        setup.PeerHost = "127.0.0.1";
        StartDccChatThread(chat, setup);
        return chat;
    }
    // Lines both ways, then the client closes the chat.
    void Talk(WindowRecord* chat, RealClient& client, const std::string& tag) {
        // Connected, not only the address of the peer about to be dialled.
        ASSERT_TRUE(WaitPrinted(chat, "Connected to 127.0.0.1"));
        const std::string line = "hello " + client.Nick + " " + tag + "\r\n";
        EXPECT_EQ(DccChatSend(line.data(), chat, static_cast<uint32_t>(line.size())), line.size());
        EXPECT_TRUE(WaitUntil([&] { return client.Logged("hello " + client.Nick + " " + tag); }, 20000));
        if (!client.Driven()) return;
        client.Say("hi from " + client.Nick + " " + tag);
        EXPECT_TRUE(WaitPrinted(chat, "hi from " + client.Nick + " " + tag));
        client.CloseChat();
        EXPECT_TRUE(WaitPrinted(chat, Lang(53)));
    }
    // Lines both ways in a chat we offer (the client connects) and in one the client offers (we
    // connect to the address and port it names); the client's close ends each.
    void BothWays(NgircdServer& server, RealClient& client) {
        ASSERT_TRUE(client.Started());
        IrcClient us(server.Port(), "qvuser");
        ASSERT_TRUE(us.WaitFor(" 001 ", 10000));
        ASSERT_TRUE(WaitUntil(
            [&] {
                us.Send("ISON " + client.Nick);
                return us.WaitFor(" 303 qvuser :" + client.Nick, 500);
            },
            30000))
            << client.Log();

        const uint16_t port = UnusedLoopbackPort();
        WindowRecord* ours = StartChat(0, port, "ours", client.Nick);
        ASSERT_NE(ours, nullptr);
        ASSERT_TRUE(WaitPrinted(ours, std::to_string(port)));
        us.Send("PRIVMSG " + client.Nick +
                " :\x01"
                "DCC CHAT chat 2130706433 " +
                std::to_string(port) + "\x01");
        Talk(ours, client, "one");
        if (!client.Driven()) return;

        client.OfferChat();
        ASSERT_TRUE(us.WaitFor("DCC CHAT", 20000)) << "the client's offer";
        std::string offer;
        for (const auto& received : us.Lines())
            if (received.Line.find("DCC CHAT") != std::string::npos) offer = received.Line;
        const size_t end = offer.find_last_not_of("\x01 \r\n");
        const size_t start = offer.find_last_of(' ', end) + 1;
        const uint16_t theirs = static_cast<uint16_t>(std::stoul(offer.substr(start, end - start + 1)));
        WindowRecord* chat = StartChat(1, theirs, "theirs", client.Nick);
        ASSERT_NE(chat, nullptr);
        Talk(chat, client, "two");
    }
};

// Whether a socket of this host listens on the TCP port.
bool Listening(uint16_t port) {
    ULONG size = 0;
    GetTcpTable(nullptr, &size, FALSE);
    std::vector<char> buffer(size);
    auto* table = reinterpret_cast<MIB_TCPTABLE*>(buffer.data());
    if (GetTcpTable(table, &size, FALSE) != NO_ERROR) return false;
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
        if (table->table[i].dwState == MIB_TCP_STATE_LISTEN &&
            ntohs(static_cast<u_short>(table->table[i].dwLocalPort)) == port)
            return true;
    return false;
}

} // namespace

// Our file offer leaves only once qx listens: irssi, taking every file the moment it is offered,
// gets it whole. The test's own client stands for the server connection and passes the offer on
// as the server would.
TEST_F(DccRealPeers, AFileOfferLeavesOnceQxListensAndIrssiTakesItAtOnce) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady()) << server.Log();
    IrcClient us(server.Port(), "qvuser");
    ASSERT_TRUE(us.WaitFor(" 001 ", 10000));
    IrssiPeer irssi(server.Port(), downloads_->Path());
    ASSERT_TRUE(irssi.Started());
    ASSERT_TRUE(Online(us, "irssinick"));
    SetConfig("Cfg\\Lan_Options", "Use_Upnp", "0");
    const std::string bytes = RandomBytes(300000, 31);
    const std::wstring file = program_->File(L"offered.bin");
    ASSERT_TRUE(WriteFileBytes(file, bytes));

    commands::ExecuteCommand(("/dcc irssinick send " + WideToNarrow(file)).c_str(), Server(), nullptr,
                             nullptr);
    std::string offer;
    ASSERT_TRUE(PumpUntil(
        [&] {
            for (const std::string& line : Sent(20))
                if (line.find("DCC SEND offered.bin ") != std::string::npos) offer = line;
            return !offer.empty();
        },
        60000));
    std::istringstream words(offer.substr(offer.find("offered.bin ") + 12));
    uint32_t address = 0, port = 0;
    words >> address >> port;
    EXPECT_TRUE(Listening(static_cast<uint16_t>(port))) << "the offer left before qx listened on " << port;
    us.Send(offer);
    EXPECT_TRUE(WaitForFileSize(irssi.Download(L"offered.bin"), bytes.size()));
    EXPECT_TRUE(ReadFileBytes(irssi.Download(L"offered.bin")) == bytes);
    ASSERT_TRUE(WaitStarted(1));
    EXPECT_TRUE(Completed(0));
}

// Lines both ways in a chat we offer (the client connects) and in one the client offers (we
// connect), and the client's close ends each.
TEST_F(DccRealPeers, ChatWithIrssiBothWays) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady()) << server.Log();
    Irssi irssi(server.Port());
    BothWays(server, irssi);
}

TEST_F(DccRealPeers, ChatWithWeeChatBothWays) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady()) << server.Log();
    WeeChat weechat(server.Port());
    BothWays(server, weechat);
}
