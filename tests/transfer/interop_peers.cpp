#include "tests/transfer/interop_peers.h"

#include "tests/irc_tls/linux_peer.h"
#include "tests/support/test_files.h"
#include "tests/transfer/transfer_test_support.h"

IrssiPeer::IrssiPeer(uint16_t serverPort, const std::wstring& folder, uint32_t lifetimeSeconds,
                     const std::string& nick) {
    const std::wstring wideNick(nick.begin(), nick.end());
    home_ = UnixPath(folder) + "/" + nick;
    downloads_ = folder + L"\\" + wideNick + L"_downloads";
    CreateDirectoryW(downloads_.c_str(), nullptr);
    socket_ = "brx" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(serverPort) + nick;
    const std::string config =
        "settings = {\n"
        "  core = { real_name = \"Irssi Peer\"; user_name = \"irssi\"; nick = \"" +
        nick +
        "\";"
        " settings_autosave = \"no\"; };\n"
        "  \"irc/dcc\" = { dcc_autoget = \"yes\"; dcc_download_path = \"" +
        UnixPath(downloads_) +
        "\"; dcc_own_ip = \"127.0.0.1\"; dcc_autorename = \"no\"; dcc_autoget_max_size = \"0\";"
        " dcc_autoresume = \"yes\"; };\n"
        "};\n";
    CreateDirectoryW((folder + L"\\" + wideNick).c_str(), nullptr);
    WriteFileBytes(folder + L"\\" + wideNick + L"\\config", config);
    // exec keeps the process id the file notes.
    const std::string run = "echo $$ > " + ShellQuote(home_ + "/pid") + " && TERM=screen exec timeout " +
                            std::to_string(lifetimeSeconds) + " irssi --home=" + home_ + " -c 127.0.0.1 -p " +
                            std::to_string(serverPort) + " -n " + nick;
    started_ = RunShell("tmux -L " + socket_ + " new-session -d -x 200 -y 50 " +
                        ShellQuote("sh -c " + ShellQuote(run))) == 0;
}

IrssiPeer::~IrssiPeer() {
    const std::string pid = ShellQuote(home_ + "/pid");
    RunShell("tmux -L " + socket_ + " kill-server 2>/dev/null; [ -s " + pid + " ] && kill $(cat " + pid +
                 ") 2>/dev/null; true",
             10000);
}

bool IrssiPeer::Type(const std::string& line) {
    return RunShell("tmux -L " + socket_ + " send-keys -t 0 " + ShellQuote(line) + " Enter") == 0;
}

// Its home may not hold a colon (it reads one as a list of folders), which the test folder's host
// path may: it lives in a folder of its own under /tmp, removed afterwards.
WeechatPeer::WeechatPeer(uint16_t serverPort) {
    const std::string name =
        "brx_weechat_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(serverPort);
    home_ = "/tmp/" + name;
    homeWindows_ = L"Z:\\tmp\\" + std::wstring(name.begin(), name.end());
    downloads_ = homeWindows_ + L"\\downloads";
    RunShell("mkdir -p " + ShellQuote(home_ + "/downloads"));
    const std::string commands = "/set xfer.file.auto_accept_files on;/set xfer.file.auto_accept_chats on;"
                                 "/set xfer.file.download_path " +
                                 UnixPath(downloads_) +
                                 ";/set xfer.network.own_ip 127.0.0.1;/set xfer.file.auto_rename off;/set "
                                 "xfer.file.use_nick_in_filename off;"
                                 "/set xfer.file.auto_check_crc32 off;/set fifo.file.path " +
                                 home_ +
                                 "/fifo;/set irc.server_default.nicks weenick;"
                                 "/server add t 127.0.0.1/" +
                                 std::to_string(serverPort) + " -notls;/connect t";
    started_ =
        RunShell("cd " + ShellQuote(home_) + " && (timeout 180 weechat-headless -d " + ShellQuote(home_) +
                 " -a -r " + ShellQuote(commands) + " < /dev/null > log 2>&1 & echo $! > pid)") == 0;
}

WeechatPeer::~WeechatPeer() {
    RunShell("kill $(cat " + ShellQuote(home_ + "/pid") + ") 2>/dev/null; sleep 0.5; rm -rf " +
                 ShellQuote(home_),
             10000);
}

bool WeechatPeer::Type(const std::string& command) {
    return RunShell("[ -p " + ShellQuote(home_ + "/fifo") + " ] && printf '%s\\n' " +
                    ShellQuote("irc.server.t *" + command) + " > " + ShellQuote(home_ + "/fifo")) == 0;
}

std::string WeechatPeer::Log() const {
    return ReadFileBytes(homeWindows_ + L"\\log") + ReadFileBytes(homeWindows_ + L"\\weechat.log") +
           ReadFileBytes(homeWindows_ + L"\\pid");
}

bool Online(IrcClient& client, const std::string& nick) {
    for (int i = 0; i < 100; ++i) {
        client.Send("ISON " + nick);
        if (client.WaitFor(" :" + nick, 300)) return true;
    }
    return false;
}

bool ReadRequest(IrcClient& client, const std::string& kind, std::istringstream& words, DWORD timeoutMs) {
    const std::string marker = "\x01" + kind + " ";
    if (!client.WaitFor(marker, timeoutMs)) return false;
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

bool ReadOffer(IrcClient& client, Offer& offer, const std::string& name) {
    std::istringstream words;
    if (!ReadRequest(client, "DCC SEND " + name, words)) return false;
    offer.Name = name;
    words >> offer.Address >> offer.Port >> offer.Size;
    return offer.Port != 0;
}

std::string Ctcp(const std::string& nick, const std::string& text) {
    return "PRIVMSG " + nick + " :\x01" + text + "\x01";
}

bool RunToEnd(QxProcess& qx, DWORD timeoutMs) {
    HWND dialog = qx.WaitForWindow(L"Transfer");
    if (!dialog || !qx.WaitForEnd(dialog, timeoutMs)) return false;
    const bool completed = ControlVisible(dialog, 801);
    Press(dialog, 804);
    return qx.ExitCode() == 0 && completed;
}

bool WaitForFileSize(const std::wstring& path, uint64_t size, DWORD timeoutMs) {
    const ULONGLONG until = GetTickCount64() + timeoutMs;
    do {
        if (FileSizeOf(path) == size) return true;
        Sleep(50);
    } while (GetTickCount64() < until);
    return false;
}
