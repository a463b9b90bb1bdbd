// The DCC chat connection: connecting or listening, optional TLS, and the lines and voice
// frames the peer sends.
#include "peer/dcc_offers.h"

#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/net_helpers.h"
#include "common/text_compare.h"
#include "common/xstring.h"
#include "core/dcc_connection.h"
#include "core/remote_text.h"
#include "core/settings.h"
#include "core/window_record.h"
#include "irc/tls_socket.h"
#include "media/speech.h"
#include "script/event_scripts.h"
#include "media/voice_chat.h"
#include "views/line_printer.h"
#include "markup/markup_codes.h"

#include <cstring>
#include <memory>
#include <utility>

namespace {

// A language text with its %s, %u and %d filled in order by the given texts (never used as a
// format string: the texts come from peers).
std::wstring FillLang(int32_t id, std::initializer_list<std::wstring> values) {
    const std::wstring format = GetLangString(id);
    std::wstring out;
    auto next = values.begin();
    for (size_t at = 0; at < format.size(); ++at) {
        if (format[at] == L'%' && at + 1 < format.size() &&
            (format[at + 1] == L's' || format[at + 1] == L'u' || format[at + 1] == L'd')) {
            if (next != values.end()) out += *next++;
            ++at;
            continue;
        }
        out += format[at];
    }
    return out;
}

void Info(WindowRecord* window, const std::wstring& text) {
    PrintToWindow(kInformationLine, window, text);
}

// Connects out, or listens for one peer; the connected socket or INVALID_SOCKET. While it waits
// the socket is the connection's, so closing the window ends the wait.
SOCKET Connect(WindowRecord* window, DccConnection& dcc, sockaddr_storage& peer) {
    const int family = dcc.IsIPv6 ? AF_INET6 : AF_INET;
    const std::wstring port = std::to_wstring(dcc.Port);
    SOCKET socket = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET) return socket;
    if (dcc.Direction == 1) {
        const std::wstring host = NarrowToWide(dcc.PeerHost);
        Info(window, FillLang(kAddressMessage, {host, port}));
        const uint32_t length =
            ResolveHost(dcc.PeerHost.c_str(), dcc.Port, 0, &peer, sizeof peer, static_cast<uint32_t>(family));
        dcc.Socket = socket;
        if (!length || connect(socket, reinterpret_cast<sockaddr*>(&peer), static_cast<int>(length)) != 0) {
            Info(window, FillLang(kConnectFailedMessage, {host, port}));
            return INVALID_SOCKET;
        }
        return socket;
    }
    sockaddr_storage any{};
    any.ss_family = static_cast<ADDRESS_FAMILY>(family);
    if (family == AF_INET6)
        reinterpret_cast<sockaddr_in6&>(any).sin6_port = htons(static_cast<u_short>(dcc.Port));
    else
        reinterpret_cast<sockaddr_in&>(any).sin_port = htons(static_cast<u_short>(dcc.Port));
    Info(window, FillLang(kWaitingForPeerText, {port}));
    const int anyLength =
        family == AF_INET6 ? static_cast<int>(sizeof(sockaddr_in6)) : static_cast<int>(sizeof(sockaddr_in));
    if (bind(socket, reinterpret_cast<sockaddr*>(&any), anyLength) != 0 || listen(socket, 1) != 0) {
        closesocket(socket);
        Info(window, FillLang(kConnectFailedMessage, {L"*", port}));
        return INVALID_SOCKET;
    }
    dcc.Socket = socket;
    int peerLength = sizeof peer;
    const SOCKET accepted = accept(socket, reinterpret_cast<sockaddr*>(&peer), &peerLength);
    // The window may have taken the listening socket to end the wait; then it is closed already.
    if (dcc.Socket == socket) {
        dcc.Socket = accepted == INVALID_SOCKET ? 0 : accepted;
        closesocket(socket);
    } else if (accepted != INVALID_SOCKET) {
        closesocket(accepted);
        return INVALID_SOCKET;
    }
    if (accepted == INVALID_SOCKET) Info(window, FillLang(kConnectFailedMessage, {L"*", port}));
    return accepted;
}

