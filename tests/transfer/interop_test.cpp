// qx against the DCC of real clients from Debian (irssi, run in tmux), connected to a test ngircd
// on loopback. The test's own IRC client plays qv's part: it reads the peer's offers and makes
// offers of its own, and starts qx with the command line qv would write.
#include "tests/irc_tls/linux_peer.h"
#include "tests/support/ngircd_server.h"
#include "tests/support/test_files.h"
#include "tests/transfer/qx_process.h"
#include "tests/transfer/transfer_test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

// irssi in a tmux session of its own, ending with the test (or after two minutes at the most).
class IrssiPeer {
public:
    IrssiPeer(uint16_t serverPort, const std::wstring& folder) {
        home_ = UnixPath(folder) + "/irssi";
        downloads_ = folder + L"\\downloads";
        CreateDirectoryW(downloads_.c_str(), nullptr);
        socket_ = "brx" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(serverPort);
        const std::string config =
            "settings = {\n"
            "  core = { real_name = \"Irssi Peer\"; user_name = \"irssi\"; nick = \"irssinick\";"
            " settings_autosave = \"no\"; };\n"
            "  \"irc/dcc\" = { dcc_autoget = \"yes\"; dcc_download_path = \"" +
            UnixPath(downloads_) +
            "\"; dcc_own_ip = \"127.0.0.1\"; dcc_autorename = \"no\"; dcc_autoget_max_size = \"0\";"
            " dcc_autoresume = \"yes\"; };\n"
            "};\n";
        CreateDirectoryW((folder + L"\\irssi").c_str(), nullptr);
        WriteFileBytes(folder + L"\\irssi\\config", config);
        started_ = RunShell("tmux -L " + socket_ + " new-session -d -x 200 -y 50 " +
                            ShellQuote("TERM=screen timeout 180 irssi --home=" + home_ + " -c 127.0.0.1 -p " +
                                       std::to_string(serverPort) + " -n irssinick")) == 0;
    }
    ~IrssiPeer() { RunShell("tmux -L " + socket_ + " kill-server 2>/dev/null; true", 10000); }
    bool Started() const { return started_; }
    bool Type(const std::string& line) {
        return RunShell("tmux -L " + socket_ + " send-keys -t 0 " + ShellQuote(line) + " Enter") == 0;
    }
    std::wstring Download(const std::wstring& name) const { return downloads_ + L"\\" + name; }

private:
    std::string home_, socket_;
    std::wstring downloads_;
    bool started_ = false;
};

// WeeChat without its interface (the package has no FIFO to feed it commands later: what it is to
// do it runs once connected), ending with the test (or after three minutes at the most).
class WeechatPeer {
public:
    // Its home may not hold a colon (it reads one as a list of folders), which the test folder's
    // host path may: it lives in a folder of its own under /tmp, removed afterwards.
    WeechatPeer(uint16_t serverPort, const std::string& onConnect) {
        const std::string name =
            "brx_weechat_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(serverPort);
        home_ = "/tmp/" + name;
        homeWindows_ = L"Z:\\tmp\\" + std::wstring(name.begin(), name.end());
        downloads_ = homeWindows_ + L"\\downloads";
        RunShell("mkdir -p " + ShellQuote(home_ + "/downloads"));
        const std::string commands =
            "/set xfer.file.auto_accept_files on;"
            "/set xfer.file.download_path " +
            UnixPath(downloads_) +
            ";/set xfer.network.own_ip 127.0.0.1;/set xfer.file.auto_rename off;/set "
            "xfer.file.use_nick_in_filename off;"
            "/set xfer.file.auto_check_crc32 off;/set irc.server_default.nicks weenick;"
            "/server add t 127.0.0.1/" +
            std::to_string(serverPort) + " -notls;/set irc.server.t.command " + onConnect + ";/connect t";
        started_ =
            RunShell("cd " + ShellQuote(home_) + " && (timeout 180 weechat-headless -d " + ShellQuote(home_) +
                     " -a -r " + ShellQuote(commands) + " < /dev/null > log 2>&1 & echo $! > pid)") == 0;
    }
    ~WeechatPeer() {
        RunShell("kill $(cat " + ShellQuote(home_ + "/pid") + ") 2>/dev/null; sleep 0.5; rm -rf " +
                     ShellQuote(home_),
                 10000);
    }
    bool Started() const { return started_; }
    std::string Log() const {
        return ReadFileBytes(homeWindows_ + L"\\log") + ReadFileBytes(homeWindows_ + L"\\weechat.log") +
               ReadFileBytes(homeWindows_ + L"\\pid");
    }
    std::wstring Download(const std::wstring& name) const { return downloads_ + L"\\" + name; }

private:
    std::string home_;
    std::wstring homeWindows_, downloads_;
    bool started_ = false;
};

