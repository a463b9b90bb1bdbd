// The update job: a header followed by an array of file records, both of fixed layout. A job is
// built in memory by the update check or read whole from a file, so every offset is a format.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

constexpr uint32_t kUpdateJobHeaderSize = 4480;
constexpr uint32_t kUpdateFileEntrySize = 12032;
constexpr uint32_t kUpdateFormatVersion = 100;
// The entry block always has room for this many records; a job never holds more.
constexpr uint32_t kUpdateJobCapacity = 100;

// Low 16 bits of the job's mode.
constexpr uint32_t kUpdateModeWindow = 0;
constexpr uint32_t kUpdateModeHidden = 1;
constexpr uint32_t kUpdateModeHiddenAlso = 2;
constexpr uint32_t kUpdateModeCallback = 3;
constexpr uint32_t kUpdateModeCheckOnly = 4;

// Preset answers to the closing question (high 16 bits of the mode).
constexpr uint32_t kUpdateAnswerAsk = 0;
constexpr uint32_t kUpdateAnswerYes = 1;
constexpr uint32_t kUpdateAnswerNo = 2;

// What the engine wrote into an entry's status word.
enum UpdateFileStatus : uint32_t {
    kFileReplaced = 0, // in a check: needs replacing
    kFileFailed = 1,   // no usable information, download or swap failed
    kFileCurrent = 2,
    kFileSkipped = 3,
    kFileVetoed = 4,
    kFileBadHash = 5, // the download does not match its published hash; kept as ".new"
};

// Where an entry's expected hash comes from.
enum UpdateHashKind : uint32_t {
    kHashSha1Text = 0,
    kHashSha1List = 1,
    kHashSha1OfFile = 2,
    kHashCrcText = 3,
    kHashCrcList = 4,
    kHashCrcOfFile = 5,
    kHashSha1CombinedList = 8,
};

// Results of RunUpdateJob.
constexpr uint32_t kUpdateNothingDiffers = 0;
constexpr uint32_t kUpdateOtherEnd = 1;
constexpr uint32_t kUpdateBadHeaderSize = 2;
constexpr uint32_t kUpdateBadVersion = 3;
constexpr uint32_t kUpdateFilesDiffer = 70;
constexpr uint32_t kUpdateReplacedKeepRunning = 98;
constexpr uint32_t kUpdateReplacedClose = 99;

// The record passed to the notification callback: kind 1 at the start (0 refuses the run),
// kind 2 at the end.
struct UpdateNotice {
    uint32_t Size = 28;
    uint32_t Kind = 0;
    uint32_t Value = 0;
    uint8_t Reserved[16] = {};
};
static_assert(sizeof(UpdateNotice) == 28);

struct UpdateFileEntry;
using UpdateNoticeCallback = uint32_t (*)(UpdateNotice* notice);
// Returns 0 to leave the file alone.
using UpdateVetoCallback = uint32_t (*)(UpdateFileEntry* entry);

struct UpdateFileEntry {
    uint32_t RecordSize;
    uint32_t Version;
    uint32_t Reserved0;
    wchar_t LocalPath[1000];
    wchar_t DownloadUrl[3000];
    wchar_t HashSource[1000];
    wchar_t DisplayName[1000];
    uint32_t KeepPartial;
    uint32_t HashKind;
    uint32_t SkipWord;
    uint32_t Reserved1;
    uint32_t Status;
};

struct UpdateJob {
    uint32_t HeaderSize;
    uint32_t Version;
    uint32_t Reserved0;
    wchar_t Title[100];
    wchar_t AppGuid[100];
    wchar_t Language[10];
    uint32_t EntryCount;
    uint8_t Reserved1[4];
    uint64_t Entries; // address of the first UpdateFileEntry
    char PageText[2000];
    uint32_t Mode;
    uint32_t Reserved2;
    uint64_t NoticeCallback; // UpdateNoticeCallback, mode 3 only
    uint64_t VetoCallback;   // UpdateVetoCallback
    uint32_t KeepReplaced;
    wchar_t BackupFolder[1000];
    uint8_t UseRequestPath;
    uint8_t UseSystemProxy;
    uint8_t RestartWithoutAsking;
    uint8_t Reserved3;
};

static_assert(sizeof(wchar_t) == 2);
static_assert(sizeof(UpdateFileEntry) == kUpdateFileEntrySize);
static_assert(offsetof(UpdateFileEntry, LocalPath) == 12);
static_assert(offsetof(UpdateFileEntry, DownloadUrl) == 2012);
static_assert(offsetof(UpdateFileEntry, HashSource) == 8012);
static_assert(offsetof(UpdateFileEntry, DisplayName) == 10012);
static_assert(offsetof(UpdateFileEntry, KeepPartial) == 12012);
static_assert(offsetof(UpdateFileEntry, Status) == 12028);
static_assert(sizeof(UpdateJob) == kUpdateJobHeaderSize);
static_assert(offsetof(UpdateJob, Title) == 12);
static_assert(offsetof(UpdateJob, AppGuid) == 212);
static_assert(offsetof(UpdateJob, Language) == 412);
static_assert(offsetof(UpdateJob, EntryCount) == 432);
static_assert(offsetof(UpdateJob, Entries) == 440);
static_assert(offsetof(UpdateJob, PageText) == 448);
static_assert(offsetof(UpdateJob, Mode) == 2448);
static_assert(offsetof(UpdateJob, NoticeCallback) == 2456);
static_assert(offsetof(UpdateJob, VetoCallback) == 2464);
static_assert(offsetof(UpdateJob, KeepReplaced) == 2472);
static_assert(offsetof(UpdateJob, BackupFolder) == 2476);
static_assert(offsetof(UpdateJob, UseRequestPath) == 4476);

// A zeroed header with its entry block of kUpdateJobCapacity zeroed records, which the header's
// entry address points at.
struct UpdateJobBuffer {
    UpdateJobBuffer();
    UpdateJobBuffer(const UpdateJobBuffer&) = delete;
    UpdateJobBuffer& operator=(const UpdateJobBuffer&) = delete;

    UpdateFileEntry& Entry(uint32_t index) { return Entries[index]; }

    UpdateJob Header;
    std::unique_ptr<UpdateFileEntry[]> Entries;
};

// The job's entries (null when the address is 0).
inline UpdateFileEntry* JobEntries(const UpdateJob& job) {
    return reinterpret_cast<UpdateFileEntry*>(static_cast<uintptr_t>(job.Entries));
}

// Copies the text into a fixed field, cut to fit with its terminating zero.
template <size_t N> void SetJobText(wchar_t (&field)[N], const wchar_t* text) {
    size_t i = 0;
    for (; text && text[i] && i + 1 < N; ++i) field[i] = text[i];
    for (; i < N; ++i) field[i] = L'\0';
}

// The text of a fixed field up to its first zero, never past its end.
template <size_t N> std::wstring_view JobText(const wchar_t (&field)[N]) {
    size_t length = 0;
    while (length < N && field[length]) ++length;
    return std::wstring_view(field, length);
}

// Sets the header fields every job carries (sizes, version, entry address) and the record size
// and version of every record of the block.
void StampUpdateJob(UpdateJobBuffer& job);
