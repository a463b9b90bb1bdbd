#include "assist/assistance_request.h"

#include "assist/assist_handshake.h"
#include "assist/assist_session.h"
#include "common/message_box.h"
#include "common/net_helpers.h"
#include "core/settings.h"
#include "ui/ax_host.h"

#include <shlobj.h>

#include <memory>

namespace {

constexpr wchar_t kCannotAccept[] = L"The author cannot at the moment accept the request.";
constexpr wchar_t kNoDesktopSharing[] = L"Desktop sharing is not available on this computer.";

// What one request holds; the socket is closed and the sharer destroyed (closing the session)
// however the request ends.
struct Request {
    ~Request() {
        Sharer.reset();
        if (Socket) closesocket(Socket);
    }
    SOCKET Socket = 0;
    std::unique_ptr<SharingObject> Sharer;
    std::wstring ReverseConnect;
};

// Sends the opening request and reads the author's reply; null, or the message to show.
const wchar_t* Handshake(Request& request, const std::string& host, uint16_t port,
                         const std::string& callerData) {
    request.Socket = ConnectTcp(host.c_str(), port);
    if (!request.Socket) return kCannotAccept;
    const auto length = static_cast<uint32_t>(callerData.size());
    const char lengthBytes[4] = {static_cast<char>(length), static_cast<char>(length >> 8),
                                 static_cast<char>(length >> 16), static_cast<char>(length >> 24)};
    if (!SendHeader(request.Socket, {kAssistOpening, 1}) || SendAll(request.Socket, lengthBytes, 4, 0) != 4)
        return kCannotAccept;
    if (length && SendAll(request.Socket, callerData.data(), static_cast<int>(length), 0) != length)
        return kCannotAccept;
    AssistMessageHeader reply;
    // A refusal (0) and a text longer than the reply buffer holds end the request alike.
    if (!ReceiveHeader(request.Socket, reply) || reply.Value == 0 || reply.Value > kReplyTextLimit ||
        !ReceiveAssistText(request.Socket, reply.Value, request.ReverseConnect))
        return kCannotAccept;
    request.ReverseConnect = request.ReverseConnect.c_str(); // read as a zero-terminated string
    if (!ReverseConnectNamesOnly(request.ReverseConnect, host.c_str(), PeerAddress(request.Socket)))
        return kCannotAccept;
    return nullptr;
}

// Opens the sharing session towards the author's viewer and sends the invitation.
const wchar_t* OpenSharing(Request& request, uint32_t options) {
    request.Sharer = SharingObject::CreateSharer();
    SharingObject& sharer = *request.Sharer;
    if (!sharer.GetInterface()) return kNoDesktopSharing;
    sharer.SetSessionProperties(0, 0, true, static_cast<int32_t>(options & ~1u), nullptr);
    if (!(options & 1)) sharer.SetApplicationFilter({0}, true);
    for (const wchar_t* name : {L"chat", L"file", L"data"}) sharer.AddChannel(name, true, 0);
    if (!sharer.Open() || !sharer.ConnectToClient(request.ReverseConnect.c_str())) return kCannotAccept;
    InvitationRecord* invitation = sharer.CreateInvitation(nullptr, kAssistPassword, L"group", 1);
    if (!invitation || !SendAssistText(request.Socket, kAssistInvitation, invitation->ConnectionString))
        return kCannotAccept;
    return nullptr;
}

std::wstring DocumentsFolderPath() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
    return path;
}

bool WindowsVistaOrLater() {
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)) && version.dwMajorVersion >= 6;
}

void RunRequest(HWND owner, const std::string& host, uint16_t port, const std::string& callerData) {
    RegisterAxHostClass();         // the "AX" host shows a sharing viewer
    LoadLibraryW(L"RICHED20.DLL"); // for the chat window
    if (!WindowsVistaOrLater()) {
        AppMessageBox(owner, L"Remote Assistance needs Windows Vista or later.", L"Error", MB_OK,
                      MB_ICONERROR);
        return;
    }
    const uint32_t options = AssistOptionsDialog(owner);
    if (options == 0) return;
    Request request;
    const wchar_t* failure = Handshake(request, host, port, callerData);
    if (!failure) failure = OpenSharing(request, options);
    if (failure) {
        AppMessageBox(owner, failure, L"Message", MB_OK, MB_ICONERROR);
        return;
    }
    AssistSession session;
    session.Sharer = request.Sharer.get();
    session.ReceiveFolder = DocumentsFolderPath();
    SessionDialog(session);
}

} // namespace

std::string AssistanceAuthorHost() {
    // The shipped settings carry the key empty, and an empty host name resolves to this computer.
    std::string host = Settings::AssistanceHost();
    return host.empty() ? kDefaultAssistanceHost : host;
}

void assist::RequestRemoteAssistance(HWND owner, const std::string& host, uint16_t port,
                                     const std::string& callerData) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    try {
        RunRequest(owner, host, port, callerData);
    } catch (...) {
    }
    if (SUCCEEDED(com)) CoUninitialize();
}
