#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The game's text files: lines end at CR or CR LF (an LF alone is part of the line), read as
// UTF-8 when the bytes are valid UTF-8 and as CP932 otherwise, written as UTF-8 in one piece.
// Paths are the game's own ("system\char.aty"), relative to the working directory.
//
// Reading is bounded: a file over 1 MiB or a line over 4,096 characters is an error, found
// without reading the rest, so one huge line can neither freeze a screen nor fill the memory.
class TextFile {
public:
    static constexpr qsizetype MaxFileBytes = 1024 * 1024;
    static constexpr qsizetype MaxLineChars = 4096;
    // No message quotes more of a bad line than this.
    static constexpr qsizetype MaxQuotedChars = 80;

    // "system\char.aty" -> "system/char.aty".
    static QString hostPath(const QString& gamePath);

    // How much of a file a reader takes. The original files keep the defaults; a file of our
    // own (a phrase pack) may be larger and may end its lines with LF as well.
    struct Limits {
        qsizetype maxBytes = MaxFileBytes;
        bool lfEndsLine = false;
    };

    // All lines of a file; throws FileError when it cannot be opened or read, or is too long.
    static QStringList readLines(const QString& gamePath);
    static QStringList readLines(const QString& gamePath, Limits limits);
    // The lines, and whether the bytes were clean UTF-8 or clean Shift-JIS: a file that mixes the
    // two, or holds bytes neither can read, must not be written back in one of them.
    struct Lines {
        QStringList lines;
        bool cleanlyDecoded = true;
    };
    static Lines read(const QString& gamePath);
    static Lines read(const QString& gamePath, Limits limits);
    // The same for bytes already read; gamePath only names the file in the message.
    static QStringList linesOf(const QByteArray& bytes, const QString& gamePath);
    static QStringList linesOf(const QByteArray& bytes, const QString& gamePath, Limits limits);

    // A start mark (U+FEFF) is skipped once, and only at the very start.
    static QString decode(const QByteArray& bytes);
    // Whether decode() loses nothing: valid UTF-8, or Shift-JIS without an unmappable byte and
    // without a line that is UTF-8 (beyond ASCII) on its own.
    static bool decodesCleanly(const QByteArray& bytes);
    static QStringList splitLines(const QString& text);

    // Characters as a reader counts them: a character outside the BMP is one, not two.
    static qsizetype characterCount(QStringView text);
    // The line cut to at most `limit` characters, "…" marking the cut.
    static QString shortened(const QString& line, qsizetype limit = MaxQuotedChars);

    // Replaces the file with text followed by CR LF, durably and atomically; throws FileError.
    static void write(const QString& gamePath, const QString& text);
};