// The TLS handshake in the role the direction gives; false when it failed, said in the window so
// the chat does not just end.
bool StartTls(WindowRecord* window, DccConnection& dcc, SOCKET socket) {
    if (dcc.Direction == 1) {
        dcc.Tls = new TlsSocket(socket, kTlsClient, nullptr);
        if (TlsClientStart(dcc.Tls, 0) != 0) {
            Info(window, L"The encrypted chat could not start: the TLS handshake with the peer failed.");
            return false;
        }
    } else {
        peer::SelectDccServerCertificate(&dcc);
        dcc.Tls = new TlsSocket(socket, kTlsServer, dcc.Certificate);
        if (TlsServerStart(dcc.Tls, 0) != 0) {
            // The side that offers an encrypted chat is its TLS server.
            Info(window, L"The encrypted chat could not start: the side that offers it acts as the TLS "
                         L"server, and the handshake in that role failed (Wine 8's Schannel has no server "
                         L"role). Let the peer offer the encrypted chat, or offer a plain one.");
            return false;
        }
    }
    ReportSslCertificate(window, dcc.Tls);
    Info(window, GetLangString(kTlsReadyText));
    return true;
}

// One read: 1..size bytes, or 0 when the connection ended.
int Receive(DccConnection& dcc, SOCKET socket, char* buffer, int size) {
    if (!dcc.UseTls) {
        const int got = recv(socket, buffer, size, 0);
        return got > 0 ? got : 0;
    }
    for (;;) {
        const int got = TlsRecv(dcc.Tls, buffer, size);
        if (got != 0) return got > 0 ? got : 0;
    }
}

void ShowLine(WindowRecord* window, const DccConnection& dcc, const std::string& line) {
    const bool action = WildcardMatch(line,
                                      "\x01"
                                      "ACTION *",
                                      false);
    UserAddress sender;
    sender.Nick = dcc.PeerName;
    std::wstring text;
    FormatEventLine(window, text, action ? kActionLine : kMessageLine, line,
                    {":" + dcc.PeerName, "PRIVMSG", dcc.LocalName, line}, sender);
    // Spoken by the thread that owns the voice: this chat thread only hands the text over.
    if (window->SpeakIncoming) media::SpeakText(NarrowToWide(line, CP_UTF8));
    const std::wstring nick = NarrowToWide(dcc.PeerName, CP_UTF8);
    PrintToWindow(kInformationLine, window, text, {.ChatLine = true, .Sender = &nick});
}

void ShowFrame(WindowRecord* window, const peer::VoiceFrameData& frame) {
    if (frame.Kind == 1 && !window->VoiceListen) Info(window, GetLangString(kPeerTalkingText));
    if (frame.Kind == 2) Info(window, GetLangString(kDoneText));
    // Sound plays on the shared device when one is open; other kinds are ignored.
    if (frame.Kind == media::kVoiceSound)
        media::PlayVoiceData(window, frame.Data.data(), static_cast<uint32_t>(frame.Data.size()));
}

} // namespace

bool peer::DccChatStream::HoldText(const char* data, size_t length) {
    for (size_t at = 0; at < length;) {
        const char* feed = static_cast<const char*>(memchr(data + at, '\n', length - at));
        const size_t end = feed ? static_cast<size_t>(feed - data) : length;
        size_t line = held_.size() + (end - at);
        // A CR that ends the text may be the one before a line feed, which is no part of the line.
        const char last = end > at ? data[end - 1] : (held_.empty() ? '\0' : held_.back());
        if (last == '\r') --line;
        if (line > kMaxHeldText) {
            held_.clear();
            fault_ = Fault::LineTooLong;
            return false;
        }
        held_.append(data + at, end - at);
        if (!feed) break;
        if (!held_.empty() && held_.back() == '\r') held_.pop_back();
        if (!held_.empty()) lines_.push_back(std::move(held_));
        held_.clear();
        at = end + 1;
    }
    return true;
}

bool peer::DccChatStream::Feed(const char* data, size_t length) {
    if (fault_ != Fault::None) return false;
    pending_.append(data, length);
    size_t at = 0;
    while (at < pending_.size()) {
        if (pending_[at] != '\0') {
            size_t end = pending_.find('\0', at);
            if (end == std::string::npos) end = pending_.size();
            if (!HoldText(pending_.data() + at, end - at)) break;
            at = end;
            continue;
        }
        if (pending_.size() - at < 6) break;
        uint32_t frameLength = 0;
        memcpy(&frameLength, pending_.data() + at + 2, 4);
        if (frameLength > kMaxVoiceFrame) {
            fault_ = Fault::FrameTooLong;
            break;
        }
        if (pending_.size() - at - 6 < frameLength) break;
        frames_.push_back({static_cast<uint8_t>(pending_[at + 1]), pending_.substr(at + 6, frameLength)});
        at += 6 + frameLength;
    }
    if (fault_ != Fault::None) {
        pending_.clear();
        return false;
    }
    pending_.erase(0, at);
    return true;
}

