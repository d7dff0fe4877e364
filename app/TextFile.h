#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

// The game's text files: lines end at CR or CR LF (an LF alone is part of the line), read as
// UTF-8 when the bytes are valid UTF-8 and as CP932 otherwise, written as UTF-8 in one piece.
// Paths are the game's own ("system\char.aty"), relative to the working directory.
class TextFile {
public:
    // "system\char.aty" -> "system/char.aty".
    static QString hostPath(const QString& gamePath);

    // All lines of a file; throws FileError when it cannot be opened or read.
    static QStringList readLines(const QString& gamePath);

    static QString decode(const QByteArray& bytes);
    static QStringList splitLines(const QString& text);

    // Replaces the file with text followed by CR LF, atomically; throws FileError.
    static void write(const QString& gamePath, const QString& text);

    // Replaces several files: every new content is written out first, and only when all of
    // them are ready are the files replaced, back to back. If preparing any fails, none changes.
    static void writeAll(const std::vector<std::pair<QString, QString>>& files);
};
