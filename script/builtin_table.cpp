// The table of built-in functions: the rows of every family, in the fixed order in which
// names are compared. A name that no row claims falls to the end of the chain (a parenthesised
// group, or "Invalid Function").
#include "script/builtin_families.h"

#include <vector>

std::span<const BuiltinFamily> BuiltinFamilies() {
    static const BuiltinFamily families[] = {
        {"Windows and nick lists",
         "The windows of the script's connection: names and types, a channel's modes, topic and nick "
         "counts, the nicks of its nick list with their levels, and the selected nick.",
         WindowBuiltins, true},
        {"Variables and lists",
         "A variable as a list (count, slice, erase, insert, join), its scope, texts split into lists, "
         "and the parameters the script was started with.",
         VariableBuiltins},
        {"Addresses and masks",
         "The parts of a message prefix (\":nick!user@host\") and the ban and ignore masks built from "
         "them.",
         AddressBuiltins},
        {"Numbers and times",
         "Texts read as numbers, numbers taken apart, colours packed, pseudo-random numbers, durations "
         "and times.",
         NumberBuiltins},
        {"Texts",
         "Searching, copying, comparing, case, reversing, formatting codes, replacing and line ends.",
         StringBuiltins},
        {"Formatted output", "printf, sprintf and fprintf over the script's own formatter.", FormatBuiltins},
        {"Remembered users", "What the connection remembers about a user, found by nick.",
         RememberedUserBuiltins, true},
        {"File streams",
         "Files opened as byte streams: blocks, lines and single bytes read and written, seeking, and "
         "appending a text in one call.",
         FileStreamBuiltins},
        {"Files and folders",
         "Deleting, copying, moving, sizes, attributes, extensions, short paths, listings, and "
         "creating, removing and entering folders.",
         FileSystemBuiltins},
        {"Settings",
         "Settings by section and key: on an ini file, or (the X forms) on the user's settings or on "
         "an XML file.",
         SettingsBuiltins},
        {"Sockets",
         "Sockets made, bound, connected, listened on and accepted, data sent and received, options, "
         "byte order and address conversions, the host name and a DNS lookup.",
         SocketBuiltins, true},
        {"Prompts", "A line of text or a choice from a list asked of the user.", PromptBuiltins},
        {"Checksums and encryption",
         "Checksums and hashes of texts and files, and texts and files encrypted with a pass phrase.",
         HashBuiltins},
        {"Program and system",
         "A message box, a tray balloon, a menu command, the login name, the language library, a "
         "temporary file, memory blocks and a pause.",
         SystemBuiltins},
        {"Mathematics",
         "Character codes, absolute values, factorials, powers, roots, logarithms and the "
         "trigonometric and hyperbolic functions.",
         MathBuiltins},
        {"Pieces of texts", "left, mid and right: pieces of a text by byte positions.", SlicingBuiltins},
    };
    return families;
}

namespace {

struct JoinedTable {
    std::vector<BuiltinEntry> Rows;
    std::vector<uint8_t> ReadsOutside; // one per row
};

const JoinedTable& Joined() {
    static const JoinedTable table = [] {
        JoinedTable joined;
        for (const BuiltinFamily& family : BuiltinFamilies()) {
            const std::span<const BuiltinEntry> members = family.Rows();
            joined.Rows.insert(joined.Rows.end(), members.begin(), members.end());
            joined.ReadsOutside.insert(joined.ReadsOutside.end(), members.size(), family.ReadsOutsideText);
        }
        return joined;
    }();
    return table;
}

} // namespace

std::span<const BuiltinEntry> BuiltinTable() {
    return Joined().Rows;
}

bool BuiltinReadsOutsideText(const BuiltinEntry* entry) {
    const JoinedTable& table = Joined();
    if (entry < table.Rows.data() || entry >= table.Rows.data() + table.Rows.size()) return false;
    return table.ReadsOutside[static_cast<size_t>(entry - table.Rows.data())] != 0;
}
