#include "qx/qx_upnp.h"

#include "common/upnp_nat.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <mutex>
#include <string>
#include <vector>

namespace {

std::mutex mappedLock;
std::vector<uint32_t> mappedPorts;

std::wstring FirstLocalAddress() {
    char name[256] = {};
    if (gethostname(name, sizeof name) != 0) return L"";
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return L"";
    char text[64] = {};
    inet_ntop(AF_INET, &reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr, text, sizeof text);
    freeaddrinfo(found);
    return std::wstring(text, text + strlen(text));
}

} // namespace

bool UpnpPortMapping(uint32_t port, int mode, const wchar_t* client, const wchar_t* protocol) {
    IUPnPNAT* nat = nullptr;
    if (FAILED(CoCreateInstance(kUPnPNatClass, nullptr, CLSCTX_ALL, kUPnPNatInterface,
                                reinterpret_cast<void**>(&nat))) ||
        !nat)
        return false;
    IStaticPortMappingCollection* mappings = nullptr;
    nat->get_StaticPortMappingCollection(&mappings);
    bool done = false;
    if (mappings) {
        BSTR protocolText = SysAllocString(protocol);
        if (mode == 0) {
            const std::wstring local = client ? client : FirstLocalAddress();
            BSTR clientText = SysAllocString(local.c_str());
            BSTR description = SysAllocString(L"Brindlex 7");
            IStaticPortMapping* mapping = nullptr;
            done = SUCCEEDED(mappings->Add(static_cast<long>(port), protocolText, static_cast<long>(port),
                                           clientText, VARIANT_TRUE, description, &mapping));
            if (mapping) {
                BSTR external = nullptr;
                mapping->get_ExternalIPAddress(&external);
                SysFreeString(external);
                mapping->Release();
            }
            SysFreeString(clientText);
            SysFreeString(description);
            if (done) {
                std::lock_guard<std::mutex> lock(mappedLock);
                mappedPorts.push_back(port);
            }
        } else {
            done = SUCCEEDED(mappings->Remove(static_cast<long>(port), protocolText));
        }
        SysFreeString(protocolText);
        mappings->Release();
    }
    nat->Release();
    return done;
}

void RemoveUpnpMappings() {
    std::vector<uint32_t> ports;
    {
        std::lock_guard<std::mutex> lock(mappedLock);
        ports.swap(mappedPorts);
    }
    for (uint32_t port : ports) UpnpPortMapping(port, 1, nullptr, L"TCP");
}
