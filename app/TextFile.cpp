#include "app/TextFile.h"

#include "app/FileError.h"

#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

#include <memory>

QString TextFile::hostPath(const QString& gamePath) {
    QString path = gamePath;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return path;
}

QStringList TextFile::readLines(const QString& gamePath) {
    QFile file(hostPath(gamePath));
    if (!file.exists())
        throw FileError(QStringLiteral("ファイル「%1」が見つかりません。").arg(gamePath));
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(
            QStringLiteral("ファイル「%1」を開けません（%2）。").arg(gamePath, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(QStringLiteral("ファイル「%1」を読み込めません（%2）。")
                            .arg(gamePath, file.errorString()));
    return splitLines(decode(bytes));
}

QString TextFile::decode(const QByteArray& bytes) {
    QByteArray body = bytes;
    if (body.startsWith("\xEF\xBB\xBF"))
        body.remove(0, 3);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
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
    QString current;
    bool pending = false; // characters (or an empty line) read since the last line end
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            lines.append(current);
            current.clear();
            pending = false;
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
        } else {
            current.append(c);
            pending = true;
        }
    }
    if (pending)
        lines.append(current);
    return lines;
}

void TextFile::write(const QString& gamePath, const QString& text) {
    writeAll({{gamePath, text}});
}

void TextFile::writeAll(const std::vector<std::pair<QString, QString>>& files) {
    std::vector<std::unique_ptr<QSaveFile>> prepared;
    for (const auto& [gamePath, text] : files) {
        auto file = std::make_unique<QSaveFile>(hostPath(gamePath));
        const QByteArray bytes = (text + QStringLiteral("\r\n")).toUtf8();
        // QSaveFile buffers what it is given and writes it out only in commit(), which would
        // let a full disk show up after an earlier file was already replaced (and Qt 6.4 even
        // commits the short file). Flushing here makes every write error surface before any
        // file changes.
        if (!file->open(QIODevice::WriteOnly) || file->write(bytes) != bytes.size() ||
            !file->flush()) {
            const QString why = file->errorString();
            for (auto& f : prepared)
                f->cancelWriting();
            file->cancelWriting();
            throw FileError(
                QStringLiteral("ファイル「%1」に書き込めません（%2）。").arg(gamePath, why));
        }
        prepared.push_back(std::move(file));
    }
    for (std::size_t i = 0; i < prepared.size(); ++i) {
        if (!prepared[i]->commit())
            throw FileError(QStringLiteral("ファイル「%1」を保存できません（%2）。")
                                .arg(files[i].first, prepared[i]->errorString()));
    }
}
