#pragma once

#include "settings/GameOptions.h"

#include <QString>

// The options file, system\options.ini (INI): the additions to the original game that the
// player turned on. A missing or unreadable file, or a value it does not know, means off.
class OptionsFile {
public:
    static inline const QString Path = QStringLiteral("system\\options.ini");
    // Read as judging=both when the file has no judging key (files of earlier versions).
    static inline const QString AcceptBothSpellingsKey =
        QStringLiteral("typing/acceptBothSpellings");
    static inline const QString JudgingKey = QStringLiteral("typing/judging");
    static inline const QString InputKey = QStringLiteral("typing/input");
    static inline const QString WeakKeysKey = QStringLiteral("practice/weakKeys");
    static inline const QString ScaleKey = QStringLiteral("display/scale");

    // Never fails: whatever cannot be read is off.
    static GameOptions load();
    // Replaces the file atomically, keeping every other line it holds; throws FileError.
    static void save(const GameOptions& options);
    // Removes what a save cut short by a kill left in system/, and nothing else; returns how
    // many files went. Called at start, beside the table's own tidy.
    static int removeLeftovers();
};
