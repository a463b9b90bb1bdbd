// The worker thread of an update run: for each file of the job, compare it with its published
// hash, download what differs, check the download and swap it in.
#pragma once

#include "update/update_job.h"

#include <windows.h>

#include <string>

struct UpdateRun {
    UpdateJob* Job = nullptr;
    HWND Dialog = nullptr; // may be null
};

// "RUP.INI" in the temporary folder: where hash lists are stored.
std::wstring UpdateHashListPath();

// Thread procedure (C run-time thread start) for an UpdateRun that outlives it. Writes each
// entry's status; stops early, leaving the rest skipped, once UpdateCancelRequested is set.
unsigned __stdcall UpdateWorker(void* run);
