// The fields of the two markup commands whose contents may come from a peer: the object offer
// (18 7 ... 18) and the table (18 24 ... 18). Both are counted and bounded before use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// " 0 size host port crc name": exactly six blank-separated fields.
struct ObjectOffer {
    uint64_t Size = 0;
    std::wstring Host;
    std::wstring Port;
    uint32_t Crc = 0;
    std::wstring Name;
};

// False unless the six fields are all well formed: decimal size and CRC, a host of letters,
// digits, '.', ':' and '-', a port from 1 to 65535, and a plain file name (no control
// characters, path separators or link punctuation).
bool ParseObjectOffer(std::wstring_view text, ObjectOffer& offer);

constexpr uint32_t kMaxTableSide = 64;

// "rows,columns,flag,cell,cell,...": rows and columns from 1 to 64 each, exactly rows x columns
// cells (which may be empty), row by row.
struct MarkupTable {
    uint32_t Rows = 0;
    uint32_t Columns = 0;
    uint32_t Flag = 0;
    std::vector<std::wstring> Cells;
};

bool ParseMarkupTable(std::wstring_view text, MarkupTable& table);

// A decimal number of 1 to 20 digits that fits in 64 bits.
bool ParseDecimal(std::wstring_view text, uint64_t& value);
