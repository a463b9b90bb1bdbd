#include "tests/irc_tls/test_certificates.h"

#include "tests/irc_tls/linux_peer.h"

#include <mutex>

namespace {

TestCertificates Make() {
    TestCertificates c;
    const std::wstring folder = MakeTestFolder(L"certs");
    c.Folder = UnixPath(folder);
    c.Good = c.Folder + "/good.pem";
    c.GoodKey = c.Folder + "/good.key";
    c.Expired = c.Folder + "/expired.pem";
    c.ExpiredKey = c.Folder + "/expired.key";
    c.WrongName = c.Folder + "/wrong.pem";
    c.WrongNameKey = c.Folder + "/wrong.key";
    WriteFileBytes(folder + L"ca.cnf", "[ca]\ndefault_ca = d\n[d]\ndir = .\ndatabase = index.txt\n"
                                       "new_certs_dir = .\nserial = serial\ndefault_md = sha256\n"
                                       "policy = p\n[p]\ncommonName = supplied\n");
    const std::string script =
        "cd " + ShellQuote(c.Folder) +
        " && ( touch index.txt && echo 01 > serial"
        " && openssl req -x509 -newkey rsa:2048 -nodes -days 30 -keyout good.key -out good.pem"
        " -subj /CN=localhost -addext subjectAltName=DNS:localhost,IP:127.0.0.1"
        " && openssl req -x509 -newkey rsa:2048 -nodes -days 30 -keyout wrong.key -out wrong.pem"
        " -subj /CN=wrong.example -addext subjectAltName=DNS:wrong.example"
        " && openssl req -new -newkey rsa:2048 -nodes -keyout expired.key -out expired.csr -subj "
        "/CN=localhost"
        " && openssl ca -config ca.cnf -batch -selfsign -keyfile expired.key -in expired.csr -out expired.pem"
        " -startdate 20200101000000Z -enddate 20210101000000Z )";
    c.Made = RunShell(script + " > make.log 2>&1") == 0;
    return c;
}

} // namespace

const TestCertificates& GetTestCertificates() {
    static std::once_flag once;
    static TestCertificates certificates;
    std::call_once(once, [] { certificates = Make(); });
    return certificates;
}
