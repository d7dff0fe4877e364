// The two settings loaders on any file: no crash; the round-start loader hands back every line
// it read; the dialog's choices, written and read back, stay the same, and the file it writes
// gives the round the same spellings the dialog shows.
#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/TextFile.h"
#include "settings/RoundStartLoader.h"
#include "settings/SpellingGroups.h"
#include "settings/SpellingSelection.h"
#include "settings/VariantTable.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>

namespace {

bool sameTable(const VariantTable& a, const VariantTable& b) {
    for (std::size_t k = 0; k < static_cast<std::size_t>(Kana::Count); ++k)
        if (a.get(static_cast<Kana>(k)) != b.get(static_cast<Kana>(k)))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList lines;
    try {
        lines = TextFile::linesOf(bytes, QStringLiteral("system\\char.aty"));
    } catch (const FileError&) {
        return 0;
    }

    VariantTable roundTable;
    RoundStartLoader loader;
    const QString shown = loader.apply(lines, roundTable);
    FUZZ_CHECK(shown == (lines.isEmpty()
                             ? QString()
                             : lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
    FUZZ_CHECK(loader.lineCount() == lines.size());

    SpellingSelection dialog;
    dialog.load(lines);
    const QByteArray written = DurableFile::encode(dialog.fileText() + QStringLiteral("\r\n"));
    FUZZ_CHECK(written.size() == 40);
    const QStringList reread = TextFile::linesOf(written, QString());
    SpellingSelection again;
    again.load(reread);
    for (int g = 0; g < SpellingGroups::GroupCount; ++g)
        FUZZ_CHECK(again.choice(g) == dialog.choice(g));

    VariantTable fromDialog;
    dialog.applyTo(fromDialog);
    VariantTable fromFile;
    RoundStartLoader firstRound;
    firstRound.apply(reread, fromFile);
    FUZZ_CHECK(sameTable(fromDialog, fromFile));
    return 0;
}
