// The update server of the updater's tests: update_server.py on a loopback port, plain or over
// TLS with one of the test certificates, serving a folder laid out as scripts/update-tree lays out
// the update server's files.
#pragma once

#include "tests/irc_tls/linux_peer.h"

#include <cstdint>
#include <string>
#include <vector>

class UpdateTestServer {
public:
    // certificate and key: Unix paths for TLS (the address then names "localhost"); empty for
    // plain HTTP on 127.0.0.1.
    bool Start(const std::string& certificate = "", const std::string& key = "");
    void Stop() { peer_.Stop(); }

    // Serves the bytes as /qv/updates/x64/<name>, with their SHA-1 in the list.
    void Publish(const std::wstring& name, const std::string& bytes);
    // The folder served, ending in a backslash.
    const std::wstring& Folder() const { return folder_; }
    // The server's behaviour.json (see update_server.py).
    void Behave(const std::string& json);
    // Scheme, host and port, as the update server address.
    std::wstring Address() const;
    // The paths and queries asked for so far, in order.
    std::vector<std::string> Requests() const;

private:
    LinuxPeer peer_;
    std::wstring folder_;
    uint16_t port_ = 0;
    bool tls_ = false;
};

// Puts certificates (PEM, Unix paths) among the current user's trusted roots, so that the system
// trusts the test server's own certificates, and takes them out again at the end.
class TrustedTestCertificates {
public:
    TrustedTestCertificates() = default;
    ~TrustedTestCertificates();
    TrustedTestCertificates(const TrustedTestCertificates&) = delete;
    TrustedTestCertificates& operator=(const TrustedTestCertificates&) = delete;

    // False when the certificate could not be read or added.
    bool Add(const std::string& pemPath);

private:
    std::vector<std::vector<unsigned char>> added_;
};
