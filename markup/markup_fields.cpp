#include "markup/markup_fields.h"

#include "common/text_split.h"

namespace {

constexpr size_t kMaxFieldLength = 255;

bool IsHostCharacter(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'.' ||
           c == L':' || c == L'-';
}

bool IsPlainFileName(std::wstring_view name) {
    if (name.empty() || name.size() > kMaxFieldLength || name == L"." || name == L"..") return false;
    for (wchar_t c : name) {
        if (c < 32 || c == 127) return false;
        if (std::wstring_view(L"\\/:{}|\"<>*?").find(c) != std::wstring_view::npos) return false;
    }
    return true;
}

} // namespace

bool ParseDecimal(std::wstring_view text, uint64_t& value) {
    if (text.empty() || text.size() > 20) return false;
    uint64_t result = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') return false;
        uint64_t digit = static_cast<uint64_t>(c - L'0');
        if (result > (UINT64_MAX - digit) / 10) return false;
        result = result * 10 + digit;
    }
    value = result;
    return true;
}

bool ParseObjectOffer(std::wstring_view text, ObjectOffer& offer) {
    std::vector<std::wstring> fields;
    SplitQuotedW(fields, text, L" ", false);
    if (fields.size() != 6) return false;
    uint64_t zero = 0, size = 0, port = 0, crc = 0;
    if (!ParseDecimal(fields[0], zero) || !ParseDecimal(fields[1], size)) return false;
    if (fields[2].size() > kMaxFieldLength) return false;
    for (wchar_t c : fields[2])
        if (!IsHostCharacter(c)) return false;
    if (!ParseDecimal(fields[3], port) || port == 0 || port > 65535) return false;
    if (!ParseDecimal(fields[4], crc) || crc > 0xFFFFFFFFull) return false;
    if (!IsPlainFileName(fields[5])) return false;
    offer.Size = size;
    offer.Host = fields[2];
    offer.Port = fields[3];
    offer.Crc = static_cast<uint32_t>(crc);
    offer.Name = fields[5];
    return true;
}

bool ParseMarkupTable(std::wstring_view text, MarkupTable& table) {
    std::vector<std::wstring> fields;
    SplitStringW(fields, text, kSplitUnlimited, L",");
    if (fields.size() < 3) return false;
    uint64_t rows = 0, columns = 0, flag = 0;
    if (!ParseDecimal(fields[0], rows) || !ParseDecimal(fields[1], columns)) return false;
    if (rows < 1 || rows > kMaxTableSide || columns < 1 || columns > kMaxTableSide) return false;
    if (static_cast<uint64_t>(fields.size()) != rows * columns + 3) return false;
    if (!ParseDecimal(fields[2], flag)) flag = 0;
    table.Rows = static_cast<uint32_t>(rows);
    table.Columns = static_cast<uint32_t>(columns);
    table.Flag = static_cast<uint32_t>(flag & 0xFFFFFFFFu);
    table.Cells.assign(fields.begin() + 3, fields.end());
    return true;
}
