#include "update/update_worker.h"

#include "common/text_compare.h"
#include "update/file_hashes.h"
#include "update/file_swap.h"
#include "update/update_dialog.h"
#include "update/update_download.h"

#include <commctrl.h>
#include <objbase.h>
#include <shobjidl.h>

#include <string_view>
#include <vector>

namespace {

struct WorkerState {
    UpdateJob& Job;
    UpdateFileEntry* Entries;
    HWND Dialog;
    UpdateProgressState Progress;
    std::wstring ListPath;
    std::wstring BackupFolder;
    bool CombinedListTried = false;
    bool CombinedListFetched = false;
    // Entries whose download came whole and matched its hash, waiting to be swapped in.
    std::vector<bool> Downloaded;
};

void SendToItem(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    if (dialog) SendDlgItemMessageW(dialog, id, message, wParam, lParam);
}

bool IsSha1Kind(uint32_t kind) {
    return kind == kHashSha1Text || kind == kHashSha1List || kind == kHashSha1OfFile ||
           kind == kHashSha1CombinedList;
}

std::wstring HashOf(uint32_t kind, const std::wstring& path) {
    return IsSha1Kind(kind) ? FileSha1Hex(path) : FileCrc32Text(path);
}

// A list from an earlier fetch never answers for this one: the old file goes first.
bool FetchHashList(WorkerState& state, std::wstring_view url) {
    DeleteFileW(state.ListPath.c_str());
    UpdateDownloadRequest request;
    request.Target = state.ListPath;
    request.Url = std::wstring(url);
    request.RequestPath = state.Job.UseRequestPath != 0;
    request.SystemProxy = state.Job.UseSystemProxy != 0;
    request.Cancelled = &UpdateCancelRequested;
    return DownloadUpdateFile(request);
}

// The value the entry must hash to; false when there is none to be had (the list could not be
// fetched, it holds no such key, or the value is not a hash of the entry's kind).
bool ExpectedHash(WorkerState& state, uint32_t index, std::wstring& expected) {
    const UpdateFileEntry& entry = state.Entries[index];
    switch (entry.HashKind) {
        case kHashSha1Text:
        case kHashCrcText: expected = JobText(entry.HashSource); break;
        case kHashSha1OfFile:
        case kHashCrcOfFile:
            expected = HashOf(entry.HashKind, std::wstring(JobText(entry.HashSource)));
            break;
        case kHashSha1List:
        case kHashCrcList:
            if (!FetchHashList(state, JobText(entry.HashSource))) return false;
            expected = ReadHashListValue(state.ListPath, L"1");
            DeleteFileW(state.ListPath.c_str());
            break;
        case kHashSha1CombinedList:
            // The first entry's query names every file; it is fetched once, for whichever entry
            // needs it first.
            if (!state.CombinedListTried) {
                state.CombinedListTried = true;
                state.CombinedListFetched = FetchHashList(state, JobText(state.Entries[0].HashSource));
            }
            if (!state.CombinedListFetched) return false;
            expected = ReadHashListValue(state.ListPath, std::to_wstring(index + 1));
            break;
        default: return false;
    }
    return IsSha1Kind(entry.HashKind) ? IsSha1Text(expected) : IsCrc32Text(expected);
}

bool SameHash(const std::wstring& a, const std::wstring& b) {
    return WStringEqualsNoCase(a, b);
}

uint32_t UpdateEntry(WorkerState& state, uint32_t index) {
    UpdateFileEntry& entry = state.Entries[index];
    const std::wstring path(JobText(entry.LocalPath));
    // The updater's own library is never replaced from inside a run.
    if (path.find(L"qk.DLL") != std::wstring::npos || path.find(L"qk.dll") != std::wstring::npos)
        return kFileCurrent;
    SendToItem(state.Dialog, kUpdateTotalBar, PBM_SETPOS, index, 0);
    if (entry.SkipWord == 1) return kFileSkipped;

    std::wstring expected;
    if (!ExpectedHash(state, index, expected)) return kFileFailed;
    if (SameHash(expected, HashOf(entry.HashKind, path)) && entry.SkipWord == 0) return kFileCurrent;
    if (state.Job.VetoCallback) {
        auto veto = reinterpret_cast<UpdateVetoCallback>(static_cast<uintptr_t>(state.Job.VetoCallback));
        if (veto(&entry) == 0) return kFileVetoed;
    }
    if ((state.Job.Mode & 0xFFFF) == kUpdateModeCheckOnly) return kFileReplaced;

    const std::wstring target = path + L".new";
    if (!entry.KeepPartial) DeleteFileW(target.c_str());
    UpdateDownloadRequest request;
    request.Dialog = state.Dialog;
    request.DisplayName = std::wstring(JobText(entry.DisplayName));
    request.Target = target;
    request.Url = std::wstring(JobText(entry.DownloadUrl));
    request.ShowProgress = true;
    request.RequestPath = state.Job.UseRequestPath != 0;
    request.SystemProxy = state.Job.UseSystemProxy != 0;
    request.Progress = &state.Progress;
    request.Cancelled = &UpdateCancelRequested;
    if (!DownloadUpdateFile(request)) return kFileFailed;
    // A download that does not match stays beside the untouched file as ".new".
    if (!SameHash(expected, HashOf(entry.HashKind, target))) return kFileBadHash;
    state.Downloaded[index] = true;
    return kFileReplaced; // once InstallDownloads swaps it in
}

std::wstring FolderOf(std::wstring_view path) {
    const size_t slash = path.find_last_of(L"\\/");
    return std::wstring(path.substr(0, slash == std::wstring_view::npos ? 0 : slash));
}

// The files in the folder of the first one (the program and the libraries it loads with it) are
// one set: they are swapped in only when every one of them that differs came down whole and
// checked, and when one cannot be swapped in, those already swapped go back, so the folder never
// holds a mix of old and new files. Files elsewhere (plug-ins) stand each on its own.
void InstallDownloads(WorkerState& state) {
    const uint32_t count = state.Job.EntryCount;
    if (!count) return;
    const std::wstring setFolder = FolderOf(JobText(state.Entries[0].LocalPath));
    const auto inSet = [&](uint32_t i) {
        return WStringEqualsNoCase(FolderOf(JobText(state.Entries[i].LocalPath)), setFolder);
    };
    bool setWhole = true;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t status = state.Entries[i].Status;
        if (inSet(i) && (status == kFileFailed || status == kFileBadHash)) setWhole = false;
    }
    struct Swapped {
        uint32_t Index;
        bool HadFile;
    };
    std::vector<Swapped> swapped;
    for (uint32_t i = 0; i < count; ++i) {
        if (!state.Downloaded[i]) continue;
        UpdateFileEntry& entry = state.Entries[i];
        const std::wstring path(JobText(entry.LocalPath));
        const bool member = inSet(i);
        // A cancelled run installs nothing; a broken set keeps its old files.
        if (UpdateCancelRequested || (member && !setWhole)) {
            entry.Status = kFileSkipped;
            continue;
        }
        bool hadFile = false;
        if (!SwapInNewFile(path, &hadFile)) {
            entry.Status = kFileFailed;
            if (!member) continue;
            setWhole = false;
            for (const Swapped& done : swapped) {
                PutBackOldFile(std::wstring(JobText(state.Entries[done.Index].LocalPath)), done.HadFile);
                state.Entries[done.Index].Status = kFileSkipped;
            }
            swapped.clear();
            continue;
        }
        entry.Status = kFileReplaced;
        if (member)
            swapped.push_back({i, hadFile});
        else if (state.Job.KeepReplaced)
            MoveOldFileToBackup(path, state.BackupFolder);
    }
    if (state.Job.KeepReplaced)
        for (const Swapped& done : swapped)
            MoveOldFileToBackup(std::wstring(JobText(state.Entries[done.Index].LocalPath)),
                                state.BackupFolder);
}

