// An in-process stand-in for the desktop-sharing classes (Wine has none): sharers and viewers
// with virtual channels, attendees, invitations, an application filter and their events.
// While a StandInSharing lives, creating the sharer or the viewer class in this process gives
// a stand-in object. Viewers connect to sharers of the same process by invitation; channel data
// goes to the other side's channel of the same name. Events arrive through the message loop of
// the thread that made the StandInSharing, as the real ones arrive through the owner's loop.
#pragma once

#include <windows.h>
#include <rdpencomapi.h>

#include <cstdint>
#include <string>
#include <vector>

struct StandInApplicationState {
    DWORD ProcessId = 0;
    bool Shared = false;
    std::vector<bool> WindowsShared;
};

class StandInSharing {
public:
    StandInSharing();
    ~StandInSharing();
    StandInSharing(const StandInSharing&) = delete;
    StandInSharing& operator=(const StandInSharing&) = delete;

    // At most this many pieces of one channel on its way at once; beyond that SendData answers
    // E_PENDING until a piece arrived (0: no limit).
    void SetChannelWindow(uint32_t pieces);
    // How often SendData answered E_PENDING on channels of that name.
    uint32_t PendingAnswers(const std::wstring& channel) const;
    // The sizes of the pieces that arrived on channels of that name, at viewers or at sharers.
    std::vector<uint32_t> Delivered(bool atViewer, const std::wstring& channel) const;
    // The control level of the newest attendee (CTRL_LEVEL_INVALID when there is none).
    CTRL_LEVEL AttendeeControlLevel() const;
    // What the newest sharer was given.
    std::wstring ConnectedToClient() const;
    int32_t ColorDepth() const;
    bool Property(const std::wstring& name, VARIANT& value) const;
    bool FilterEnabled() const;
    std::vector<StandInApplicationState> Applications() const;
    // The connection string the newest viewer connected with.
    std::wstring ViewerConnection() const;

    // Runs this thread's message loop until the condition holds or the time is up.
    template <typename Condition> static bool PumpUntil(Condition condition, DWORD timeoutMs) {
        const ULONGLONG end = GetTickCount64() + timeoutMs;
        while (!condition()) {
            if (GetTickCount64() >= end) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            MSG message;
            while (!condition() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return true;
    }
};
