#include "peer/object_exchange.h"

#include "common/app_state.h"
#include "common/crc32.h"
#include "common/lang_string_ids.h"
#include "common/lang_strings.h"
#include "common/net_helpers.h"
#include "common/plain_base_name.h"
#include "common/replacing_file.h"
#include "common/shell_helpers.h"
#include "common/text_split.h"
#include "common/xstring.h"
#include "core/frame_message_ids.h"
#include "core/object_transfer.h"
#include "core/settings.h"
#include "core/window_list.h"
#include "irc/bounded_send.h"
#include "irc/connection_messages.h"
#include "peer/blocked_files.h"
#include "peer/own_files.h"
#include "views/line_printer.h"

#include <ole2.h>
#include <process.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <vector>

namespace {

constexpr int32_t kMostIdleSeconds = 300;
constexpr DWORD kPassMs = 500;
constexpr DWORD kSendPiece = 100000;
constexpr int kReceivePiece = 10000;
// A sender that sends nothing for this long fails the transfer.
constexpr DWORD kReceiveIdleMs = 60000;
// After the announced size the sender should close; bytes that still come fail the transfer.
constexpr long kTrailingWaitSeconds = 5;

SOCKET Listen(bool ipv6, uint32_t port) {
    if (port == 0 || port > 65535) return INVALID_SOCKET;
    SOCKET listener = socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET) return listener;
    sockaddr_storage address{};
    int length = 0;
    if (ipv6) {
        auto* any = reinterpret_cast<sockaddr_in6*>(&address);
        any->sin6_family = AF_INET6;
        any->sin6_port = htons(static_cast<u_short>(port));
        any->sin6_addr = in6addr_any;
        length = sizeof(sockaddr_in6);
    } else {
        auto* any = reinterpret_cast<sockaddr_in*>(&address);
        any->sin_family = AF_INET;
        any->sin_port = htons(static_cast<u_short>(port));
        any->sin_addr.s_addr = htonl(INADDR_ANY);
        length = sizeof(sockaddr_in);
    }
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 || listen(listener, 1) != 0) {
        closesocket(listener);
        return INVALID_SOCKET;
    }
    return listener;
}

// Idle passes of about a second each before an offer ends; a setting of 0 or less still ends it.
uint32_t IdlePasses() {
    const int32_t seconds = Settings::EmbeddedObjectsTimeout();
    return static_cast<uint32_t>(std::clamp(seconds, int32_t{1}, kMostIdleSeconds));
}

bool StartThread(unsigned(__stdcall* procedure)(void*), void* job) {
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, procedure, job, 0, nullptr));
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

std::wstring BaseNameOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

bool IsObjectFile(const std::wstring& name) {
    const size_t dot = name.find_last_of(L'.');
    return dot != std::wstring::npos && _wcsicmp(name.c_str() + dot + 1, L"stg") == 0;
}

// Tells the user in the window the offer came to, or in the first window when that one is gone.
void TellText(const ObjectTransfer& job, const std::wstring& text) {
    WindowRecord* record = nullptr;
    HWND view = nullptr;
    {
        WindowListReadLock lock(WindowListMutex());
        for (WindowRecord* listed : WindowList)
            if (job.TargetView && listed->View == job.TargetView) record = listed;
        if (!record && !WindowList.empty()) record = WindowList.front();
        if (record) view = record->View;
    }
    if (record && view) views::PrintToWindow(kInformationLine, record, text, {.View = view});
}

void Tell(const ObjectTransfer& job, int32_t textId, std::initializer_list<std::wstring> arguments) {
    TellText(job, FillLangText(GetLangString(textId), arguments));
}

SOCKET Connect(const ObjectTransfer& job) {
    const int family = job.IsIPv6 ? AF_INET6 : AF_INET;
    sockaddr_storage address{};
    const uint32_t length = ResolveHost(job.PeerHost.c_str(), job.Port, 0, &address, sizeof address, family);
    if (length == 0 || job.Port == 0 || job.Port > 65535) return INVALID_SOCKET;
    SOCKET connection = socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (connection == INVALID_SOCKET) return connection;
    if (connect(connection, reinterpret_cast<sockaddr*>(&address), static_cast<int>(length)) != 0) {
        closesocket(connection);
        return INVALID_SOCKET;
    }
    const DWORD idle = kReceiveIdleMs;
    setsockopt(connection, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&idle), sizeof idle);
    return connection;
}

