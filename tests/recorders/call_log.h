// Test stand-ins for services of subsystems that are not built yet record their calls here.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

struct WindowRecord;

struct RecordedCall {
    std::string Service; // e.g. "PrintToWindow"
    WindowRecord* Window = nullptr;
    std::string Text;      // UTF-8 form of the main text argument
    uint64_t Number = 0;   // the line kind, event code or window index
    std::string Sender;    // UTF-8 form of the sender a printed chat line carries
    uint32_t ThreadId = 0; // the thread the call ran on (filled in by Add)
};

class CallLog {
public:
    static CallLog& Instance();
    void Add(RecordedCall call);
    std::vector<RecordedCall> Calls(const std::string& service = {}) const;
    void Clear();

    // Result a recorded service returns, chosen by the test; null answers the default.
    std::function<uint64_t(const RecordedCall&)> Answer;
    // Text a recorded service hands back (a prompt's answer); null answers nothing.
    std::function<std::string(const RecordedCall&)> AnswerText;

private:
    mutable std::mutex mutex_;
    std::vector<RecordedCall> calls_;
};
