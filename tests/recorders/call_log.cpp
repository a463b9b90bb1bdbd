#include "tests/recorders/call_log.h"

#include <windows.h>

// Never destroyed: connection and script threads of a test may still record while the program
// ends.
CallLog& CallLog::Instance() {
    static CallLog* log = new CallLog;
    return *log;
}

void CallLog::Add(RecordedCall call) {
    if (!call.ThreadId) call.ThreadId = GetCurrentThreadId();
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
}

std::vector<RecordedCall> CallLog::Calls(const std::string& service) const {
    std::lock_guard<std::mutex> lock(mutex_);
    if (service.empty()) return calls_;
    std::vector<RecordedCall> matching;
    for (const auto& c : calls_)
        if (c.Service == service) matching.push_back(c);
    return matching;
}

void CallLog::Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
    Answer = nullptr;
    AnswerText = nullptr;
}
