// Certificates made with the openssl command once per test program: a good one for localhost and
// 127.0.0.1, an expired one and one for another name, each with its key, as Unix paths.
#pragma once

#include <string>

struct TestCertificates {
    std::string Good, GoodKey;
    std::string Expired, ExpiredKey;
    std::string WrongName, WrongNameKey;
    std::string Folder; // Unix path of their folder
    bool Made = false;
};

const TestCertificates& GetTestCertificates();