// Waits until the nick is on the server.
bool Online(IrcClient& client, const std::string& nick) {
    for (int i = 0; i < 100; ++i) {
        client.Send("ISON " + nick);
        if (client.WaitFor(" :" + nick, 300)) return true;
    }
    return false;
}

struct Offer {
    std::string Name;
    uint32_t Address = 0;
    uint32_t Port = 0;
    uint64_t Size = 0;
};

// The words after the first CTCP request of the kind ("DCC SEND", "DCC RESUME", "DCC ACCEPT").
bool ReadRequest(IrcClient& client, const std::string& kind, std::istringstream& words) {
    const std::string marker = "\x01" + kind + " ";
    if (!client.WaitFor(marker, 30000)) return false;
    for (const auto& received : client.Lines()) {
        const size_t at = received.Line.find(marker);
        if (at == std::string::npos) continue;
        std::string rest = received.Line.substr(at + marker.size());
        if (!rest.empty() && rest.back() == '\x01') rest.pop_back();
        words.str(rest);
        return true;
    }
    return false;
}

bool ReadOffer(IrcClient& client, Offer& offer) {
    std::istringstream words;
    if (!ReadRequest(client, "DCC SEND", words)) return false;
    words >> offer.Name >> offer.Address >> offer.Port >> offer.Size;
    return offer.Port != 0;
}

std::string Ctcp(const std::string& nick, const std::string& text) {
    return "PRIVMSG " + nick + " :\x01" + text + "\x01";
}

// Runs qx to its end and closes it; true when it completed.
bool RunToEnd(QxProcess& qx) {
    HWND dialog = qx.WaitForWindow(L"Transfer");
    if (!dialog || !qx.WaitForEnd(dialog)) return false;
    const bool completed = ControlVisible(dialog, 801);
    Press(dialog, 804);
    return qx.ExitCode() == 0 && completed;
}

bool WaitForFileSize(const std::wstring& path, uint64_t size) {
    for (int i = 0; i < 600; ++i) {
        if (FileSizeOf(path) == size) return true;
        Sleep(50);
    }
    return false;
}

// The peer has offered the bytes: qx takes the offer and gets them whole.
void TakeOffer(IrcClient& client, const TestFolder& folder, const std::string& bytes) {
    Offer offer;
    ASSERT_TRUE(ReadOffer(client, offer));
    EXPECT_EQ(offer.Size, bytes.size());
    const std::wstring target = folder.File(L"received.bin");
    {
        QxProcess qx(L"out 127.0.0.1 " + std::to_wstring(offer.Port) + L" ipv4 dcc get 0 " +
                     std::to_wstring(offer.Size) + L" \"" + target + L"\"");
        EXPECT_TRUE(RunToEnd(qx));
    }
    EXPECT_TRUE(ReadFileBytes(target) == bytes);
}

// qx offers files of one byte and of 10 MB, which the peer takes into its downloads whole.
template <typename Peer>
void OfferFiles(IrcClient& client, const TestFolder& folder, const std::string& nick, const Peer& peer) {
    for (size_t size : {size_t{1}, size_t{10000000}}) {
        SCOPED_TRACE(size);
        const std::string bytes = RandomBytes(size, 22);
        const std::wstring name = L"offered_" + std::to_wstring(size) + L".bin";
        const std::wstring path = folder.File(name.c_str());
        ASSERT_TRUE(WriteFileBytes(path, bytes));
        const uint16_t port = FreeTransferPort();
        QxProcess qx(L"in " + std::to_wstring(port) + L" ipv4 manual dcc send 0 0 \"" + path + L"\"");
        ASSERT_TRUE(qx.WaitForWindow(L"Transfer"));
        client.Send(Ctcp(nick, "DCC SEND " + std::string(name.begin(), name.end()) + " 2130706433 " +
                                   std::to_string(port) + " " + std::to_string(size)));
        EXPECT_TRUE(RunToEnd(qx));
        EXPECT_TRUE(WaitForFileSize(peer.Download(name), size));
        EXPECT_TRUE(ReadFileBytes(peer.Download(name)) == bytes);
    }
}

class IrssiInterop : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.WaitReady());
        client_ = std::make_unique<IrcClient>(server_.Port(), "qxpeer");
        ASSERT_TRUE(client_->WaitFor(" 001 ", 10000));
        irssi_ = std::make_unique<IrssiPeer>(server_.Port(), folder_.Path());
        ASSERT_TRUE(irssi_->Started());
        ASSERT_TRUE(Online(*client_, "irssinick"));
    }
    TestFolder folder_;
    NgircdServer server_;
    std::unique_ptr<IrcClient> client_;
    std::unique_ptr<IrssiPeer> irssi_;
};

TEST_F(IrssiInterop, QxReceivesFromIrssi) {
    const std::string bytes = RandomBytes(10000000, 21);
    const std::wstring source = folder_.File(L"from_irssi.bin");
    ASSERT_TRUE(WriteFileBytes(source, bytes));
    ASSERT_TRUE(irssi_->Type("/dcc send qxpeer " + UnixPath(source)));
    TakeOffer(*client_, folder_, bytes);
}

