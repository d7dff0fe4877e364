#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// The roll-forward journal that makes a registration replace both table files or neither, even
// across a crash or a power cut. Both new contents go into one journal file with a checksum,
// which is made durable before either table file changes; every reader of the table completes
// a journal it finds first. A journal cut short or damaged is the old state and is removed.
class TableJournal {
public:
    static inline const QString Path = QStringLiteral("system\\Hiscore.journal");

    struct Entry {
        QString gamePath; // one of the two table files, nothing else
        QByteArray bytes; // the file's whole new content
        bool operator==(const Entry&) const = default;
    };

    static QByteArray encode(const std::vector<Entry>& entries);
    // None for anything that is not a whole journal written by encode().
    static std::optional<std::vector<Entry>> decode(const QByteArray& bytes);

    // Replaces the files with the entries' contents. Throws FileError. A failure before the
    // journal is on the disk leaves every file as it was; once it is, the replacement stands and
    // is completed here or, failing that, by the next reader.
    static void commit(const std::vector<Entry>& entries);

    enum class Outcome { NoJournal, Completed, Discarded };
    // Finishes an interrupted registration (again, if need be: replaying is harmless). Throws
    // FileError when a whole journal cannot be applied.
    static Outcome complete();

    // At program start: removes the temporary files an interrupted save left in system/, then
    // completes a journal.
    static void tidyAtStart();
};
