// DCC chat with irssi, a real client from Debian's packages, run in tmux and connected to a test
// ngircd on loopback: the chat offered both ways, lines both ways, and the end of the chat.
#include "tests/dcc/dcc_test_support.h"

#include "core/dcc_connection.h"
#include "irc/send_path.h"
#include "peer/dcc_offers.h"
#include "tests/irc_tls/linux_peer.h"
#include "tests/support/ngircd_server.h"

#include <process.h>

namespace {

// irssi in a tmux session of its own, auto-accepting chats and logging every window; always
// ended with its tmux server.
class Irssi {
public:
    explicit Irssi(uint16_t port) : home_(UnixPath(MakeTestFolder(L"irssi"))) {
        socket_ = "brindlex-dcc-" + std::to_string(GetCurrentProcessId());
        const std::string config =
            "settings = {\n"
            "  core = { real_name = \"bot\"; user_name = \"bot\"; nick = \"irssibot\"; };\n"
            "  \"irc/dcc\" = { dcc_autochat_masks = \"*!*@*\"; };\n"
            "  \"fe-common/core\" = { autolog = \"yes\"; autolog_path = \"" +
            home_ + "/logs/$0.log\"; };\n};\n";
        RunShell("printf '%s' " + ShellQuote(config) + " > " + ShellQuote(home_ + "/config"));
        started_ =
            RunShell("TERM=xterm tmux -L " + socket_ + " -f /dev/null new-session -d -s irssi -x 160 -y 40 " +
                     ShellQuote("irssi --home=" + home_ + " --connect=127.0.0.1 --port=" +
                                std::to_string(port) + " --nick=irssibot")) == 0;
    }
    ~Irssi() { RunShell("tmux -L " + socket_ + " kill-server 2>/dev/null; true"); }
    bool Started() const { return started_; }
    void Type(const std::string& line) {
        RunShell("tmux -L " + socket_ + " send-keys -t irssi " + ShellQuote(line) + " Enter");
    }
    // Whether a log of irssi's windows holds the text.
    bool Logged(const std::string& text) const {
        return RunShell("grep -rqF " + ShellQuote(text) + " " + ShellQuote(home_ + "/logs")) == 0;
    }

private:
    std::string home_;
    std::string socket_;
    bool started_ = false;
};

class DccRealPeers : public DccTest {
protected:
    WindowRecord* StartChat(uint32_t direction, uint16_t port, const std::string& window) {
        WindowRecord* chat = Open(kDccChatWindow, window);
        if (!chat) return nullptr;
        auto* dcc = new DccConnection(chat);
        dcc->LocalName = "qvuser";
        dcc->PeerName = "irssibot";
        dcc->Direction = direction;
        dcc->Port = port;
        dcc->PeerHost = "127.0.0.1";
        chat->Dcc = dcc;
        dcc->ChatThread =
            reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, &peer::DccChatThread, chat, 0, nullptr));
        return chat;
    }
    // Lines both ways, then irssi closes the chat.
    void Talk(WindowRecord* chat, Irssi& irssi, const std::string& tag) {
        ASSERT_TRUE(WaitPrinted(chat, "127.0.0.1"));
        const std::string line = "hello irssi " + tag + "\r\n";
        EXPECT_EQ(DccChatSend(line.data(), chat, static_cast<uint32_t>(line.size())), line.size());
        EXPECT_TRUE(WaitUntil([&] { return irssi.Logged("hello irssi " + tag); }, 20000));
        irssi.Type("/msg =qvuser hi from irssi " + tag);
        EXPECT_TRUE(WaitPrinted(chat, "hi from irssi " + tag));
        irssi.Type("/dcc close chat qvuser");
        EXPECT_TRUE(WaitPrinted(chat, Lang(53)));
    }
};

} // namespace

TEST_F(DccRealPeers, ChatWithIrssiBothWays) {
    NgircdServer server;
    ASSERT_TRUE(server.WaitReady()) << server.Log();
    IrcClient us(server.Port(), "qvuser");
    ASSERT_TRUE(us.WaitFor(" 001 ", 10000));
    Irssi irssi(server.Port());
    ASSERT_TRUE(irssi.Started());
    ASSERT_TRUE(WaitUntil(
        [&] {
            us.Send("ISON irssibot");
            return us.WaitFor(" 303 qvuser :irssibot", 500);
        },
        30000));

    // Our offer: we listen, irssi connects.
    const uint16_t port = UnusedLoopbackPort();
    WindowRecord* ours = StartChat(0, port, "ours");
    ASSERT_NE(ours, nullptr);
    ASSERT_TRUE(WaitPrinted(ours, std::to_string(port)));
    us.Send("PRIVMSG irssibot :\x01"
            "DCC CHAT chat 2130706433 " +
            std::to_string(port) + "\x01");
    Talk(ours, irssi, "one");

    // irssi's offer: it listens, we connect to the address and port it names.
    irssi.Type("/dcc chat qvuser");
    ASSERT_TRUE(us.WaitFor("DCC CHAT", 20000));
    std::string offer;
    for (const auto& received : us.Lines())
        if (received.Line.find("DCC CHAT") != std::string::npos) offer = received.Line;
    const size_t end = offer.find_last_not_of("\x01 \r\n");
    const size_t start = offer.find_last_of(' ', end) + 1;
    const uint16_t theirs = static_cast<uint16_t>(std::stoul(offer.substr(start, end - start + 1)));
    WindowRecord* chat = StartChat(1, theirs, "theirs");
    ASSERT_NE(chat, nullptr);
    Talk(chat, irssi, "two");
}
