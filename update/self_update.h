// One-file jobs that keep the running executable itself current from the update server's tools
// folder, openly or for an account.
#pragma once

#include "update/update_job.h"

#include <cstdint>
#include <string>

struct SelfUpdateRequest {
    std::wstring Server; // scheme and host, without a final '/'
    std::wstring Title;
    std::wstring AppGuid;
    bool CheckOnly = false;
    // For an account: the user name and password, and the file's name on the server (empty: the
    // executable's own name).
    bool WithAccount = false;
    std::wstring User;
    std::wstring Password;
    std::wstring FileName;
};

// Builds the one-entry job for the executable at the path.
void BuildSelfUpdateJob(const SelfUpdateRequest& request, const std::wstring& executablePath,
                        UpdateJobBuffer& job);

// Builds the job for the running executable and runs it; the engine's result.
uint32_t UpdateOwnExecutable(const std::wstring& title, const std::wstring& appGuid, bool checkOnly);
uint32_t UpdateOwnExecutableForAccount(const std::wstring& title, const std::wstring& appGuid,
                                       const std::wstring& user, const std::wstring& password,
                                       const std::wstring& fileName, bool checkOnly);
