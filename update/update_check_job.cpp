#include "update/update_check_job.h"

#include "common/xstring.h"

#include <windows.h>

namespace {

constexpr wchar_t kFilesPath[] = L"/qv/updates/x64/";
constexpr wchar_t kFileKey[] = L"./qv/updates/x64/";

struct FixedFile {
    const wchar_t* Name;
    const wchar_t* DisplayName;
};

constexpr FixedFile kFixedFiles[] = {
    {L"qv.exe", L"Brindlex 7 Executable"},
    {L"qvlang.dll", L"English Resources"},
    {L"qvres.dll", L"Static Resources"},
    {L"qv.chm", L"Brindlex 7 Help"},
    {L"qx.exe", L"Brindlex 7 File Transfer System"},
    {L"extras.xml", L"Brindlex 7 Extras List"},
};
constexpr uint32_t kFixedCount = 6;

template <size_t N> bool Fits(const wchar_t (&)[N], const std::wstring& text) {
    return text.size() < N;
}

std::wstring LowerCase(std::wstring text) {
    if (!text.empty()) CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// A file of the job; false when its path or addresses would not fit their fields.
bool FillEntry(UpdateFileEntry& entry, const std::wstring& localPath, const std::wstring& url,
               const std::wstring& hashSource, const std::wstring& displayName) {
    if (!Fits(entry.LocalPath, localPath) || !Fits(entry.DownloadUrl, url) ||
        !Fits(entry.HashSource, hashSource) || !Fits(entry.DisplayName, displayName))
        return false;
    SetJobText(entry.LocalPath, localPath.c_str());
    SetJobText(entry.DownloadUrl, url.c_str());
    SetJobText(entry.HashSource, hashSource.c_str());
    SetJobText(entry.DisplayName, displayName.c_str());
    entry.KeepPartial = 0;
    entry.HashKind = kHashSha1CombinedList;
    entry.SkipWord = 0;
    entry.Status = 0;
    return true;
}

} // namespace

std::wstring PercentEncode(const std::wstring& text) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring encoded;
    for (unsigned char byte : WideToNarrow(text)) {
        const bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
                           (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' ||
                           byte == '~';
        if (plain) {
            encoded += static_cast<wchar_t>(byte);
        } else {
            encoded += L'%';
            encoded += kDigits[byte >> 4];
            encoded += kDigits[byte & 15];
        }
    }
    return encoded;
}

uint32_t BuildUpdateCheckJob(const UpdateCheckInputs& inputs, UpdateJobBuffer& job) {
    job.Header = UpdateJob{};
    StampUpdateJob(job);
    UpdateJob& header = job.Header;
    SetJobText(header.Title, kUpdateJobTitle);
    SetJobText(header.AppGuid, kUpdateAppGuid);
    SetJobText(header.Language, L"EN");
    header.Mode = inputs.CheckOnly ? kUpdateModeCheckOnly : kUpdateModeWindow;
    header.UseRequestPath = 1;
    header.UseSystemProxy = 0;
    header.RestartWithoutAsking = 0;

    std::wstring combined = inputs.Server + L"/hash.php?";
    for (uint32_t i = 0; i < kFixedCount; ++i) {
        const std::wstring name = kFixedFiles[i].Name;
        if (i > 0) combined += L'&';
        combined += L"file" + std::to_wstring(i + 1) + L"=" + kFileKey + name;
        const std::wstring local = i == 0 ? inputs.ProgramPath : inputs.ProgramFolder + L"\\" + name;
        UpdateFileEntry& entry = job.Entry(i);
        // A path that does not fit its field would name another file: that file is left alone.
        if (!FillEntry(entry, local, inputs.Server + kFilesPath + name,
                       inputs.Server + L"/hash.php?file=" + kFileKey + name, kFixedFiles[i].DisplayName))
            entry.SkipWord = 1;
    }

    uint32_t count = kFixedCount;
    uint32_t refused = 0;
    for (const std::wstring& found : inputs.PluginNames) {
        const std::wstring name = LowerCase(found);
        const std::wstring key = PercentEncode(name);
        const std::wstring more = L"&file" + std::to_wstring(count + 1) + L"=" + kFileKey + key;
        if (count >= kUpdateJobCapacity || !Fits(job.Entry(0).HashSource, combined + more) ||
            !FillEntry(job.Entry(count), inputs.UserDataFolder + L"\\" + name,
                       inputs.Server + kFilesPath + key, inputs.Server + L"/hash.php?file=" + kFileKey + key,
                       name)) {
            ++refused;
            continue;
        }
        combined += more;
        ++count;
    }
    for (uint32_t i = count; i < kUpdateJobCapacity; ++i)
        job.Entry(i) = UpdateFileEntry{kUpdateFileEntrySize, kUpdateFormatVersion};
    if (Fits(job.Entry(0).HashSource, combined))
        SetJobText(job.Entry(0).HashSource, combined.c_str());
    else
        job.Entry(0).SkipWord = 1;
    header.EntryCount = count;
    return refused;
}

std::vector<std::wstring> FindPluginLibraries(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*.DLL").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}
