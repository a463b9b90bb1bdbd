// A running remote-assistance session on the user's side: the session dialog over a blanked
// desktop, the chat window, and files and clipboard contents over the channels "chat", "file"
// and "data". Everything is written for both kinds of sharing object: wherever it sends, it
// sends over the sharer's channel and then over the viewer's, each when present.
#pragma once

#include "assist/sharing_object.h"

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The first piece of every file on the "file" channel: the sender's path (UTF-16LE,
// zero-terminated, at most 299 characters) and the size (u64 little-endian).
constexpr uint32_t kFileHeaderSize = 608;
constexpr uint32_t kFileHeaderPathBytes = 600;
constexpr uint32_t kFileHeaderPathChars = kFileHeaderPathBytes / 2 - 1;
// Sent on "data" by a receiver that cancels.
constexpr uint32_t CancelTransferCode = 1793;
// The chat window's message for a remote chat text: wParam its byte length, lParam the bytes.
constexpr UINT WM_ASSIST_CHAT_TEXT = WM_USER + 100;
// The session dialog's buttons.
constexpr int kChatButton = 901;
constexpr int kSendFileButton = 902;
constexpr int kTerminateButton = 903;
constexpr int kSendClipboardButton = 904;
// The file-received dialog's buttons.
constexpr int kOpenFileButton = 901;
constexpr int kOpenFolderButton = 902;
constexpr int kCloseButton = 9;
constexpr int kCancelButton = 2;
// Chat texts are cut to this many characters.
constexpr size_t kChatTextLimit = 1000;
// Tries at a free name for a received file: the name itself, then "_1_name" to "_99_name".
constexpr uint32_t kReceivedNameTries = 99;

// 0 at the start of every file send; E_FAIL once the receiver cancelled.
extern std::atomic<HRESULT> TransferStatus;

struct AssistSession;

// One incoming file, shared by the channel's slot, its writer thread and its dialog.
struct FileReceiveJob {
    ~FileReceiveJob();
    // Null once the session ended; read and cleared under Lock.
    AssistSession* Session = nullptr;
    std::mutex Lock;
    std::wstring FileName;
    std::wstring FullPath;
    std::wstring TempPath; // written here, renamed to FullPath when complete
    uint64_t Size = 0;
    uint64_t Written = 0;
    HANDLE PieceReady = nullptr;   // auto-reset
    HANDLE PieceWritten = nullptr; // auto-reset
    std::vector<uint8_t> Piece;
    HANDLE File = INVALID_HANDLE_VALUE;
    std::atomic<HRESULT> Status{1}; // 1 more to come, 0 done, E_FAIL failed
    std::atomic<bool> Cancelled{false};
    std::atomic<HWND> Dialog{nullptr};
    HANDLE Writer = nullptr;
};

// Threads a session started, waited for when it ends.
class SessionThreads {
public:
    ~SessionThreads() { WaitAll(); }
    // The thread's handle (valid until WaitAll), or null when it could not start.
    HANDLE Start(unsigned(__stdcall* procedure)(void*), void* argument);
    void WaitAll();

private:
    std::mutex lock_;
    std::vector<HANDLE> threads_;
};

struct AssistSession {
    SharingObject* Sharer = nullptr;
    SharingObject* Viewer = nullptr;
    HWND ChatWindowHandle = nullptr;
    HWND SessionDialogWindow = nullptr;
    std::wstring FilePath; // the file to send next
    // Where received files go: the user's documents folder (none: files are not taken).
    std::wstring ReceiveFolder;
    SessionThreads Threads;
    std::mutex JobsLock;
    std::vector<std::shared_ptr<FileReceiveJob>> Jobs;
};

// Shows the session dialog over a blanked desktop and returns when it closes; the session's
// work is ended then (EndSessionWork).
void SessionDialog(AssistSession& session);
// Gives the object's events and channel data to the session's handlers.
void AttachSessionHandlers(AssistSession& session, SharingObject& object);
// Stops what still runs for the session: senders stop at their next block, receivers end
// (their dialogs may stay open), the chat window closes. Waits for the session's threads.
void EndSessionWork(AssistSession& session);

HWND ChatWindow(AssistSession& session);
unsigned __stdcall SendFileThread(void* argument);
// Starts SendFileThread for the session's FilePath.
bool StartFileSend(AssistSession& session);
void SendClipboard(AssistSession& session);
void ReceiveFilePiece(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, AssistSession& session);
// The channel handler: chat text to the chat window, file pieces to ReceiveFilePiece, the
// cancel code to TransferStatus.
void HandleChannelData(ChannelRecord* channel, AttendeeRecord* attendee, const uint8_t* bytes,
                       uint32_t length, void* context);
// Sends the bytes on the named channel of the sharer and then of the viewer, to all attendees;
// false when neither has the channel.
bool SendOnSessionChannels(AssistSession& session, const wchar_t* name, const uint8_t* bytes,
                           uint32_t length);

// The file header for a path and size; a longer path keeps its last 299 characters.
std::vector<uint8_t> BuildFileHeader(const std::wstring& path, uint64_t size);
// The plain base name the header names (the part after its last separator) and the size; false
// for a piece that is not a header.
bool ReadFileHeader(const uint8_t* bytes, uint32_t length, std::wstring& name, uint64_t& size);
// The first free name for a received file in the folder ("name", then "_1_name" ...
// "_99_name"); empty when every try is taken.
std::wstring ChooseReceivedFileName(const std::wstring& folder, const std::wstring& name);

struct SavedDesktop {
    std::wstring Wallpaper;
    COLORREF Color = 0;
    bool Saved = false;
};
void BlankDesktop(SavedDesktop& saved);
void RestoreDesktop(SavedDesktop& saved);
