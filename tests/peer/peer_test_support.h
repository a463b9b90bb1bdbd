// What the peer tests share: a stand-in frame that inserts what the workers hand it, a channel
// window with a Rich Edit view in the window list, settings, and object files of the tests'
// control.
#pragma once

#include "core/window_record.h"
#include "tests/ax_control/test_control_registration.h"
#include "tests/support/loopback_ports.h"
#include "xml/xml_document.h"

#include <windows.h>
#include <ole2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

// One WM_INSERT_OBJECT the frame received.
struct SeenInsert {
    std::wstring Question;
    CLSID Clsid{};
    bool FileThere = false;
    DWORD Thread = 0;
};

class PeerTest {
public:
    // The settings of "Cfg\Options3\File_Transfers": the object time-out, accepted classes and
    // blocked files.
    PeerTest(int timeoutSeconds, const std::string& acceptedClasses, const std::string& blockedFiles = "");
    ~PeerTest();
    PeerTest(const PeerTest&) = delete;
    PeerTest& operator=(const PeerTest&) = delete;

    HWND View() const { return record_->View; }
    WindowRecord* Record() const { return record_; }
    std::vector<SeenInsert> Inserts() const;
    // The frame answers the object question with Yes (true) or No.
    void AnswerQuestions(bool yes) { yes_ = yes; }
    int ViewObjectCount() const;
    // Whether the view shows the text: what the printer put into it.
    bool ViewShows(const std::wstring& text) const;
    void SaveScreenshot(const wchar_t* name) const;

private:
    static LRESULT CALLBACK FrameProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    XmlDocument config_;
    HWND frame_ = nullptr;
    HWND channel_ = nullptr;
    WindowRecord* record_ = nullptr;
    static std::atomic<bool> yes_;
    static std::mutex seenLock_;
    static std::vector<SeenInsert> seen_;
};

// Runs the thread's messages until the condition holds or the time is up.
template <typename Condition> bool PumpUntil(Condition condition, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        if (condition()) return true;
        if (GetTickCount64() >= end) return false;
        Sleep(20);
    }
}

// Offers the file as "/sendobject" does: the accept thread, its event, and the socket it
// published. False when nothing listens.
struct StartedOffer {
    uint64_t Socket = 0;
    uint32_t ThreadId = 0;
};
bool OfferFile(const std::wstring& path, uint16_t port, StartedOffer& offer);
// Fetches as "/getobject" does: the receive thread with the job.
bool FetchFile(struct ObjectTransfer* job);
