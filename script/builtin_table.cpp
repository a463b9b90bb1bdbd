// The table of built-in functions: the rows of every family, in the fixed order in which
// names are compared. A name that no row claims falls to the end of the chain (a parenthesised
// group, or "Invalid Function").
#include "script/builtin_families.h"

#include <vector>

std::span<const BuiltinEntry> BuiltinTable() {
    static const std::vector<BuiltinEntry> table = [] {
        std::vector<BuiltinEntry> rows;
        for (std::span<const BuiltinEntry> family :
             {WindowBuiltins(), VariableBuiltins(), AddressBuiltins(), NumberBuiltins(), StringBuiltins(),
              FormatBuiltins(), RememberedUserBuiltins(), SlicingBuiltins()})
            rows.insert(rows.end(), family.begin(), family.end());
        return rows;
    }();
    return table;
}
