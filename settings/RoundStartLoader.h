#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>

class VariantTable;

// Applies the settings file to the variant table when a typing round starts. Its line count
// runs on for the whole run, so a file the game wrote (20 lines) takes effect at the first
// round start only; later starts read it as lines 21 to 40 and change nothing, leaving the
// table to the settings dialog.
class RoundStartLoader {
public:
    // Applies the lines and returns the text that was read, each line followed by CR LF.
    QString apply(const QStringList& lines, VariantTable& table);
    // Reads "system\char.aty" and applies it; throws FileError.
    QString load(VariantTable& table);

    int64_t lineCount() const { return m_lineCount; }

private:
    // 64 bits: a run of any length can never wrap back to the first 20 lines.
    int64_t m_lineCount = 0;
};
