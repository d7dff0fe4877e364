// The player's romaji table on any file: no crash and no hang; a table it takes has unique keys,
// finds each row by its keys, lists each row under the first character of its output, and
// converts each row's keys into that output with only the row's pending keys left.
#include "core/FileError.h"
#include "core/TextFile.h"
#include "tests/fuzz/FuzzCheck.h"
#include "typing/RomajiTable.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    RomajiTable table;
    try {
        table = RomajiTable::fromLines(TextFile::linesOf(bytes, RomajiTable::PlayerPath),
                                       RomajiTable::PlayerPath);
    } catch (const FileError& e) {
        FUZZ_CHECK(!e.message().isEmpty());
        return 0;
    }
    FUZZ_CHECK(table.size() > 0 && table.size() <= RomajiTable::MaxRows);
    for (int i = 0; i < table.size(); ++i) {
        const RomajiTable::Row& row = table.row(i);
        FUZZ_CHECK(!row.keys.empty() && row.keys.size() <= RomajiTable::MaxKeys);
        FUZZ_CHECK(table.exact(row.keys) == i);
        const std::vector<int>& listed = table.rowsBeginning(row.folded.front());
        FUZZ_CHECK(std::find(listed.begin(), listed.end(), i) != listed.end());
        // A row no longer row can follow converts at once: its output, then its pending keys.
        if (!table.extends(row.keys)) {
            const RomajiTable::Conversion c = table.convert(row.keys);
            FUZZ_CHECK(!c.dead && !c.looped);
            FUZZ_CHECK(c.folded.startsWith(row.folded));
        }
    }
    return 0;
}
