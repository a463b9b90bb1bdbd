#include "update/self_update.h"

#include "update/update_check.h"
#include "update/update_check_job.h"
#include "update/update_engine.h"

#include <windows.h>

#include <memory>

namespace {

std::wstring OwnPath() {
    std::wstring path(1000, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), 1000);
    path.resize(length < 1000 ? length : 0);
    return path;
}

std::wstring LowerBaseName(const std::wstring& path) {
    std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    if (!name.empty()) CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    return name;
}

uint32_t Run(const SelfUpdateRequest& request) {
    auto job = std::make_unique<UpdateJobBuffer>();
    BuildSelfUpdateJob(request, OwnPath(), *job);
    return RunUpdateJob(&job->Header);
}

} // namespace

void BuildSelfUpdateJob(const SelfUpdateRequest& request, const std::wstring& executablePath,
                        UpdateJobBuffer& job) {
    job.Header = UpdateJob{};
    StampUpdateJob(job);
    UpdateJob& header = job.Header;
    SetJobText(header.Title, request.Title.c_str());
    SetJobText(header.AppGuid, request.AppGuid.c_str());
    SetJobText(header.Language, L"EN");
    header.Mode = request.CheckOnly ? kUpdateModeCheckOnly : kUpdateModeWindow;
    header.UseRequestPath = 1;
    header.EntryCount = 1;

    const std::wstring name = PercentEncode(LowerBaseName(executablePath));
    std::wstring download, hash;
    if (request.WithAccount) {
        const std::wstring file = request.FileName.empty() ? name : PercentEncode(request.FileName);
        const std::wstring account = L"&u=" + PercentEncode(request.User) + L"&p=" +
                                     PercentEncode(request.Password) + L"&file=" + file;
        download = request.Server + L"/rhash.php?a=2" + account;
        hash = request.Server + L"/rhash.php?a=1" + account;
    } else {
        download = request.Server + L"/tools/" + name;
        hash = request.Server + L"/hash.php?file=./tools/" + name;
    }
    UpdateFileEntry& entry = job.Entry(0);
    SetJobText(entry.LocalPath, executablePath.c_str());
    SetJobText(entry.DownloadUrl, download.c_str());
    SetJobText(entry.HashSource, hash.c_str());
    SetJobText(entry.DisplayName, L"Program Executable");
    entry.HashKind = kHashSha1List;
}

uint32_t UpdateOwnExecutable(const std::wstring& title, const std::wstring& appGuid, bool checkOnly) {
    SelfUpdateRequest request{UpdateServerAddress(), title, appGuid, checkOnly};
    return Run(request);
}

uint32_t UpdateOwnExecutableForAccount(const std::wstring& title, const std::wstring& appGuid,
                                       const std::wstring& user, const std::wstring& password,
                                       const std::wstring& fileName, bool checkOnly) {
    SelfUpdateRequest request{
        UpdateServerAddress(), title, appGuid, checkOnly, true, user, password, fileName};
    return Run(request);
}
