#include "assist/assist_author.h"

#include "assist/assist_handshake.h"
#include "common/net_helpers.h"
#include "common/window_centring.h"
#include "common/xstring.h"

#include <process.h>

#include <algorithm>

namespace {

constexpr DWORD kAskTimeoutMs = 10000;

struct RequestStart {
    AssistAuthor* Author;
    SOCKET Socket;
};

using MessageBoxTimeoutFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT, WORD, DWORD);

// A system-modal question that answers No by itself after ten seconds.
bool AskUser(const std::string& address) {
    static const auto timed = reinterpret_cast<MessageBoxTimeoutFn>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"user32.dll"), "MessageBoxTimeoutW")));
    const std::wstring text = L"Accept help request from: " + NarrowToWide(address) + L" ?";
    const UINT style = MB_YESNO | MB_SYSTEMMODAL;
    CentreNextBox centred;
    const int answer = timed ? timed(nullptr, text.c_str(), L"Request", style, 0, kAskTimeoutMs)
                             : MessageBoxW(nullptr, text.c_str(), L"Request", style);
    return answer == IDYES;
}

bool Accepted(AssistAuthor& author, const std::string& callerData, SOCKET socket) {
    const HRESULT decision = author.Check ? author.Check(callerData, author.CheckContext) : S_FALSE;
    if (decision == S_OK) return true;
    return decision != E_FAIL && AskUser(PeerAddress(socket));
}

// Every length read from the requester is checked before anything is read or kept.
void Serve(AssistAuthor& author, SOCKET socket) {
    AssistMessageHeader opening;
    if (!ReceiveHeader(socket, opening)) return;
    if (opening.Type != kAssistOpening || opening.Value != 1) {
        SendHeader(socket, {opening.Type, 0});
        return;
    }
    char lengthBytes[4];
    if (RecvAll(socket, lengthBytes, 4, 0) != 4) return;
    uint32_t length = 0;
    for (int i = 3; i >= 0; --i) length = (length << 8) | static_cast<uint8_t>(lengthBytes[i]);
    std::string callerData(std::min(length, kCallerDataLimit), '\0');
    if (length > kCallerDataLimit ||
        (length && RecvAll(socket, callerData.data(), static_cast<int>(length), 0) != length) ||
        !Accepted(author, callerData, socket)) {
        SendHeader(socket, {kAssistReply, 0});
        return;
    }
    std::unique_ptr<SharingObject> viewer = SharingObject::CreateViewer(nullptr);
    const std::wstring listener = viewer->StartReverseConnectListener(2, author.Port);
    const std::wstring reply = RewriteReverseConnect(listener, author.Port, LocalAddress(socket));
    if (reply.empty()) {
        SendHeader(socket, {kAssistReply, 0});
        return;
    }
    AssistMessageHeader next;
    std::wstring invitation;
    if (!SendAssistText(socket, kAssistReply, reply) || !ReceiveHeader(socket, next) ||
        next.Type != kAssistInvitation || next.Value == 0 || next.Value > kInvitationLimit ||
        !ReceiveAssistText(socket, next.Value, invitation))
        return;
    shutdown(socket, SD_BOTH);
    if (viewer->Connect(invitation.c_str(), L"Author", kAssistPassword) && author.ViewerConnected)
        author.ViewerConnected(std::move(viewer), author.ViewerContext);
}

unsigned __stdcall RequestThread(void* argument) {
    const RequestStart start = *static_cast<RequestStart*>(argument);
    delete static_cast<RequestStart*>(argument);
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        Serve(*start.Author, start.Socket);
    } catch (...) {
    }
    {
        std::lock_guard<std::mutex> lock(start.Author->Lock);
        auto& open = start.Author->OpenSockets;
        open.erase(std::remove(open.begin(), open.end(), start.Socket), open.end());
    }
    closesocket(start.Socket);
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}

unsigned __stdcall AcceptThread(void* argument) {
    auto& author = *static_cast<AssistAuthor*>(argument);
    for (;;) {
        const SOCKET accepted = accept(author.Listener, nullptr, nullptr);
        if (accepted == INVALID_SOCKET) return 0;
        std::lock_guard<std::mutex> lock(author.Lock);
        auto* start = new RequestStart{&author, accepted};
        const uintptr_t thread = _beginthreadex(nullptr, 0, RequestThread, start, 0, nullptr);
        if (!thread) {
            delete start;
            closesocket(accepted);
            continue;
        }
        author.OpenSockets.push_back(accepted);
        author.Requests.push_back(reinterpret_cast<HANDLE>(thread));
    }
}

} // namespace

bool StartAssistAuthor(AssistAuthor& author) {
    author.Listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (author.Listener == INVALID_SOCKET) return false;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(author.Port);
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    if (bind(author.Listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == SOCKET_ERROR ||
        listen(author.Listener, 3) == SOCKET_ERROR) {
        closesocket(author.Listener);
        author.Listener = INVALID_SOCKET;
        return false;
    }
    author.AcceptThread =
        reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, AcceptThread, &author, 0, nullptr));
    return author.AcceptThread != nullptr;
}

void StopAssistAuthor(AssistAuthor& author) {
    if (author.Listener != INVALID_SOCKET) closesocket(author.Listener);
    author.Listener = INVALID_SOCKET;
    if (author.AcceptThread) {
        WaitForSingleObject(author.AcceptThread, INFINITE);
        CloseHandle(author.AcceptThread);
        author.AcceptThread = nullptr;
    }
    std::vector<HANDLE> requests;
    {
        std::lock_guard<std::mutex> lock(author.Lock);
        for (SOCKET open : author.OpenSockets) shutdown(open, SD_BOTH);
        requests.swap(author.Requests);
    }
    for (HANDLE request : requests) {
        WaitForSingleObject(request, INFINITE);
        CloseHandle(request);
    }
}
