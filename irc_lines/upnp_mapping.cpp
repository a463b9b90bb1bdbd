#include "irc_lines/upnp_mapping.h"

#include "common/xstring.h"
#include "irc_lines/local_addresses.h"
#include "common/upnp_nat.h"

#include <oleauto.h>

#include <algorithm>
#include <cwchar>
#include <mutex>
#include <vector>

namespace {

std::mutex MappedMutex;
std::vector<uint32_t>& MappedPorts() {
    static std::vector<uint32_t> ports;
    return ports;
}

// COM for the length of one call on threads that have not started it themselves.
class ComScope {
public:
    ComScope() : started_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (started_) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;

private:
    bool started_;
};

template <typename T> class ComPointer {
public:
    ComPointer() = default;
    ~ComPointer() {
        if (p_) p_->Release();
    }
    ComPointer(const ComPointer&) = delete;
    ComPointer& operator=(const ComPointer&) = delete;
    T** Out() { return &p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

class Bstr {
public:
    explicit Bstr(const wchar_t* text) : b_(SysAllocString(text ? text : L"")) {}
    Bstr() = default;
    ~Bstr() { SysFreeString(b_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    operator BSTR() const { return b_; }
    BSTR* Out() { return &b_; }

private:
    BSTR b_ = nullptr;
};

// The router's mapping collection; false when there is no UPnP service or no gateway (the
// interface then hands back no collection at all).
bool OpenMappings(ComPointer<IUPnPNAT>& nat, ComPointer<IStaticPortMappingCollection>& mappings) {
    if (FAILED(CoCreateInstance(kUPnPNatClass, nullptr, CLSCTX_ALL, kUPnPNatInterface,
                                reinterpret_cast<void**>(nat.Out()))) ||
        !nat)
        return false;
    return SUCCEEDED(nat->get_StaticPortMappingCollection(mappings.Out())) && mappings;
}

bool AddMapping(uint32_t port, const wchar_t* client, const wchar_t* protocol) {
    {
        std::lock_guard<std::mutex> lock(MappedMutex);
        auto& ports = MappedPorts();
        if (std::find(ports.begin(), ports.end(), port) != ports.end()) return true;
    }
    ComPointer<IUPnPNAT> nat;
    ComPointer<IStaticPortMappingCollection> mappings;
    if (!OpenMappings(nat, mappings)) return false;
    const std::wstring ownAddress = NarrowToWide(FirstLocalHostAddress());
    Bstr protocolText(protocol ? protocol : L"TCP"), clientText(client ? client : ownAddress.c_str()),
        description(L"Brindlex 7");
    ComPointer<IStaticPortMapping> mapping;
    if (FAILED(mappings->Add(static_cast<long>(port), protocolText, static_cast<long>(port), clientText,
                             VARIANT_TRUE, description, mapping.Out())))
        return false;
    std::lock_guard<std::mutex> lock(MappedMutex);
    MappedPorts().push_back(port);
    return true;
}

bool RemoveMapping(uint32_t port, const wchar_t* protocol) {
    ComPointer<IUPnPNAT> nat;
    ComPointer<IStaticPortMappingCollection> mappings;
    bool removed = false;
    if (OpenMappings(nat, mappings)) {
        Bstr protocolText(protocol ? protocol : L"TCP");
        removed = SUCCEEDED(mappings->Remove(static_cast<long>(port), protocolText));
    }
    // A mapping that is gone (or whose router is) is not ours to remove again.
    std::lock_guard<std::mutex> lock(MappedMutex);
    auto& ports = MappedPorts();
    ports.erase(std::remove(ports.begin(), ports.end(), port), ports.end());
    return removed;
}

// The external address of the first mapping the router lists.
bool ExternalAddress(wchar_t* buffer) {
    if (!buffer) return false;
    buffer[0] = 0;
    ComPointer<IUPnPNAT> nat;
    ComPointer<IStaticPortMappingCollection> mappings;
    if (!OpenMappings(nat, mappings)) return false;
    ComPointer<IUnknown> unknown;
    if (FAILED(mappings->get__NewEnum(unknown.Out())) || !unknown) return false;
    ComPointer<IEnumVARIANT> items;
    if (FAILED(unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(items.Out()))) || !items)
        return false;
    VARIANT item;
    VariantInit(&item);
    bool found = false;
    if (items->Next(1, &item, nullptr) == S_OK && item.vt == VT_DISPATCH && item.pdispVal) {
        ComPointer<IStaticPortMapping> mapping;
        Bstr address;
        if (SUCCEEDED(item.pdispVal->QueryInterface(kStaticPortMappingInterface,
                                                    reinterpret_cast<void**>(mapping.Out()))) &&
            mapping && SUCCEEDED(mapping->get_ExternalIPAddress(address.Out())) && address) {
            wcsncpy(buffer, address, 999);
            buffer[999] = 0;
            found = buffer[0] != 0;
        }
    }
    VariantClear(&item);
    return found;
}

} // namespace

bool UpnpPortMapping(uint32_t port, uint32_t mode, const wchar_t* internalClient, wchar_t* protocolOrBuffer) {
    ComScope com;
    switch (mode) {
        case kUpnpAdd: return AddMapping(port, internalClient, protocolOrBuffer);
        case kUpnpRemove: return RemoveMapping(port, protocolOrBuffer);
        case kUpnpExternalAddress: return ExternalAddress(protocolOrBuffer);
        default: return false;
    }
}

bool IsPortMapped(uint32_t port) {
    std::lock_guard<std::mutex> lock(MappedMutex);
    const auto& ports = MappedPorts();
    return std::find(ports.begin(), ports.end(), port) != ports.end();
}

void RemoveUpnpMappings() {
    std::vector<uint32_t> ports;
    {
        std::lock_guard<std::mutex> lock(MappedMutex);
        ports = MappedPorts();
    }
    for (uint32_t port : ports) UpnpPortMapping(port, kUpnpRemove, nullptr, const_cast<wchar_t*>(L"TCP"));
}