void RunEntries(WorkerState& state) {
    const uint32_t count = state.Job.EntryCount;
    state.Downloaded.assign(count, false);
    SendToItem(state.Dialog, kUpdateTotalBar, PBM_SETRANGE32, 0, count);
    // An entry the run never reaches counts as left alone, never as replaced.
    for (uint32_t i = 0; i < count; ++i) state.Entries[i].Status = kFileSkipped;
    for (uint32_t i = 0; i < count; ++i) {
        UpdateFileEntry& entry = state.Entries[i];
        if (UpdateCancelRequested) {
            entry.Status = kFileSkipped;
            continue;
        }
        SendToItem(state.Dialog, kUpdateFileBar, PBM_SETPOS, 100, 0);
        entry.Status = UpdateEntry(state, i);
    }
    InstallDownloads(state);
    SendToItem(state.Dialog, kUpdateTotalBar, PBM_SETPOS, count, 0);
}

} // namespace

std::wstring UpdateHashListPath() {
    wchar_t folder[401] = {};
    const DWORD length = GetTempPathW(400, folder);
    std::wstring path(folder, length <= 400 ? length : 0);
    if (!path.empty() && path.back() != L'\\') path += L'\\';
    return path + L"RUP.INI";
}

unsigned __stdcall UpdateWorker(void* parameter) {
    auto* run = static_cast<UpdateRun*>(parameter);
    const HRESULT com = CoInitialize(nullptr);
    WorkerState state{*run->Job, JobEntries(*run->Job), run->Dialog, {}, UpdateHashListPath(), {}};
    try {
        if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, 0x17, IID_ITaskbarList3,
                                       reinterpret_cast<void**>(&state.Progress.Taskbar))) &&
            state.Progress.Taskbar)
            state.Progress.Taskbar->SetProgressState(state.Dialog, TBPF_NORMAL);
        if (state.Dialog) {
            wchar_t caption[1000] = {};
            GetWindowTextW(state.Dialog, caption, 1000);
            state.Progress.SavedCaption = caption;
        }
        SYSTEMTIME now{};
        GetLocalTime(&now);
        state.BackupFolder = std::wstring(JobText(state.Job.BackupFolder)) + L"\\" + BackupFolderName(now);
        RunEntries(state);
    } catch (...) {
        // What was not done stays as the engine found it; the run still ends.
    }
    if (state.Dialog) PostMessageW(state.Dialog, kUpdateDoneMessage, 0, 0);
    if (state.Progress.Taskbar) {
        state.Progress.Taskbar->SetProgressState(state.Dialog, TBPF_NOPROGRESS);
        state.Progress.Taskbar->Release();
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return 0;
}
