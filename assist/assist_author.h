// The author's side of the handshake: a listener that serves each requester on a thread of its
// own, asks (or lets its owner decide) whether to help, answers with the address its desktop
// viewer waits at and connects the viewer with the invitation that comes back.
#pragma once

#include "assist/sharing_object.h"

#include <winsock2.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// The owner's decision on a request's caller data: 0 accept without asking, E_FAIL refuse,
// anything else ask the user.
using AssistAcceptanceCheck = HRESULT (*)(const std::string& callerData, void* context);
// Called on the request's thread with the connected viewer, which the owner shows (an "AX"
// host window takes its interface) and keeps as long as it likes.
using AssistViewerConnected = void (*)(std::unique_ptr<SharingObject> viewer, void* context);

struct AssistAuthor {
    uint16_t Port = 7017;
    AssistAcceptanceCheck Check = nullptr;
    void* CheckContext = nullptr;
    AssistViewerConnected ViewerConnected = nullptr;
    void* ViewerContext = nullptr;

    // Kept by the listener.
    SOCKET Listener = INVALID_SOCKET;
    HANDLE AcceptThread = nullptr;
    std::mutex Lock;
    std::vector<HANDLE> Requests;
    std::vector<SOCKET> OpenSockets;
};

// Listens on the port (backlog 3); false when it cannot.
bool StartAssistAuthor(AssistAuthor& author);
// Stops listening, ends the open requests and waits for their threads.
void StopAssistAuthor(AssistAuthor& author);