// After the announced bytes: true unless the sender goes on sending.
bool SenderStopped(SOCKET connection) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(connection, &readable);
    timeval wait{kTrailingWaitSeconds, 0};
    if (select(0, &readable, nullptr, nullptr, &wait) <= 0) return true;
    char extra = 0;
    return recv(connection, &extra, 1, 0) <= 0;
}

// Writes the announced bytes under a temporary name and keeps them only when all arrived, no
// more followed and the CRC matches.
bool ReceiveWholeFile(const ObjectTransfer& job, SOCKET connection) {
    ReplacingFile file(job.Path);
    if (!file.IsOpen()) return false;
    std::vector<char> buffer(kReceivePiece + 1);
    uint64_t remaining = job.Size;
    uint32_t crc = 0xFFFFFFFF;
    while (remaining > 0) {
        const int want = static_cast<int>(std::min<uint64_t>(remaining, kReceivePiece));
        const int got = recv(connection, buffer.data(), want, 0);
        if (got <= 0 || !file.Write(buffer.data(), static_cast<size_t>(got))) return false;
        crc = Crc32::Update(buffer.data(), static_cast<size_t>(got), crc);
        remaining -= static_cast<uint64_t>(got);
    }
    return SenderStopped(connection) && ~crc == job.Crc && file.Commit();
}

bool ReadStorageClass(const std::wstring& path, CLSID& clsid) {
    IStorage* storage = nullptr;
    if (FAILED(
            StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &storage)) ||
        !storage)
        return false;
    const bool read = SUCCEEDED(ReadClassStg(storage, &clsid));
    storage->Release();
    return read;
}

// A received object file: shown in the target view when its class is accepted and the user
// agrees; the file goes either way.
void OfferReceivedObject(const ObjectTransfer& job, const std::wstring& name) {
    CLSID clsid{};
    if (!ReadStorageClass(job.Path, clsid) || !peer::IsAcceptedObjectClass(clsid)) {
        DeleteFileW(job.Path.c_str());
        Tell(job, kObjectRefusedText, {name});
        return;
    }
    const std::wstring question = FillLangText(GetLangString(kObjectQuestionText), {name});
    InsertObjectRequest request;
    request.View = job.TargetView;
    request.StoragePath = job.Path.c_str();
    request.Clsid = clsid;
    request.Question = question.c_str();
    if (IsWindow(job.TargetView))
        SendMessageW(MainWindow.load(), WM_INSERT_OBJECT, 0, reinterpret_cast<LPARAM>(&request));
    DeleteFileW(job.Path.c_str());
}

// A whole path without relative parts whose file name is a plain base name.
bool IsPlainPath(const std::wstring& path, const std::wstring& name) {
    if (name.empty() || PlainBaseName(name) != name) return false;
    const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0) return false;
    std::wstring full(size, L'\0');
    full.resize(GetFullPathNameW(path.c_str(), size, full.data(), nullptr));
    return full == path;
}

void ReceiveObject(const ObjectTransfer& job) {
    const std::wstring name = BaseNameOf(job.Path);
    if (!IsPlainPath(job.Path, name)) {
        Tell(job, kTransferFailedText, {});
        return;
    }
    // The same refusals as for a DCC file offer: a blocked name is never fetched, and nothing
    // received replaces a file of the program.
    if (peer::IsBlockedFileName(WideToNarrow(name))) {
        Tell(job, kBlockedFileText, {});
        return;
    }
    if (peer::IsProgramOwnFile(job.Path)) {
        TellText(job, peer::OwnFileRefusal(name));
        return;
    }
    SOCKET connection = Connect(job);
    if (connection == INVALID_SOCKET) {
        Tell(job, kTransferFailedText, {});
        return;
    }
    const bool whole = ReceiveWholeFile(job, connection);
    closesocket(connection);
    if (!whole) {
        Tell(job, kTransferFailedText, {});
        return;
    }
    if (job.InsertIntoView && IsObjectFile(name))
        OfferReceivedObject(job, name);
    else
        Tell(job, kFileSavedText, {name, FolderOf(job.Path)});
}

} // namespace

