#include "core/TextFile.h"

#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/PlayerFile.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <new>

namespace {

[[noreturn]] void tooLong(const QString& gamePath, qsizetype lineNo, const QString& why) {
    throw FileError(QStringLiteral("ファイル「%1」の%2行目が長すぎます（%3）。")
                        .arg(gamePath)
                        .arg(lineNo)
                        .arg(why));
}

} // namespace

QString TextFile::hostPath(const QString& gamePath) {
    QString path = gamePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QString TextFile::playerPath(const QString& gamePath) {
    return QDir::cleanPath(QDir::current().absoluteFilePath(hostPath(gamePath)));
}

QStringList TextFile::readLines(const QString& gamePath) {
    return readLines(gamePath, Limits{});
}

QStringList TextFile::linesOf(const QByteArray& bytes, const QString& gamePath) {
    return linesOf(bytes, gamePath, Limits{});
}

QStringList TextFile::readLines(const QString& filePath, Limits limits) {
    return read(filePath, limits).lines;
}

TextFile::Lines TextFile::read(const QString& filePath) {
    return read(filePath, Limits{});
}

TextFile::Lines TextFile::read(const QString& filePath, Limits limits) {
    const QString gamePath = limits.namePlayerPath ? playerPath(filePath) : filePath;
    const PlayerFile::Contents contents = PlayerFile::read(filePath, limits.maxBytes);
    if (contents.status == PlayerFile::Status::Missing)
        throw FileError(QStringLiteral("ファイル「%1」が見つかりません。").arg(gamePath));
    if (!contents.opened())
        throw FileError(
            QStringLiteral("ファイル「%1」を開けません（%2）。").arg(gamePath, contents.reason));
    try {
        Lines out;
        out.lines = linesOf(contents.bytes, filePath, limits);
        out.cleanlyDecoded = decodesCleanly(contents.bytes);
        return out;
    } catch (const std::bad_alloc&) {
        throw FileError(
            QStringLiteral("ファイル「%1」を読み込めません（メモリが足りません）。").arg(gamePath));
    }
}

QStringList TextFile::linesOf(const QByteArray& bytes, const QString& filePath, Limits limits) {
    const QString gamePath = limits.namePlayerPath ? playerPath(filePath) : filePath;
    if (bytes.size() > limits.maxBytes) {
        // The line that runs past the limit: neither CP932 nor UTF-8 has a CR or LF inside a
        // character.
        const QByteArrayView head = QByteArrayView(bytes).first(limits.maxBytes);
        qsizetype lineNo = head.count('\r') + 1;
        if (limits.lfEndsLine)
            lineNo += head.count('\n') - head.count("\r\n");
        tooLong(gamePath, lineNo,
                QStringLiteral("ファイルは%1 MiBまで").arg(limits.maxBytes / (1024 * 1024)));
    }
    QStringList lines = splitLines(decode(bytes));
    if (limits.lfEndsLine) {
        QStringList split;
        for (const QString& line : lines)
            split += line.split(QLatin1Char('\n'));
        lines = std::move(split);
    }
    for (qsizetype i = 0; i < lines.size(); ++i)
        if (lines.at(i).size() > MaxLineChars && characterCount(lines.at(i)) > MaxLineChars)
            tooLong(gamePath, i + 1, QStringLiteral("1行は%1文字まで").arg(MaxLineChars));
    return lines;
}

namespace {

// ICU's CP932 reads these three control bytes as one another (0x1A as U+001C, 0x1C as U+007F,
// 0x7F as U+001A); Windows reads each as itself. None of them is ever part of a two-byte
// character, so they can be taken as they are.
bool isSwappedControl(char byte) {
    return byte == '\x1A' || byte == '\x1C' || byte == '\x7F';
}

// The text of bytes that are not UTF-8, and whether they were clean Shift-JIS.
QString decodeLegacy(const QByteArray& bytes, bool* clean) {
    // Stateless: a lead byte cut off by the end of the file (or by one of the control bytes) is
    // an error, not a character silently held back and lost.
    QStringDecoder cp932("CP932", QStringDecoder::Flag::Stateless);
    if (!cp932.isValid()) {
        if (clean)
            *clean = false;
        return QString::fromLatin1(bytes);
    }
    QString text;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && !isSwappedControl(bytes.at(i)))
            continue;
        text += cp932.decode(QByteArrayView(bytes).sliced(start, i - start));
        if (i < bytes.size())
            text += QChar(static_cast<char16_t>(bytes.at(i)));
        start = i + 1;
    }
    if (clean) {
        // The converter may stand U+001A or U+FFFD in for a byte it cannot map instead of
        // reporting it; either one that the bytes did not hold means a byte was lost.
        const bool substituted = (text.contains(QChar(0x1A)) && !bytes.contains('\x1A')) ||
                                 text.contains(QChar(QChar::ReplacementCharacter));
        *clean = !cp932.hasError() && !substituted;
    }
    return text;
}

} // namespace

QString TextFile::decode(const QByteArray& bytes) {
    // The decoder is told to keep a mark, so the one skipped here is the only one skipped: a
    // name that begins with U+FEFF keeps it.
    const bool marked = bytes.startsWith("\xEF\xBB\xBF");
    const QByteArrayView body = marked ? QByteArrayView(bytes).sliced(3) : QByteArrayView(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(body);
    if (!utf8.hasError())
        return text;
    // Not UTF-8: a table written by the Windows version, in Shift-JIS.
    return decodeLegacy(bytes, nullptr);
}

bool TextFile::decodesCleanly(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString whole = utf8.decode(bytes); // decoding happens only on conversion
    if (!utf8.hasError())
        return true;
    // A line of UTF-8 beside lines that are not: most UTF-8 Japanese also reads as Shift-JIS
    // without an error, so only the lines can tell a file that mixes the two.
    qsizetype start = 0;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        if (i < bytes.size() && bytes.at(i) != '\r' && bytes.at(i) != '\n')
            continue;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, i - start);
        start = i + 1;
        bool ascii = true;
        for (const char c : line)
            ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        if (ascii)
            continue;
        QStringDecoder lineUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString text = lineUtf8.decode(line);
        if (!lineUtf8.hasError())
            return false;
    }
    bool clean = false;
    decodeLegacy(bytes, &clean);
    return clean;
}

QStringList TextFile::splitLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    bool pending = false; // characters (or an empty line) read since the last line end
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('\r')) {
            lines.append(text.sliced(start, i - start));
            pending = false;
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        } else {
            pending = true;
        }
    }
    if (pending)
        lines.append(text.sliced(start));
    return lines;
}

qsizetype TextFile::characterCount(QStringView text) {
    qsizetype count = text.size();
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text.at(i).isHighSurrogate() && text.at(i + 1).isLowSurrogate()) {
            --count;
            ++i;
        }
    return count;
}

QString TextFile::shortened(const QString& line, qsizetype limit) {
    if (characterCount(line) <= limit)
        return line;
    qsizetype units = 0;
    for (qsizetype kept = 0; kept < limit && units < line.size(); ++kept) {
        const bool pair = line.at(units).isHighSurrogate() && units + 1 < line.size() &&
                          line.at(units + 1).isLowSurrogate();
        units += pair ? 2 : 1;
    }
    return line.first(units) + QChar(0x2026);
}

void TextFile::write(const QString& gamePath, const QString& text) {
    DurableFile::replace(gamePath, DurableFile::encode(text + QStringLiteral("\r\n")));
}
