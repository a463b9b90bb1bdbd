// The engine's own texts in English and Greek, and the summary it shows at the end of a run.
#pragma once

#include "update/update_job.h"

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// Ids of the English set; the Greek set is the same ids plus 500.
constexpr uint32_t kUpdateTextName = 101;
constexpr uint32_t kUpdateTextChecking = 102;
constexpr uint32_t kUpdateTextCompleted = 103;
constexpr uint32_t kUpdateTextSummary = 104;
constexpr uint32_t kUpdateTextNothingToDo = 105;
constexpr uint32_t kUpdateTextUpdated = 106;
constexpr uint32_t kUpdateTextErrors = 107;
constexpr uint32_t kUpdateTextFailedFiles = 108;
constexpr uint32_t kUpdateGreekOffset = 500;

// The text of the id in the chosen set; empty for an unknown id.
std::wstring UpdateText(uint32_t id, bool greek);

// How a run ended, counted from the entries' status words. A download that failed its hash
// counts as failed; the names of the failed files are kept for the summary.
struct UpdateCounts {
    uint32_t Total = 0;
    uint32_t Updated = 0;
    uint32_t Failed = 0;
    uint32_t Kept = 0;
    std::vector<std::wstring> FailedNames;
};
UpdateCounts CountUpdateStatuses(const UpdateJob& job);

// The closing summary: the counts, then the paragraph for the outcome; a run with failures names
// the files that failed.
std::wstring UpdateSummaryText(const UpdateCounts& counts, bool greek);

// The format with each "%u" and "%s" replaced by the next value in order and "%%" by "%".
std::wstring FillUpdateText(std::wstring_view format, std::initializer_list<std::wstring> values);