TEST_F(IrssiInterop, QxSendsToIrssi) {
    OfferFiles(*client_, folder_, "irssinick", *irssi_);
}

// Past 4 GiB irssi answers with the low 32 bits in four bytes; both ways still complete. The file
// is sparse and the transfer resumes just past 4 GiB, so only its last megabytes travel.
TEST_F(IrssiInterop, SparseFilePast4GiBResumedBothWays) {
    const uint64_t offset = 0x100000000ull + 1;
    const std::string tail = RandomBytes(3 << 20, 23);
    const uint64_t size = offset + tail.size();

    // irssi sends; qx asks to resume and receives the tail.
    const std::wstring source = folder_.File(L"big_from_irssi.bin"), target = folder_.File(L"big_part.bin");
    ASSERT_TRUE(WriteSparseFile(source, size, tail));
    ASSERT_TRUE(WriteSparseFile(target, offset, ""));
    ASSERT_TRUE(irssi_->Type("/dcc send qxpeer " + UnixPath(source)));
    Offer offer;
    ASSERT_TRUE(ReadOffer(*client_, offer));
    ASSERT_EQ(offer.Size, size);
    client_->Send(Ctcp("irssinick", "DCC RESUME " + offer.Name + " " + std::to_string(offer.Port) + " " +
                                        std::to_string(offset)));
    std::istringstream accepted;
    ASSERT_TRUE(ReadRequest(*client_, "DCC ACCEPT", accepted));
    {
        QxProcess qx(L"out 127.0.0.1 " + std::to_wstring(offer.Port) + L" ipv4 dcc get " +
                     std::to_wstring(offset) + L" " + std::to_wstring(size) + L" \"" + target + L"\"");
        EXPECT_TRUE(RunToEnd(qx));
    }
    EXPECT_EQ(FileSizeOf(target), size);
    EXPECT_TRUE(ReadFileTail(target, offset) == tail);

    // qx sends; irssi finds its part and asks to resume.
    const std::wstring name = L"big_to_irssi.bin";
    const std::wstring outgoing = folder_.File(name.c_str());
    ASSERT_TRUE(WriteSparseFile(outgoing, size, tail));
    ASSERT_TRUE(WriteSparseFile(irssi_->Download(name), offset, ""));
    const uint16_t port = FreeTransferPort();
    client_->Send(Ctcp("irssinick", "DCC SEND big_to_irssi.bin 2130706433 " + std::to_string(port) + " " +
                                        std::to_string(size)));
    std::istringstream resume;
    ASSERT_TRUE(ReadRequest(*client_, "DCC RESUME", resume));
    std::string resumeName, resumePort;
    uint64_t resumeAt = 0;
    resume >> resumeName >> resumePort >> resumeAt;
    ASSERT_EQ(resumeAt, offset);
    QxProcess qx(L"in " + std::to_wstring(port) + L" ipv4 manual dcc send " + std::to_wstring(resumeAt) +
                 L" 0 \"" + outgoing + L"\"");
    ASSERT_TRUE(qx.WaitForWindow(L"Transfer"));
    client_->Send(
        Ctcp("irssinick", "DCC ACCEPT " + resumeName + " " + resumePort + " " + std::to_string(resumeAt)));
    EXPECT_TRUE(RunToEnd(qx));
    EXPECT_TRUE(WaitForFileSize(irssi_->Download(name), size));
    EXPECT_TRUE(ReadFileTail(irssi_->Download(name), offset) == tail);
}

class WeechatInterop : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.WaitReady());
        client_ = std::make_unique<IrcClient>(server_.Port(), "qxpeer");
        ASSERT_TRUE(client_->WaitFor(" 001 ", 10000));
    }
    // Starts WeeChat, which runs the command once connected.
    void StartWeechat(const std::string& onConnect) {
        weechat_ = std::make_unique<WeechatPeer>(server_.Port(), onConnect);
        ASSERT_TRUE(weechat_->Started());
        ASSERT_TRUE(Online(*client_, "weenick")) << weechat_->Log();
    }
    TestFolder folder_;
    NgircdServer server_;
    std::unique_ptr<IrcClient> client_;
    std::unique_ptr<WeechatPeer> weechat_;
};

TEST_F(WeechatInterop, QxReceivesFromWeechatAndSendsToIt) {
    const std::string bytes = RandomBytes(10000000, 31);
    const std::wstring source = folder_.File(L"from_weechat.bin");
    ASSERT_TRUE(WriteFileBytes(source, bytes));
    StartWeechat("/dcc send qxpeer " + UnixPath(source));
    TakeOffer(*client_, folder_, bytes);
    OfferFiles(*client_, folder_, "weenick", *weechat_);
}

} // namespace