bool peer::IsAcceptedObjectClass(const CLSID& clsid) {
    std::vector<std::string> listed;
    SplitString(listed, Settings::AllowedObjectClasses(), kSplitUnlimited, " ");
    for (const std::string& text : listed) {
        CLSID accepted{};
        if (!text.empty() && SUCCEEDED(ClsidFromAnsiString(accepted, text.c_str())) && accepted == clsid)
            return true;
    }
    return false;
}

namespace {

void ServeOffer(ObjectTransfer* job) {
    HANDLE ready = OpenEventW(EVENT_ALL_ACCESS, FALSE, kObjectAcceptEventName);
    const SOCKET listener = Listen(job->IsIPv6 != 0, job->Port);
    if (listener != INVALID_SOCKET) {
        PublishObjectOffer(GetCurrentThreadId(), listener);
        job->Socket = listener;
    }
    if (ready) {
        SetEvent(ready);
        CloseHandle(ready);
    }
    if (listener == INVALID_SOCKET) return;
    const uint32_t passes = IdlePasses();
    uint32_t idle = 0;
    for (;;) {
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(listener, &readable);
        timeval wait{0, static_cast<long>(kPassMs * 1000)};
        // A killed offer's socket is closed under us: select or accept fails and the offer ends.
        const int waiting = select(0, &readable, nullptr, nullptr, &wait);
        if (waiting < 0) break;
        if (waiting > 0) {
            const SOCKET accepted = accept(listener, nullptr, nullptr);
            if (accepted == INVALID_SOCKET) break;
            auto send = std::make_unique<ObjectTransfer>();
            send->IsIPv6 = job->IsIPv6;
            send->Path = job->Path;
            send->Port = job->Port;
            send->Socket = accepted;
            if (StartThread(&peer::ObjectSendThread, send.get()))
                send.release();
            else
                closesocket(accepted);
            idle = 0;
            continue;
        }
        if (++idle >= passes) break;
        Sleep(kPassMs);
    }
}

void SendFile(const ObjectTransfer* job) {
    HANDLE file = CreateFileW(job->Path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        std::vector<char> buffer(kSendPiece + 2400);
        DWORD read = 0;
        while (ReadFile(file, buffer.data(), kSendPiece, &read, nullptr) && read > 0) {
            const BoundedSendResult sent =
                SendBounded(job->Socket, std::string_view(buffer.data(), read), WriteStallLimitMs.load());
            if (sent.Sent != read) break;
        }
        CloseHandle(file);
    }
}

} // namespace

unsigned __stdcall peer::ObjectAcceptThread(void* parameter) {
    std::unique_ptr<ObjectTransfer> job(static_cast<ObjectTransfer*>(parameter));
    job->Socket = INVALID_SOCKET;
    try {
        ServeOffer(job.get());
    } catch (...) {
        // The offer ends here.
    }
    // A kill took the socket out of the table and closed it already.
    if (job->Socket != INVALID_SOCKET && WithdrawObjectOffer(GetCurrentThreadId())) closesocket(job->Socket);
    return 0;
}

unsigned __stdcall peer::ObjectSendThread(void* parameter) {
    std::unique_ptr<ObjectTransfer> job(static_cast<ObjectTransfer*>(parameter));
    try {
        SendFile(job.get());
    } catch (...) {
        // What was sent stays sent; the peer sees the connection close.
    }
    shutdown(job->Socket, SD_SEND);
    closesocket(job->Socket);
    return 0;
}

unsigned __stdcall peer::ObjectReceiveThread(void* parameter) {
    std::unique_ptr<ObjectTransfer> job(static_cast<ObjectTransfer*>(parameter));
    try {
        ReceiveObject(*job);
    } catch (...) {
        // The transfer is given up; the thread ends normally.
    }
    return 0;
}