std::vector<std::string> peer::DccChatStream::TakeLines() {
    return std::exchange(lines_, {});
}

std::vector<peer::VoiceFrameData> peer::DccChatStream::TakeFrames() {
    return std::exchange(frames_, {});
}

std::wstring peer::ChatFaultNotice(DccChatStream::Fault fault) {
    if (fault == DccChatStream::Fault::LineTooLong)
        return std::wstring(kSymbolDot) + L" The peer sent a line longer than " +
               std::to_wstring(DccChatStream::kMaxHeldText) + L" bytes; the chat is closed.";
    if (fault == DccChatStream::Fault::FrameTooLong)
        return std::wstring(kSymbolDot) + L" The peer sent a voice frame longer than " +
               std::to_wstring(DccChatStream::kMaxVoiceFrame) + L" bytes; the chat is closed.";
    return {};
}

void peer::SelectDccServerCertificate(DccConnection* dcc) {
    if (!dcc || dcc->Certificate) return;
    if (!dcc->CertificateStore) dcc->CertificateStore = CertOpenSystemStoreW(0, L"MY");
    if (!dcc->CertificateStore) return;
    const std::wstring user = NarrowToWide(Settings::TlsUserName(), CP_UTF8);
    PCCERT_CONTEXT at = nullptr;
    while ((at = CertEnumCertificatesInStore(dcc->CertificateStore, at)) != nullptr) {
        DWORD type = CERT_SIMPLE_NAME_STR;
        wchar_t name[1000] = {};
        CertGetNameStringW(at, CERT_NAME_RDN_TYPE, 0, &type, name, 1000);
        const std::wstring text = name;
        for (size_t start = 0;;) {
            const size_t end = text.find(L", ", start);
            const std::wstring part =
                text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
            if (WStringEqualsNoCase(part, user)) {
                dcc->Certificate = CertDuplicateCertificateContext(at);
                CertFreeCertificateContext(at);
                return;
            }
            if (end == std::wstring::npos) break;
            start = end + 2;
        }
    }
}

unsigned __stdcall peer::DccChatThread(void* record) {
    auto* window = static_cast<WindowRecord*>(record);
    if (!window || !window->Dcc) return 0;
    // Whatever runs here (the chat's event scripts, the lines of the peer) runs for the peer.
    RemoteTextScope remote;
    DccConnection& dcc = *window->Dcc;
    std::string result;
    if (script::RunEventScript("On_DCC_Connect_1", window, window, window->Name, result) == 1) return 0;
    sockaddr_storage peer{};
    const SOCKET socket = Connect(window, dcc, peer);
    if (socket == INVALID_SOCKET) return 0;
    uint32_t peerPort = 0;
    const std::wstring peerText = NarrowToWide(SocketAddressText(peer, peerPort));
    Info(window, FillLang(kConnectedMessage, {peerText, std::to_wstring(peerPort)}));
    // A chat asked to run over TLS never goes on in the clear.
    const bool secured = !dcc.UseTls || StartTls(window, dcc, socket);
    if (secured) {
        result.clear();
        if (script::RunEventScript("On_DCC_Connect_2", window, window, window->Name, result) == 1) return 0;
        DccChatStream stream;
        auto buffer = std::make_unique<char[]>(10000);
        for (;;) {
            const int got = Receive(dcc, socket, buffer.get(), 10000);
            if (got <= 0) break;
            // What came before a broken bound is still shown; then the chat ends with a notice.
            const bool goesOn = stream.Feed(buffer.get(), static_cast<size_t>(got));
            for (const std::string& line : stream.TakeLines()) ShowLine(window, dcc, line);
            for (const VoiceFrameData& frame : stream.TakeFrames()) ShowFrame(window, frame);
            if (!goesOn) {
                Info(window, ChatFaultNotice(stream.Broken()));
                break;
            }
        }
    }
    Info(window, GetLangString(kDisconnectedMessage));
    OnDccChatDisconnected(window, &dcc);
    return 0;
}
