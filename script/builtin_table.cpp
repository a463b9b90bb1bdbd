// The table of built-in functions. Each family of built-ins adds its rows here, in the fixed
// order in which names are compared; a name that no row claims falls to the end of the chain
// (a parenthesised group, or "Invalid Function").
#include "script/builtin_dispatch.h"

namespace {

const BuiltinEntry kBuiltinRows[] = {
    {nullptr, nullptr}, // end marker; rows go above it
};

} // namespace

std::span<const BuiltinEntry> BuiltinTable() {
    return std::span<const BuiltinEntry>(kBuiltinRows, std::size(kBuiltinRows) - 1);
}
