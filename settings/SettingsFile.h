#pragma once

#include <QString>
#include <QStringList>

class SpellingSelection;

// The spelling settings file, system\char.aty: 19 lines of "1"/"0" and an empty line.
class SettingsFile {
public:
    static inline const QString Path = QStringLiteral("system\\char.aty");

    // Throws FileError when the file cannot be read.
    static QStringList readLines();
    // Writes the 40-byte file for the selection; throws FileError.
    static void write(const SpellingSelection& selection);
};
