#include "common/text_format.h"

#include "common/xstring.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cwchar>

std::wstring FormatDuration(uint32_t seconds) {
    wchar_t buffer[64];
    unsigned h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
    swprintf(buffer, 64, L"%02u:%02u:%02u", h, m, s);
    return buffer;
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian), valid for every 32-bit time.
static void CivilFromDays(int64_t days, unsigned& year, unsigned& month, unsigned& day) {
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    unsigned dayOfEra = static_cast<unsigned>(days - era * 146097);
    unsigned yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    unsigned mp = (5 * dayOfYear + 2) / 153;
    day = dayOfYear - (153 * mp + 2) / 5 + 1;
    month = mp < 10 ? mp + 3 : mp - 9;
    year = static_cast<unsigned>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
}

std::wstring FormatUnixTime(int32_t secondsSince1970) {
    int64_t t = secondsSince1970;
    int64_t days = (t >= 0 ? t : t - 86399) / 86400;
    unsigned secondOfDay = static_cast<unsigned>(t - days * 86400);
    unsigned year, month, day;
    CivilFromDays(days, year, month, day);
    wchar_t buffer[64];
    swprintf(buffer, 64, L"%02u-%02u-%04u , %02u:%02u:%02u", day, month, year, secondOfDay / 3600,
             secondOfDay / 60 % 60, secondOfDay % 60);
    return buffer;
}

std::wstring FormatByteSize(uint64_t bytes) {
    wchar_t buffer[64];
    if (bytes < 1024)
        swprintf(buffer, 64, L"%u B", static_cast<unsigned>(bytes));
    else if (bytes < 1048576)
        swprintf(buffer, 64, L"%.1f KB", static_cast<double>(static_cast<float>(bytes) / 1024.0f));
    else if (bytes < 1073741824)
        swprintf(buffer, 64, L"%.1f MB", static_cast<double>(static_cast<float>(bytes) / 1048576.0f));
    else
        swprintf(buffer, 64, L"%.1f GB", static_cast<double>(static_cast<float>(bytes) / 1073741824.0f));
    return buffer;
}

std::string Int64ToString(int64_t value) {
    return std::to_string(value);
}
std::wstring Int64ToWString(int64_t value) {
    return std::to_wstring(value);
}

int64_t SecondsBetween(const SYSTEMTIME& earlier, const SYSTEMTIME& later) {
    FILETIME a{}, b{};
    if (!SystemTimeToFileTime(&earlier, &a) || !SystemTimeToFileTime(&later, &b)) return 0;
    auto ticks = [](const FILETIME& f) {
        return static_cast<int64_t>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
    };
    return (ticks(b) - ticks(a)) / 10000000;
}

int32_t PercentOf(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<int64_t>(a) * static_cast<int64_t>(b) / 100);
}

int32_t RandomBelow(int32_t n) {
    return n == 0 ? 0 : std::rand() % n;
}

int MakeRandomWord(char (&word)[9]) {
    static std::atomic<bool> keptOnce{false};
    if (!keptOnce.load() && word[0] != '\0') {
        keptOnce = true;
        return 1;
    }
    std::srand(GetTickCount());
    for (int i = 0; i < 8; ++i) word[i] = static_cast<char>('a' + std::rand() % 26);
    word[8] = '\0';
    keptOnce = false;
    return 2;
}

void GetDlgItemWString(std::wstring& out, HWND dialog, int controlId) {
    constexpr int kMaxCharacters = 10000;
    std::wstring buffer(kMaxCharacters + 1, L'\0');
    UINT n = GetDlgItemTextW(dialog, controlId, buffer.data(), kMaxCharacters + 1);
    buffer.resize(n);
    out.swap(buffer);
}

void GetDlgItemUtf8String(std::string& out, HWND dialog, int controlId) {
    std::wstring wide;
    GetDlgItemWString(wide, dialog, controlId);
    out = WideToNarrow(wide);
}
