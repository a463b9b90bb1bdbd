// Resume requests we sent and whose acceptance ("DCC ACCEPT") has not come yet.
#pragma once

#include <cstdint>
#include <string>

namespace peer {

// What qx needs to receive one offered file.
struct ReceiveJob {
    std::wstring Path;
    std::string Address; // the sender's address text; empty for a passive offer
    bool IsIPv6 = false;
    uint32_t Port = 0; // 0: a passive offer, qx listens
    uint64_t Size = 0;
    uint64_t Offset = 0;
    std::wstring Protocol; // "dcc" or "tdcc"
};

struct PendingResume {
    ReceiveJob Job;
    std::string Nick;
    std::string File;       // the offered name as we asked to resume it
    uint64_t LocalSize = 0; // the position we asked for
};

void AddPendingResume(const PendingResume& resume);
// Takes out the first request to that nick (ignoring case) for that file and port whose position
// is the one we asked for; false when none matches.
bool TakePendingResume(const std::string& nick, const std::string& file, uint32_t port, uint64_t position,
                       PendingResume& out);

} // namespace peer
