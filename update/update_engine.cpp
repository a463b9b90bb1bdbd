#include "update/update_engine.h"

#include "common/text_compare.h"
#include "update/timed_message_box.h"
#include "update/update_dialog.h"
#include "update/update_messages.h"
#include "update/update_page.h"
#include "update/update_worker.h"

#include <process.h>

#include <cstdio>
#include <memory>

namespace {

constexpr DWORD kClosingQuestionTimeoutMs = 20000;

struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

uint32_t CheckLayout(const UpdateJob& job) {
    if (job.HeaderSize != kUpdateJobHeaderSize) return kUpdateBadHeaderSize;
    if (job.Version > kUpdateFormatVersion) return kUpdateBadVersion;
    if (job.EntryCount > kUpdateJobCapacity || (job.EntryCount > 0 && job.Entries == 0))
        return kUpdateBadHeaderSize;
    const UpdateFileEntry* entries = JobEntries(job);
    for (uint32_t i = 0; i < job.EntryCount; ++i) {
        if (entries[i].RecordSize != kUpdateFileEntrySize) return kUpdateBadHeaderSize;
        if (entries[i].Version > kUpdateFormatVersion) return kUpdateBadVersion;
    }
    return kUpdateNothingDiffers;
}

// "GR" picks the Greek texts; any other code becomes "EN" in the job.
bool ChooseLanguage(UpdateJob& job) {
    if (WStringEqualsNoCase(std::wstring(JobText(job.Language)), L"GR")) return true;
    SetJobText(job.Language, L"EN");
    return false;
}

uint32_t Notify(const UpdateJob& job, uint32_t kind, uint32_t value) {
    if (!job.NoticeCallback) return 1;
    UpdateNotice notice;
    notice.Kind = kind;
    notice.Value = value;
    return reinterpret_cast<UpdateNoticeCallback>(static_cast<uintptr_t>(job.NoticeCallback))(&notice);
}

// Serves the interface thread's messages until the worker has ended. A WM_QUIT on the way stops
// the run and is handed on to the program's own loop once the worker is gone.
void ServeUntilDone(HANDLE worker) {
    bool quit = false;
    WPARAM quitCode = 0;
    for (;;) {
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(1, &worker, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
                UpdateCancelRequested = true;
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

bool RunWorker(UpdateRun& run) {
    HANDLE worker = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, UpdateWorker, &run, 0, nullptr));
    if (!worker) return false;
    ServeUntilDone(worker);
    CloseHandle(worker);
    return true;
}

} // namespace

uint32_t RunUpdateJob(UpdateJob* job) {
    if (!job) return kUpdateOtherEnd;
    if (const uint32_t refusal = CheckLayout(*job)) return refusal;
    const bool greek = ChooseLanguage(*job);
    UpdateCancelRequested = false;

    HWND dialog = CreateUpdateDialog();
    uint32_t mode = job->Mode;
    const bool pageShown = dialog && (mode & 0xFFFF) == kUpdateModeWindow && ShowUpdatePage(dialog, *job);
    if (dialog && !pageShown) CollapseUpdatePageRoom(dialog);
    if (dialog) SetWindowTextW(dialog, std::wstring(JobText(job->Title)).c_str());

    if (!dialog && mode == kUpdateModeWindow) mode = kUpdateModeHiddenAlso;
    uint32_t preset = kUpdateAnswerAsk;
    if (mode >= 0x10000) {
        preset = mode >> 16;
        mode &= 0xFFFF;
        job->Mode = mode;
    }
    if (mode == kUpdateModeHidden) mode = kUpdateModeHiddenAlso;

    bool refused = false;
    if (mode == kUpdateModeWindow) {
        ShowWindow(dialog, SW_SHOW);
        AddUpdateTrayIcon(dialog);
    } else if (mode == kUpdateModeCallback) {
        refused = Notify(*job, 1, 0) == 0;
    }
    if (!refused) {
        UpdateRun run{job, dialog};
        RunWorker(run);
    }

    const UpdateCounts counts = CountUpdateStatuses(*job);
    const std::wstring summary = UpdateSummaryText(counts, greek);
    if (mode == kUpdateModeCheckOnly) {
        if (IsWindow(dialog)) DestroyWindow(dialog);
        if (counts.Updated > 0) return kUpdateFilesDiffer;
        // A check that could not learn about every file says so, never "nothing differs".
        return counts.Failed > 0 ? kUpdateOtherEnd : kUpdateNothingDiffers;
    }

    const bool question = counts.Updated > 0 && counts.Failed == 0;
    bool close = false;
    if (mode == kUpdateModeWindow || mode == kUpdateModeHiddenAlso) {
        if (preset == kUpdateAnswerYes)
            close = true;
        else if (preset == kUpdateAnswerNo)
            close = false;
        else if (job->RestartWithoutAsking == 1)
            close = true;
        else if (mode == kUpdateModeWindow)
            close = TimedMessageBox(IsWindow(dialog) ? dialog : nullptr, summary.c_str(),
                                    std::wstring(JobText(job->Title)).c_str(),
                                    question ? MB_YESNO | MB_ICONQUESTION : MB_ICONINFORMATION,
                                    kClosingQuestionTimeoutMs, question ? IDYES : IDOK) == IDYES;
    }
    if (IsWindow(dialog)) DestroyWindow(dialog);
    if (mode == kUpdateModeCallback) Notify(*job, 2, refused ? 2 : 0);
    RemoveUpdateTrayIcon();

    if (close) return kUpdateReplacedClose;
    if (question && (mode == kUpdateModeWindow || mode == kUpdateModeHiddenAlso))
        return kUpdateReplacedKeepRunning;
    return kUpdateOtherEnd;
}

bool ReadUpdateJobFile(const std::wstring& path, UpdateJobBuffer& job, uint32_t& refusal) {
    refusal = kUpdateNothingDiffers;
    std::unique_ptr<std::FILE, FileClose> file(_wfopen(path.c_str(), L"rb"));
    if (!file) return false;
    refusal = kUpdateBadHeaderSize;
    if (std::fread(&job.Header, sizeof job.Header, 1, file.get()) != 1) return false;
    if (job.Header.HeaderSize != kUpdateJobHeaderSize) return false;
    if (job.Header.Version > kUpdateFormatVersion) {
        refusal = kUpdateBadVersion;
        return false;
    }
    const uint32_t count = job.Header.EntryCount;
    if (count > kUpdateJobCapacity) return false;
    if (count > 0 && std::fread(job.Entries.get(), sizeof(UpdateFileEntry), count, file.get()) != count)
        return false;
    job.Header.Entries = reinterpret_cast<uintptr_t>(job.Entries.get());
    job.Header.NoticeCallback = 0;
    job.Header.VetoCallback = 0;
    refusal = CheckLayout(job.Header);
    return refusal == kUpdateNothingDiffers;
}

uint32_t RunUpdateJobFile(const std::wstring& path) {
    UpdateJobBuffer job;
    uint32_t refusal = 0;
    if (!ReadUpdateJobFile(path, job, refusal)) return refusal;
    return RunUpdateJob(&job.Header);
}
