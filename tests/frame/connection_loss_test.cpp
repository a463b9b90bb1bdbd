// A lost connection as the user meets it in the frame: every window of it says so, and the
// automatic reconnect's tries wait their turn until "Disconnect" calls them off.
#include "tests/frame/chat_session.h"

#include "common/command_ids.h"
#include "core/client_services.h"
#include "irc/server_connection.h"
#include "core/window_record.h"
#include "shell/windows/server_reconnect.h"

#include <commctrl.h>

#include <string>

namespace {

using ConnectionLoss = FrameTest;

// How often the view shows the text.
size_t Shown(const WindowRecord* record, const std::wstring& text) {
    std::wstring view(static_cast<size_t>(GetWindowTextLengthW(record->View)) + 1, L'\0');
    view.resize(
        static_cast<size_t>(GetWindowTextW(record->View, view.data(), static_cast<int>(view.size()))));
    size_t count = 0;
    for (size_t at = view.find(text); at != std::wstring::npos; at = view.find(text, at + 1)) ++count;
    return count;
}

} // namespace

TEST_F(ConnectionLoss, EveryWindowSaysSoAndTheTriesWaitTheirTurnUntilCalledOff) {
    ChatSession session(3);
    ASSERT_TRUE(session.Ready());
    WindowRecord* server = session.ServerWindow;
    server->Connection->ReconnectCounter = 10; // registered, with "Reconnect when lost" on
    ReconnectSecondMs = 40;
    struct Restore {
        ~Restore() { ReconnectSecondMs = 1000; }
    } restore;

    session.Server().CloseClient();
    const std::wstring lost = L"Disconnected.";
    EXPECT_TRUE(Pump([&] {
        return Shown(server, lost) == 1 && Shown(session.Channel, lost) == 1 &&
               Shown(session.Query, lost) == 1 &&
               SendMessageW(session.Channel->NickList, LVM_GETITEMCOUNT, 0, 0) == 0;
    })) << "every window of the connection says so, and the channel lists no one";
    EXPECT_EQ(Shown(session.DccChat, lost), 0u) << "a DCC chat has a connection of its own";
    EXPECT_TRUE(Pump([&] { return Shown(server, L"Reconnecting in 5 seconds (try 1 of 4) ...") == 1; }));

    // The first try comes after its wait; it fails before the welcome, and the next one waits
    // longer. Only the server window hears of a try. That wait is stretched so a test thread held
    // off under load still says "Disconnect" before it ends.
    ASSERT_TRUE(Pump([&] { return session.Server().Accept(10); }));
    ReconnectSecondMs = 200;
    session.Server().CloseClient();
    EXPECT_TRUE(Pump([&] { return Shown(server, L"Reconnecting in 15 seconds (try 2 of 4) ...") == 1; }));
    EXPECT_EQ(Shown(session.Channel, lost), 1u);

    // "Disconnect" while the try waits: it never comes.
    ActivateWindowRecord(server);
    Settle(50);
    SendMessageW(frame_, WM_COMMAND, ID_SERVER_DISCONNECT, 0);
    EXPECT_FALSE(Pump([&] { return session.Server().Accept(10); }, 15 * 200 + 1000));
}
