#include "scores/TableJournal.h"

#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/PlayerFile.h"
#include "core/TextFile.h"
#include "scores/HighScoreTable.h"

#include <QCryptographicHash>

namespace {

constexpr char Magic[] = "KAZAMINA HISCORE JOURNAL 1\n";
constexpr qsizetype MagicSize = sizeof Magic - 1;
constexpr qsizetype HashSize = 32; // SHA-256
constexpr qsizetype EntryHeaderSize = 1 + 4;

// The files a journal may name, by number: a damaged journal can never write anywhere else.
const QString& targetPath(int index) {
    return index == 0 ? HighScoreTable::NamePath : HighScoreTable::ScorePath;
}
constexpr int TargetCount = 2;

// Both table files at their largest (lines within the reading limit) fit easily.
constexpr qsizetype MaxJournalSize = 2 * TextFile::MaxFileBytes + 1024;

int targetIndex(const QString& gamePath) {
    for (int i = 0; i < TargetCount; ++i)
        if (targetPath(i) == gamePath)
            return i;
    return -1;
}

QByteArray hashOf(QByteArrayView bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

} // namespace

QByteArray TableJournal::encode(const std::vector<Entry>& entries) {
    QByteArray out(Magic, MagicSize);
    for (const Entry& entry : entries) {
        const int index = targetIndex(entry.gamePath);
        Q_ASSERT(index >= 0);
        const quint32 size = static_cast<quint32>(entry.bytes.size());
        out.append(static_cast<char>(index));
        for (int shift = 0; shift < 32; shift += 8)
            out.append(static_cast<char>((size >> shift) & 0xFF));
        out.append(entry.bytes);
    }
    out.append(hashOf(out));
    return out;
}

std::optional<std::vector<TableJournal::Entry>> TableJournal::decode(const QByteArray& bytes) {
    if (bytes.size() < MagicSize + HashSize || bytes.size() > MaxJournalSize ||
        !bytes.startsWith(QByteArrayView(Magic, MagicSize)))
        return std::nullopt;
    const qsizetype bodyEnd = bytes.size() - HashSize;
    if (hashOf(QByteArrayView(bytes).first(bodyEnd)) != bytes.sliced(bodyEnd))
        return std::nullopt;
    std::vector<Entry> entries;
    bool seen[TargetCount] = {};
    qsizetype at = MagicSize;
    while (at < bodyEnd) {
        if (bodyEnd - at < EntryHeaderSize)
            return std::nullopt;
        const int index = static_cast<unsigned char>(bytes.at(at));
        quint32 size = 0;
        for (int i = 0; i < 4; ++i)
            size |= static_cast<quint32>(static_cast<unsigned char>(bytes.at(at + 1 + i)))
                    << (8 * i);
        at += EntryHeaderSize;
        if (index >= TargetCount || seen[index] || size > static_cast<quint32>(bodyEnd - at))
            return std::nullopt;
        seen[index] = true;
        entries.push_back({targetPath(index), bytes.sliced(at, size)});
        at += size;
    }
    if (entries.empty())
        return std::nullopt;
    return entries;
}

void TableJournal::commit(const std::vector<Entry>& entries) {
    std::vector<QString> temporaries;
    auto dropTemporaries = [&] {
        for (const QString& path : temporaries)
            DurableFile::removeQuietly(path);
    };
    try {
        for (const Entry& entry : entries)
            temporaries.push_back(DurableFile::writeTemporary(entry.gamePath, entry.bytes));
        DurableFile::writeInPlace(Path, encode(entries));
        DurableFile::syncFolder(Path);
    } catch (const FileError&) {
        dropTemporaries();
        DurableFile::removeQuietly(TextFile::hostPath(Path));
        throw;
    }
    // The journal is on the disk: from here on the registration stands.
    try {
        for (std::size_t i = 0; i < entries.size(); ++i)
            DurableFile::rename(temporaries[i], entries[i].gamePath);
        DurableFile::syncFolder(Path);
        DurableFile::remove(Path);
    } catch (const FileError&) {
        dropTemporaries();
        // Leave the two files agreeing now rather than at the next reading, if the disk lets us;
        // the player is told of the failure either way.
        try {
            complete();
        } catch (const FileError&) {
        }
        throw;
    }
}

TableJournal::Outcome TableJournal::complete() {
    const PlayerFile::Contents contents = PlayerFile::read(Path, MaxJournalSize);
    if (contents.status == PlayerFile::Status::Missing)
        return Outcome::NoJournal;
    if (!contents.opened())
        throw FileError(
            QStringLiteral("ファイル「%1」を開けません（%2）。").arg(Path, contents.reason));
    const QByteArray& bytes = contents.bytes;
    const auto entries = decode(bytes);
    if (!entries) {
        // Cut short before it was complete: the registration never happened. A journal that
        // cannot be removed is harmless, as the next reader discards it again.
        try {
            DurableFile::remove(Path);
            DurableFile::syncFolder(Path);
        } catch (const FileError&) {
        }
        return Outcome::Discarded;
    }
    for (const Entry& entry : *entries) {
        const QString temporary = DurableFile::writeTemporary(entry.gamePath, entry.bytes);
        try {
            DurableFile::rename(temporary, entry.gamePath);
        } catch (const FileError&) {
            DurableFile::removeQuietly(temporary);
            throw;
        }
    }
    DurableFile::syncFolder(Path);
    DurableFile::remove(Path);
    return Outcome::Completed;
}

void TableJournal::tidyAtStart() {
    DurableFile::removeOrphans(QStringLiteral("system"),
                               {QStringLiteral("Hiscore.aty"), QStringLiteral("Hiscorep.aty"),
                                QStringLiteral("char.aty")});
    complete();
}
