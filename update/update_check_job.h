// The job the update check builds: the program, its libraries, its help, the transfer program,
// the extras list and every plug-in library of the user's data folder.
#pragma once

#include "update/update_job.h"

#include <cstdint>
#include <string>
#include <vector>

struct UpdateCheckInputs {
    std::wstring Server; // scheme and host, e.g. "https://brindlex.example", without a final '/'
    std::wstring ProgramPath;
    std::wstring ProgramFolder;
    std::wstring UserDataFolder;
    std::vector<std::wstring> PluginNames; // file names in the order the folder search gave them
    bool CheckOnly = true;
};

constexpr wchar_t kUpdateJobTitle[] = L"Brindlex 7";
constexpr wchar_t kUpdateAppGuid[] = L"{6D1B7F4E-3A52-4C8B-9E21-B7C05A9D4F13}";

// Fills the job's header and entries. A plug-in for which the job has no room (no record left, or
// the combined hash query would outgrow its field) is left out; returns how many were.
uint32_t BuildUpdateCheckJob(const UpdateCheckInputs& inputs, UpdateJobBuffer& job);

// The names of the "*.DLL" files in the folder, in the order the search returns them.
std::vector<std::wstring> FindPluginLibraries(const std::wstring& folder);

// The text with every byte of its UTF-8 form outside letters, digits and "-._~" written as %XX,
// for a name that goes into a URL's path or query.
std::wstring PercentEncode(const std::wstring& text);
