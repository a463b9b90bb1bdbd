// Busy channels: a big channel whose members come, go, rename and change status while the user
// works in its nick list, and a channel window closed while its connection thread is handling a
// line for it.
#include "tests/frame/chat_session.h"

#include "core/client_services.h"
#include "core/window_record.h"
#include "core/window_record_use.h"
#include "shell/windows/window_operations.h"
#include "tests/support/member_churn.h"

#include <commctrl.h>

#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using BusyChannel = FrameTest;

constexpr int kMembers = 5000;
constexpr int kChanges = 20000;

std::wstring ItemText(HWND list, int index) {
    wchar_t text[64] = {};
    LVITEMW item{};
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(list, LVM_GETITEMTEXTW, index, reinterpret_cast<LPARAM>(&item));
    return text;
}

std::vector<std::wstring> ListItems(HWND list) {
    std::vector<std::wstring> items;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) items.push_back(ItemText(list, i));
    return items;
}

// What a user does in the list while it changes: looks at its end, where members leaving are
// seen, scrolls, selects and reads a nick.
void WorkInList(HWND list, std::mt19937& random) {
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (count == 0) return;
    SendMessageW(list, LVM_ENSUREVISIBLE, count - 1, FALSE);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    SendMessageW(list, WM_VSCROLL, random() % 2 ? SB_LINEUP : SB_PAGEUP, 0);
    // A click: the nick clicked is the one selected.
    LVITEMW state{};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    for (int selected;
         (selected = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED))) >= 0;)
        SendMessageW(list, LVM_SETITEMSTATE, selected, reinterpret_cast<LPARAM>(&state));
    const int index = static_cast<int>(random() % count);
    state.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list, LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&state));
    ItemText(list, index);
}

// The connection thread's check for clones of a joining user, held until the test has closed the
// channel's window: the handler then goes on reading the channel's record and members.
struct HeldCloneCheck {
    static inline HANDLE Reached = nullptr;
    static inline HANDLE Closed = nullptr;
    static inline decltype(ScriptServices::RunEventScript) Real = nullptr;

    HeldCloneCheck() {
        Reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        Closed = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        Real = Services().Scripts.RunEventScript;
        Services().Scripts.RunEventScript = Run;
    }
    ~HeldCloneCheck() {
        SetEvent(Closed);
        Services().Scripts.RunEventScript = Real;
        CloseHandle(Reached);
        CloseHandle(Closed);
    }
    static uint32_t Run(const char* name, WindowRecord* window, WindowRecord* target,
                        const std::string& parameters, std::string& result, EventScriptOptions options) {
        if (std::string(name) != "On_Clone" || !options.CheckOnly)
            return Real(name, window, target, parameters, result, options);
        SetEvent(Reached);
        WaitForSingleObject(Closed, 30000);
        return 0; // there is such a script: the check goes on
    }
};

} // namespace

TEST_F(BusyChannel, AChannelClosedWhileItsConnectionThreadHandlesALineForItStaysUntilTheLineIsHandled) {
    ChatSession session(3);
    ASSERT_TRUE(session.Ready());
    HWND window = session.Channel->Window;
    const std::weak_ptr<NickStore> members = session.Channel->Nicks;
    {
        HeldCloneCheck held;
        session.Send(":dave!u@h JOIN :#chan\r\n");
        ASSERT_TRUE(Pump([&] { return WaitForSingleObject(HeldCloneCheck::Reached, 0) == WAIT_OBJECT_0; }));
        SendMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(window));
        EXPECT_FALSE(members.expired()) << "the record went while the handler held it";
        EXPECT_EQ(RetiredWindowRecordCount(), 1u);
    }
    EXPECT_TRUE(Pump([&] { return members.expired(); })) << "the record stays after the line";
    EXPECT_EQ(RetiredWindowRecordCount(), 0u);
    session.Send("PING :after\r\n");
    EXPECT_TRUE(session.ServerGot("PONG :after"));
}

TEST_F(BusyChannel, AListOfThousandsFollowsTheServerWhileTheUserWorksInIt) {
    ChatSession session(3);
    ASSERT_TRUE(session.Ready());
    ActivateWindowRecord(session.Channel);
    HWND list = session.Channel->NickList;

    ChannelMembers members(session.Nick(), kMembers);
    session.Send(members.NamesReply("#chan"));
    ASSERT_TRUE(Pump([&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) == kMembers + 1; }, 30000));

    const std::vector<std::string> churn = members.Churn("#chan", kChanges);
    // The server sends the changes in steps of 500, a wave of members leaving or joining, each time
    // the user has looked at the list again.
    std::atomic<int> looks{0};
    std::thread server([&] {
        for (size_t from = 0; from < churn.size(); from += 500) {
            std::string wave;
            for (size_t i = from; i < from + 500 && i < churn.size(); ++i) wave += churn[i] + "\r\n";
            const int seen = looks;
            session.Send(wave);
            WaitUntil([&] { return looks > seen; }, 10000);
        }
        session.Send("PING :churned\r\n");
    });
    std::mt19937 random(7);
    const bool answered = Pump(
        [&] {
            WorkInList(list, random);
            ++looks;
            std::optional<std::string> line = session.Server().ReadLine(1);
            return line && *line == "PONG :churned";
        },
        120000);
    server.join();
    ASSERT_TRUE(answered);
    const std::vector<std::wstring> expected = members.Items();
    EXPECT_TRUE(Pump([&] { return ListItems(list) == expected; }, 30000));
}
