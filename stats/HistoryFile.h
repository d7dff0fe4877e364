#pragma once

#include "stats/HistoryRecord.h"

#include <QByteArray>
#include <QString>

#include <vector>

// system/history.csv: a header line, then one line per finished round or drill session, only
// ever appended to. A last line without its line end is kept when it reads as a round (a hand
// edit in an editor that adds none; the next append writes the end first); otherwise it was torn
// by a crash or a power cut, is counted as skipped when read and cut away by the next append, so
// earlier rounds are never touched. A history of the older, shorter header is read as it is and,
// on the first append, rewritten whole under the new header in one atomic replace that keeps
// every line.
class HistoryFile {
public:
    static inline const QString Path = QStringLiteral("system\\history.csv");
    static const QByteArray Header; // without its line end
    // The header of histories written before the mode, input, kind and time columns.
    static const QByteArray FirstHeader;
    static constexpr int FieldCount = 16;
    static constexpr int FirstFieldCount = 12;
    // A history this large is not ours to load whole.
    static constexpr qint64 MaxBytes = 256LL * 1024 * 1024;
    static constexpr int MaxLineBytes = 16384;

    struct Loaded {
        std::vector<HistoryRecord> records;
        // Complete lines that did not read as a round (edited by hand); kept in the file.
        std::vector<int> skippedLines; // 1-based line numbers
        bool tornTail = false;
        // Why nothing could be read; empty when the file was read (a missing file is empty).
        QString error;
    };

    static Loaded load(const QString& gamePath = Path);
    // The last `count` records (or fewer), reading only the file's header and its end, so a long
    // history costs no more than a short one. Anything unreadable, too large or not a regular
    // file gives no records and no message.
    static std::vector<HistoryRecord> loadRecent(int count, const QString& gamePath = Path);
    static Loaded parse(const QByteArray& bytes);

    // Appends one round. Returns why it could not, or an empty text when the round is saved.
    static QString append(const HistoryRecord& record, const QString& gamePath = Path);

    static QByteArray formatLine(const HistoryRecord& record); // without its line end
    // How many fields the lines under a header line hold (0: not a header of ours).
    static int fieldsUnder(const char* begin, const char* end);
    // One round from a line (without its line end) of a history whose header has `fields`
    // fields; false when the line is not one.
    static bool parseLine(const char* begin, const char* end, HistoryRecord& record,
                          int fields = FieldCount);

    static QByteArray formatKeyCounts(const RoundFigures::KeyCounts& counts);
    static bool parseKeyCounts(const char* begin, const char* end, RoundFigures::KeyCounts& out);
    // "a:1234/10 t:560/4": the milliseconds a character took in all, over how many times.
    static QByteArray formatKeyTimes(const RoundFigures::KeyTimes& times);
    static bool parseKeyTimes(const char* begin, const char* end, RoundFigures::KeyTimes& out);
};
