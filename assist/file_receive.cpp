// Receiving a file on a "file" channel: the header names it, a writer thread puts each piece on
// disk under a temporary name while the session's thread waits, and the complete file takes a
// free name in the receive folder; an existing file is never replaced.
#include "assist/assist_session.h"

#include "common/plain_base_name.h"

#include <commctrl.h>

#include <process.h>

#include <algorithm>
#include <cstring>

unsigned __stdcall FileReceivedDialog(void* argument);

namespace {

bool FileExistsAt(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void SetProgress(FileReceiveJob& job) {
    HWND dialog = job.Dialog;
    if (!dialog) return;
    const uint64_t percent = job.Size ? job.Written * 100 / job.Size : job.Written * 100;
    SendMessageW(dialog, TDM_SET_PROGRESS_BAR_POS, static_cast<WPARAM>(std::min<uint64_t>(percent, 100)), 0);
}

// Moves the complete file to its name, or to the next free one when the name was taken
// meanwhile; false when every name is taken.
bool CommitReceivedFile(FileReceiveJob& job) {
    const std::wstring folder = job.FullPath.substr(0, job.FullPath.rfind(L'\\'));
    for (std::wstring target = job.FullPath; !target.empty();
         target = ChooseReceivedFileName(folder, job.FileName)) {
        if (MoveFileExW(job.TempPath.c_str(), target.c_str(), MOVEFILE_WRITE_THROUGH)) {
            job.FullPath = target;
            return true;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    return false;
}

void FinishJob(FileReceiveJob& job, HRESULT status) {
    if (job.File != INVALID_HANDLE_VALUE) CloseHandle(job.File);
    job.File = INVALID_HANDLE_VALUE;
    if (status == S_OK && !CommitReceivedFile(job)) status = E_FAIL;
    if (status != S_OK) DeleteFileW(job.TempPath.c_str());
    job.Status = status;
    HWND dialog = job.Dialog;
    if (dialog && IsWindow(dialog)) {
        SendMessageW(dialog, TDM_SET_ELEMENT_TEXT, TDE_CONTENT,
                     reinterpret_cast<LPARAM>(job.FullPath.c_str()));
        SendMessageW(dialog, TDM_ENABLE_BUTTON, kOpenFileButton, status == S_OK);
        SendMessageW(dialog, TDM_ENABLE_BUTTON, kOpenFolderButton, TRUE);
        SendMessageW(dialog, TDM_ENABLE_BUTTON, kCloseButton, TRUE);
        SendMessageW(dialog, TDM_ENABLE_BUTTON, kCancelButton, FALSE);
    }
}

unsigned __stdcall WriterThread(void* argument) {
    std::shared_ptr<FileReceiveJob> job(*static_cast<std::shared_ptr<FileReceiveJob>*>(argument));
    delete static_cast<std::shared_ptr<FileReceiveJob>*>(argument);
    HRESULT status = 1;
    while (status == 1 && job->Written < job->Size) {
        WaitForSingleObject(job->PieceReady, INFINITE);
        if (job->Cancelled) {
            status = E_FAIL;
            break;
        }
        // Never more than the header announced.
        const DWORD length =
            static_cast<DWORD>(std::min<uint64_t>(job->Piece.size(), job->Size - job->Written));
        DWORD written = 0;
        if (!WriteFile(job->File, job->Piece.data(), length, &written, nullptr) || written != length) {
            status = E_FAIL;
            break;
        }
        job->Written += written;
        SetProgress(*job);
        if (job->Written >= job->Size) break;
        SetEvent(job->PieceWritten);
    }
    FinishJob(*job, status == 1 ? S_OK : status);
    SetEvent(job->PieceWritten);
    return 0;
}

std::shared_ptr<FileReceiveJob> StartJob(AssistSession& session, const std::wstring& name, uint64_t size) {
    const std::wstring target = ChooseReceivedFileName(session.ReceiveFolder, name);
    if (target.empty()) return nullptr; // every free name is taken: the file is refused
    auto job = std::make_shared<FileReceiveJob>();
    job->Session = &session;
    job->FileName = name;
    job->FullPath = target;
    job->Size = size;
    wchar_t temp[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(session.ReceiveFolder.c_str(), L"qvr", 0, temp)) return nullptr;
    job->TempPath = temp;
    job->File = CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (job->File == INVALID_HANDLE_VALUE) {
        DeleteFileW(temp);
        return nullptr;
    }
    job->PieceReady = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    job->PieceWritten = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    return job;
}

// The dialog shows (or fails to) before the writer starts, so the writer can show progress.
bool StartReceiving(AssistSession& session, const std::shared_ptr<FileReceiveJob>& job) {
    const uintptr_t dialog =
        _beginthreadex(nullptr, 0, FileReceivedDialog, new std::shared_ptr<FileReceiveJob>(job), 0, nullptr);
    if (dialog) {
        HANDLE waits[] = {job->PieceReady, reinterpret_cast<HANDLE>(dialog)};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        CloseHandle(reinterpret_cast<HANDLE>(dialog));
    }
    auto* argument = new std::shared_ptr<FileReceiveJob>(job);
    HANDLE writer = session.Threads.Start(WriterThread, argument);
    if (!writer) {
        delete argument;
        FinishJob(*job, E_FAIL);
        return false;
    }
    DuplicateHandle(GetCurrentProcess(), writer, GetCurrentProcess(), &job->Writer, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return true;
}

} // namespace

FileReceiveJob::~FileReceiveJob() {
    if (File != INVALID_HANDLE_VALUE) CloseHandle(File);
    if (PieceReady) CloseHandle(PieceReady);
    if (PieceWritten) CloseHandle(PieceWritten);
    if (Writer) CloseHandle(Writer);
}

bool ReadFileHeader(const uint8_t* bytes, uint32_t length, std::wstring& name, uint64_t& size) {
    if (!bytes || length != kFileHeaderSize) return false;
    // The path ends at its terminator, and never later than the field's end.
    std::wstring path(kFileHeaderPathBytes / sizeof(wchar_t), L'\0');
    std::memcpy(path.data(), bytes, kFileHeaderPathBytes);
    path.resize(wcsnlen(path.c_str(), path.size()));
    const size_t separator = path.find_last_of(L"\\/");
    name = PlainBaseName(separator == std::wstring::npos ? path : path.substr(separator + 1));
    size = 0;
    for (int i = 7; i >= 0; --i) size = (size << 8) | bytes[kFileHeaderPathBytes + i];
    return true;
}

std::wstring ChooseReceivedFileName(const std::wstring& folder, const std::wstring& name) {
    if (folder.empty() || name.empty()) return {};
    std::wstring path = folder + L"\\" + name;
    for (uint32_t n = 1; FileExistsAt(path); ++n) {
        if (n > kReceivedNameTries) return {};
        path = folder + L"\\_" + std::to_wstring(n) + L"_" + name;
    }
    return path;
}

void ReceiveFilePiece(ChannelRecord* channel, const uint8_t* bytes, uint32_t length, AssistSession& session) {
    if (!channel || !bytes || length == 0) return;
    SharingObject& owner = *channel->Owner;
    std::shared_ptr<FileReceiveJob> job;
    {
        std::lock_guard<std::mutex> lock(owner.ChannelLock);
        if (channel->Sending) return; // pieces that arrive while this side sends are dropped
        job = channel->Receiving;
    }
    if (job && job->Status == 1 && !job->Cancelled) {
        job->Piece.assign(bytes, bytes + length);
        ResetEvent(job->PieceWritten);
        SetEvent(job->PieceReady);
        HANDLE waits[] = {job->PieceWritten, job->Writer};
        WaitForMultipleObjects(job->Writer ? 2 : 1, waits, FALSE, INFINITE);
        if (job->Status != 1) {
            std::lock_guard<std::mutex> lock(owner.ChannelLock);
            channel->Receiving.reset();
        }
        return;
    }
    if (job) {
        // The last file ended (cancelled or failed) before all of it came: what follows is
        // taken as a new header or dropped.
        std::lock_guard<std::mutex> lock(owner.ChannelLock);
        channel->Receiving.reset();
    }
    std::wstring name;
    uint64_t size = 0;
    if (!ReadFileHeader(bytes, length, name, size)) return;
    job = StartJob(session, name, size);
    if (!job) return;
    {
        std::lock_guard<std::mutex> lock(session.JobsLock);
        session.Jobs.push_back(job);
    }
    if (!StartReceiving(session, job) || size == 0) return;
    std::lock_guard<std::mutex> lock(owner.ChannelLock);
    channel->Receiving = job;
}
