#include "update/update_messages.h"

namespace {

struct UpdateTextRecord {
    uint32_t Id;
    const wchar_t* Text;
};

#define UPDATE_SITE_LINE L"News and help: https://brindlex.example\r\n"
#define UPDATE_SITE_LINE_GR L"Νέα και βοήθεια: https://brindlex.example\r\n"

constexpr UpdateTextRecord kUpdateTexts[] = {
    {101, L"Brindlex Update"},
    {102, L"Checking for updates..."},
    {103, L"Update process completed!"},
    {104, L"Total files: \t%u\r\nFiles updated: \t%u/%u\r\nFiles failed: \t%u/%u\r\nFiles kept: "
          L"\t%u/%u\r\n\r\n%s"},
    {105, L"No files need to be updated! Try again after a few days!\r\n\r\nThank you for using Brindlex "
          L"Update!\r\n" UPDATE_SITE_LINE},
    {106, L"Files updated successfully!\r\n\r\nThank you for using Brindlex Update!\r\nNews and help: "
          L"https://brindlex.example\r\n\r\n\r\nDo you want to exit the application now so the updates can "
          L"be applied?"},
    {107, L"There were errors in the update process. Please try again later!\r\n\r\nThank you for using "
          L"Brindlex Update!\r\n" UPDATE_SITE_LINE},
    {108, L"Files that failed:"},
    {601, L"Brindlex Update"},
    {602, L"Έλεγχος για updates..."},
    {603, L"Η διαδικασία ολοκληρώθηκε!"},
    {604, L"Αρχεία: \t%u\r\nΑνανεώθηκαν: \t%u/%u\r\nΑπέτυχαν: \t%u/%u\r\nΧωρίς αλλαγή: \t%u/%u\r\n\r\n%s"},
    {605,
     L"Δεν χρειάστηκε να αναβαθμιστούν αρχεία! Δοκιμάστε πάλι μετά από μερικές μέρες!\r\n\r\nΕυχαριστούμε "
     L"που χρησιμοποιήσατε το Brindlex Update!\r\n" UPDATE_SITE_LINE_GR},
    {606, L"Τα αρχεία αναβαθμίστηκαν!\r\n\r\nΕυχαριστούμε που χρησιμοποιήσατε το Brindlex Update!\r\nΝέα και "
          L"βοήθεια: https://brindlex.example\r\n\r\n\r\nΘέλετε να τερματίσετε το πρόγραμμα για να "
          L"πραγματοποιηθεί η ενημέρωση?"},
    {607, L"Υπήρξαν λάθη στην διαδικασία αναβάθμισης! Παρακαλώ δοκιμάστε αργότερα!\r\n\r\nΕυχαριστούμε που "
          L"χρησιμοποιήσατε το Brindlex Update!\r\n" UPDATE_SITE_LINE_GR},
    {608, L"Αρχεία που απέτυχαν:"},
    {0xFFFFFFFF, nullptr},
};

} // namespace

std::wstring UpdateText(uint32_t id, bool greek) {
    if (greek) id += kUpdateGreekOffset;
    for (const UpdateTextRecord* record = kUpdateTexts; record->Id != 0xFFFFFFFF; ++record)
        if (record->Id == id) return record->Text;
    return std::wstring();
}

UpdateCounts CountUpdateStatuses(const UpdateJob& job) {
    UpdateCounts counts;
    const UpdateFileEntry* entries = JobEntries(job);
    counts.Total = entries ? job.EntryCount : 0;
    for (uint32_t i = 0; i < counts.Total; ++i) {
        const UpdateFileEntry& entry = entries[i];
        if (entry.Status == kFileReplaced) {
            ++counts.Updated;
        } else if (entry.Status == kFileFailed || entry.Status == kFileBadHash) {
            ++counts.Failed;
            counts.FailedNames.emplace_back(JobText(entry.DisplayName));
        } else {
            ++counts.Kept;
        }
    }
    return counts;
}

std::wstring UpdateSummaryText(const UpdateCounts& counts, bool greek) {
    std::wstring closing;
    if (counts.Failed > 0) {
        closing = UpdateText(kUpdateTextErrors, greek) + L"\r\n" + UpdateText(kUpdateTextFailedFiles, greek);
        for (const std::wstring& name : counts.FailedNames) closing += L"\r\n\t" + name;
    } else {
        closing = UpdateText(counts.Updated > 0 ? kUpdateTextUpdated : kUpdateTextNothingToDo, greek);
    }
    auto n = [](uint32_t value) { return std::to_wstring(value); };
    return FillUpdateText(UpdateText(kUpdateTextSummary, greek),
                          {n(counts.Total), n(counts.Updated), n(counts.Total), n(counts.Failed),
                           n(counts.Total), n(counts.Kept), n(counts.Total), closing});
}

std::wstring FillUpdateText(std::wstring_view format, std::initializer_list<std::wstring> values) {
    std::wstring text;
    auto next = values.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        const wchar_t c = format[i];
        const wchar_t following = i + 1 < format.size() ? format[i + 1] : L'\0';
        if (c == L'%' && following == L'%') {
            text += L'%';
            ++i;
        } else if (c == L'%' && (following == L'u' || following == L's')) {
            if (next != values.end()) text += *next++;
            ++i;
        } else {
            text += c;
        }
    }
    return text;
}
