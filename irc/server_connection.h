// The record of one server connection, owned by its server window's record: what the user
// asked for, the live session, the send queue, remembered users, script variables and timers.
#pragma once

#include "irc/channel_mode_rules.h"
#include "irc/line_handler_state.h"
#include "irc/remembered_user.h"
#include "irc/user_address.h"
#include "core/timer_entry.h"
#include "core/script_variable.h"

#include <winsock2.h>
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <deque>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class TlsSocket;
struct SessionWriter;

// A ban or exception entry collected until its end-of-list reply.
struct PendingBanEntry {
    uint8_t IsException = 0;
    std::wstring Channel;
    std::wstring Mask;
    std::wstring Setter;
    std::wstring Time;
};

struct WindowRecord;

struct ServerConnection {
    ServerConnection();
    ~ServerConnection();
    ServerConnection(const ServerConnection&) = delete;
    ServerConnection& operator=(const ServerConnection&) = delete;

    std::vector<std::string> ServerList;
    std::string Host;
    std::string Nick;
    std::string FullName;
    std::string EMail;
    std::string Password;
    std::string UserField2;
    std::string UserField3;
    std::string UserName;
    std::string OwnNick;
    std::string ReportedUser;
    std::string MailAddress;
    std::string ReportedHost;
    std::string OwnUserModes;
    std::string ReportedIPv4;
    std::string ReportedIPv6;
    std::string LocalIPv4;
    std::string LocalIPv6;
    std::string PrefixCharacters;
    // Which modes take arguments and set nick levels, as the server announced them.
    ChannelModeRulesSlot ModeRules;
    LineHandlerState HandlerState;
    uint16_t Port = 0;
    uint8_t UseTls = 0;
    int32_t ReconnectCounter = 0;
    uint32_t ConnectMethod = 0;
    // The proxy text of the saved server the connect dialog connected to.
    std::wstring ProxyText;
    std::wstring PerformText;
    HANDLE ConnectionThread = nullptr;
    HANDLE IdentThread = nullptr;
    std::atomic<SOCKET> IdentSocket{0};
    // Published under WriteLock once its handshake is done; the receive loop keeps its own
    // reference, so ending the session never frees it under a reader.
    std::shared_ptr<TlsSocket> Tls;
    std::vector<PendingBanEntry> BanListReplies;
    // Cleared before the socket is closed, so a concurrent sender sees 0, never a closed handle.
    std::atomic<SOCKET> Socket{0};
    uint8_t IsIPv6 = 0;
    uint8_t IdentWaited = 0;
    uint8_t StartupDone = 0;
    uint8_t Registered = 0;
    uint8_t AltNickTried = 0;
    uint32_t NamesInProgress = 0;
    std::vector<std::string> ExtraList1;
    std::vector<std::string> ExtraList2;
    // A list, so an entry found by one thread stays where it is while others append.
    std::list<RememberedUser> RememberedUsers;
    std::mutex RememberedUsersMutex; // held for the length of each operation on the list
    std::vector<std::string> NotifyOnline;
    UserAddress LastSender;
    std::deque<std::string> SendQueue; // oldest first
    std::mutex QueueMutex;             // guards SendQueue and QueueEmpty
    // Every write on the server socket, plain or TLS (the session writer's, and the TLS session's
    // own tokens), holds this lock so that writes from several threads never interleave their
    // bytes or TLS records and the socket is never closed under a writer. TlsSocket takes it
    // itself.
    std::mutex WriteLock;
    // The live session's writer, which alone writes the socket once the session is up.
    std::shared_ptr<SessionWriter> Writer;
    std::mutex WriterMutex; // guards Writer and the bytes waiting for it
    uint8_t QueueEmpty = 1;
    ScriptVariableList Variables;
    std::vector<TimerEntry> Timers;
    uint32_t NextTimerId = 1000;
    uint32_t LastNotifyTick = 0;
    uint8_t LagProbePending = 0;
    uint8_t LagReported = 0;
    uint32_t Lag = 0;
    HWND MaskDialog = nullptr;
    int32_t SavedThreadPriority = 0;
    uint8_t ClosedByUser = 0;

    // Asks the connection thread to give up its attempt; it checks between steps.
    std::atomic<uint8_t> StopRequested{0};
    // Guards ConnectionThread, Closing and the thread lists between a restart and the window's
    // destruction.
    std::mutex LifecycleMutex;
    uint8_t Closing = 0;
    std::vector<HANDLE> RetiredThreads; // ended attempts' threads, still to be waited for
    std::vector<HANDLE> WriterThreads;  // session writers' threads, still to be waited for
    // The thread running StartServerConnection, 0 when none: one start at a time, and the
    // disconnect routine that start runs knows the next session is on its way.
    std::atomic<DWORD> RestartingThread{0};
    // Counts the starts; a thread compares it with its own to know it was not restarted.
    std::atomic<uint32_t> Generation{0};
    // An automatic reconnect waits for its try (its timer runs on the server window). Any start
    // of the connection, "Disconnect" and "/quit" call it off.
    std::atomic<uint8_t> ReconnectPending{0};
};

// The connection a window sends and receives through: its own, else its server window's.
ServerConnection* ConnectionOfWindow(const WindowRecord* window);
