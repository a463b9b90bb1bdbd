// The record of one IRC child window (server, channel, query or DCC chat) and the global
// window list that holds every record in tab order.
#pragma once

#include "core/channel_list_rows.h"

#include <windows.h>

#include "core/nick_store.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ServerConnection;
struct DccConnection;

enum WindowType : uint32_t {
    kNoWindowType = 0,
    kServerWindow = 1,
    kChannelWindow = 2,
    kQueryWindow = 3,
    kDccChatWindow = 4,
};

constexpr uint32_t kNoWindowIndex = 0xFFFFFFFF;

struct WindowRecord {
    WindowRecord(HWND window, uint32_t type, WindowRecord* server);
    WindowRecord(const WindowRecord&) = delete;
    WindowRecord& operator=(const WindowRecord&) = delete;

    HWND Window = nullptr;
    // Never the same for two records, also when one is made where another was deleted.
    const uint64_t Serial;
    HWND Input = nullptr;
    HWND View = nullptr;
    HWND NickList = nullptr;
    // The members its nick list shows; made with the record and never replaced, so any thread may
    // reach it through the record.
    const std::shared_ptr<NickStore> Nicks = std::make_shared<NickStore>();
    HWND ControlBar = nullptr;
    HWND InsertsBar = nullptr;
    HWND OperatorBar = nullptr;
    HWND Popup = nullptr;
    uint32_t CreatedTick = 0;
    float SplitRatio = 0.8f;
    std::vector<std::wstring> InputHistory;
    int32_t HistoryIndex = -1;
    std::wstring CurSender;
    std::wstring PrevSender;
    SYSTEMTIME LastLineTime{};
    uint32_t Type = kNoWindowType;
    WindowRecord* Server = nullptr;
    ServerConnection* Connection = nullptr;
    DccConnection* Dcc = nullptr;
    std::string Name;
    std::string Topic;
    std::string Modes;
    std::wstring NoticeText;
    std::wstring LogPath;
    int32_t CompletionIndex = -1;
    std::wstring CompletionWord;
    ChannelListTable ChannelListRows;
    // The rows a channel list window shows (sorted and filtered) and the list control showing
    // them in the view's place; both belong to the interface thread alone.
    std::vector<ChannelListEntry> ChannelListShown;
    HWND ChannelListView = nullptr;
    uint8_t VoiceCapture = 0;
    uint8_t VoiceListen = 0;
    uint8_t ViewFlag = 0;
    uint32_t MultiLineInput = 0;
    uint32_t NotifyCount = 0;
    uint8_t Paused = 0;
    uint8_t SortNicks = 1;
    uint8_t PausedByScroll = 0;
    uint8_t Detached = 0;
    std::vector<std::wstring> HeldLines;
    uint8_t Logging = 0;
    // Written and read by the connection thread (and by "/emulateserver" on others).
    std::atomic<uint8_t> TopicShown{0};
    std::atomic<uint8_t> NoSuchNickShown{0};
    uint8_t SpeakIncoming = 0;
    uint8_t ShowControlBar = 0;
    uint8_t ShowInsertsBar = 0;
    uint8_t NickListHidden = 0; // the user hid a channel's nick list (the view takes its width)
    int32_t CodePage = -1;
};

// True when a sorts before b: grouped by server window in creation order; inside a group
// by type (server, channel, query, DCC chat), then by creation.
bool CompareWindowRecords(const WindowRecord* a, const WindowRecord* b);
