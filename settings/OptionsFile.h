#pragma once

#include "settings/GameOptions.h"

#include <QString>

// The options file, system\options.ini (INI): the additions to the original game that the
// player turned on. A missing or unreadable file, or a value other than "true", means off.
class OptionsFile {
public:
    static inline const QString Path = QStringLiteral("system\\options.ini");
    static inline const QString AcceptBothSpellingsKey =
        QStringLiteral("typing/acceptBothSpellings");

    // Never fails: whatever cannot be read is off.
    static GameOptions load();
    // Replaces the file atomically, keeping any other keys it holds; throws FileError.
    static void save(const GameOptions& options);
};
