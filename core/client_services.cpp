#include "core/client_services.h"

#include <atomic>
#include <cstdio>
#include <mutex>
#include <set>
#include <string>

ClientServices ProcessClientServices;

void ReportServiceNotInstalled(const char* name) {
    static std::mutex reportedMutex;
    static std::set<std::string> reported;
    {
        std::lock_guard<std::mutex> lock(reportedMutex);
        if (!reported.insert(name).second) return;
    }
    const std::string text = std::string("client service not installed: ") + name + "\n";
    std::fputs(text.c_str(), stderr);
    OutputDebugStringA(text.c_str());
}
