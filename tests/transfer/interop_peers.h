// Real clients from Debian (irssi in tmux, WeeChat without its interface) on a test ngircd, and
// the offer steps the test's own IRC client takes in qv's place: shared by the interoperation
// tests and the transfer benchmark.
#pragma once

#include "tests/support/ngircd_server.h"
#include "tests/transfer/qx_process.h"

#include <cstdint>
#include <sstream>
#include <string>

// irssi in a tmux session of its own, taking every file offered; ended with the test, by its
// tmux server and by its process id (or after three minutes at the most).
class IrssiPeer {
public:
    IrssiPeer(uint16_t serverPort, const std::wstring& folder, uint32_t lifetimeSeconds = 180,
              const std::string& nick = "irssinick");
    ~IrssiPeer();
    bool Started() const { return started_; }
    bool Type(const std::string& line);
    // irssi answers every block it receives, whatever the sender expects.
    void Acknowledge(bool) {}
    // Where it looks for the part of a file it has, to resume.
    std::wstring Partial(const std::wstring& name) const { return Download(name); }
    std::wstring Download(const std::wstring& name) const { return downloads_ + L"\\" + name; }

private:
    std::string home_, socket_;
    std::wstring downloads_;
    bool started_ = false;
};

// WeeChat without its interface, taking every file offered and driven through its command pipe.
// Ended with the test by its process id (or after three minutes at the most).
class WeechatPeer {
public:
    explicit WeechatPeer(uint16_t serverPort);
    ~WeechatPeer();
    bool Started() const { return started_; }
    // Runs a command in the server's buffer.
    bool Type(const std::string& command);
    // Whether it answers the blocks it receives (it need not for a sender without
    // acknowledgements).
    void Acknowledge(bool on) { Type(std::string("/set xfer.network.send_ack ") + (on ? "on" : "off")); }
    std::string Log() const;
    std::wstring Download(const std::wstring& name) const { return downloads_ + L"\\" + name; }
    // It receives into a name of its own until the file is whole, and resumes from that.
    std::wstring Partial(const std::wstring& name) const { return Download(name) + L".part"; }

private:
    std::string home_;
    std::wstring homeWindows_, downloads_;
    bool started_ = false;
};

// Waits until the nick is on the server.
bool Online(IrcClient& client, const std::string& nick);

struct Offer {
    std::string Name;
    uint32_t Address = 0;
    uint32_t Port = 0;
    uint64_t Size = 0;
};

// The words after the first CTCP request of the kind ("DCC SEND", "DCC RESUME", "DCC ACCEPT").
bool ReadRequest(IrcClient& client, const std::string& kind, std::istringstream& words,
                 DWORD timeoutMs = 30000);
// The offer of the file of that name.
bool ReadOffer(IrcClient& client, Offer& offer, const std::string& name);
std::string Ctcp(const std::string& nick, const std::string& text);
// Runs qx to its end and closes it; true when it completed.
bool RunToEnd(QxProcess& qx, DWORD timeoutMs = 120000);
bool WaitForFileSize(const std::wstring& path, uint64_t size, DWORD timeoutMs = 30000);
