#include "core/TextFile.h"

#include "core/DurableFile.h"
#include "core/FileError.h"

#include <QDir>
#include <QFile>
#include <QStringDecoder>

#include <algorithm>

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
    QFile file(hostPath(filePath));
    const QString gamePath = limits.namePlayerPath ? playerPath(filePath) : filePath;
    if (!file.exists())
        throw FileError(QStringLiteral("ファイル「%1」が見つかりません。").arg(gamePath));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(
            QStringLiteral("ファイル「%1」を開けません（%2）。").arg(gamePath, file.errorString()));
    // One byte past the limit tells a file that is too big without reading the rest of it.
    const QByteArray bytes = file.read(limits.maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("ファイル「%1」を読み込めません（%2）。")
                            .arg(gamePath, file.errorString()));
    return linesOf(bytes, filePath, limits);
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
    QStringDecoder cp932("CP932");
    if (cp932.isValid())
        return cp932.decode(bytes);
    return QString::fromLatin1(bytes);
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
