#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Saves files so that a crash, a full disk or a failing disk never leaves one half written: the
// new content goes into a temporary file beside the old one ("Hiscore.aty.Ab3xY9"), is synced
// to the disk, and only then renamed over it; the folder is synced after. The result of every
// write, sync, close, rename and removal is checked, and any failure is a FileError with the
// message the player sees for every write error. Paths are the game's own ("system\x.aty").
class DurableFile {
public:
    // A text file's bytes as the game writes them: UTF-8. A text that itself begins with U+FEFF
    // gets a start mark in front, so that the reader, which skips one mark, keeps that character.
    static QByteArray encode(const QString& text);

    // Replaces one file: temporary file, sync, rename, folder sync.
    static void replace(const QString& gamePath, const QByteArray& bytes);

    // The steps, for saves that span several files. A failed step leaves nothing of its own.
    // Returns the temporary file's host path.
    static QString writeTemporary(const QString& gamePath, const QByteArray& bytes);
    // Writes the file itself (created or emptied first), synced and closed.
    static void writeInPlace(const QString& gamePath, const QByteArray& bytes);
    static void rename(const QString& fromHostPath, const QString& gamePath);
    static void syncFolder(const QString& gamePath);
    // A file that is already gone counts as removed.
    static void remove(const QString& gamePath);
    // Best effort, for cleaning up after a failure that is already being reported.
    static void removeQuietly(const QString& hostPath);

    // Whether a file name is one of our temporary files for fileName: fileName, a dot, and six
    // letters or digits.
    static bool isTemporaryOf(const QString& candidate, const QString& fileName);
    // Removes such leftovers of an interrupted save from the folder.
    static void removeOrphans(const QString& gameFolder, const QStringList& fileNames);

    static QString writeErrorMessage(const QString& gamePath, int error);
};
