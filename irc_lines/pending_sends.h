// Passive file offers waiting for the receiver to say where to connect ("DCC INDIRECT").
#pragma once

#include <string>

struct PendingSend {
    std::string Nick;
    std::wstring Path;
    std::wstring Protocol; // "dcc" or "tdcc"
};

// Appended by the DCC offer commands for a passive offer.
void AddPendingSend(const PendingSend& send);
// Takes out the first offer to that nick (ignoring case); false when there is none.
bool TakePendingSend(const std::string& nick, PendingSend& out);
// Whether an offer to that nick waits (ignoring case).
bool HasPendingSend(const std::string& nick);
