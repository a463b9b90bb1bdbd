// The update engine: carries out an update job with its dialog and worker, sums up, asks whether
// the program should close, and says how the run ended.
#pragma once

#include "update/update_job.h"

#include <cstdint>
#include <string>

// Runs the job on the calling (interface) thread, which serves the dialog while the worker
// downloads; returns when the work is done. Results: kUpdateBadHeaderSize for a header or record
// of another size or an entry count above the job's capacity, kUpdateBadVersion for a newer
// format, and otherwise kUpdateNothingDiffers / kUpdateFilesDiffer (a check), kUpdateReplacedClose
// / kUpdateReplacedKeepRunning (files replaced), kUpdateOtherEnd.
uint32_t RunUpdateJob(UpdateJob* job);

// Reads a job written to a file: the header, then its entries (at least one record's room, at
// most the job's capacity). Addresses in the file mean nothing here: the callbacks are cleared
// and the entry address points at the records read. False when the file cannot be read whole or
// its sizes, version or count are out of bounds; refusal then holds the result to report.
bool ReadUpdateJobFile(const std::wstring& path, UpdateJobBuffer& job, uint32_t& refusal);
// ReadUpdateJobFile then RunUpdateJob; 0 when the file cannot be opened.
uint32_t RunUpdateJobFile(const std::wstring& path);
