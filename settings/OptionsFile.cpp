#include "settings/OptionsFile.h"

#include "core/FileError.h"
#include "core/TextFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// A file this large is not one the game wrote; reading it would only cost time and memory.
constexpr qint64 MaxBytes = 1 << 20;

QString onOff(bool on) {
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

} // namespace

GameOptions OptionsFile::load() {
    GameOptions options;
    const QFileInfo info(TextFile::hostPath(Path));
    if (!info.isFile() || !info.isReadable() || info.size() > MaxBytes)
        return options;
    QSettings file(info.filePath(), QSettings::IniFormat);
    if (file.status() != QSettings::NoError)
        return options;
    options.acceptBothSpellings =
        file.value(AcceptBothSpellingsKey).toString() == QLatin1String("true");
    return options;
}

void OptionsFile::save(const GameOptions& options) {
    const QString path = TextFile::hostPath(Path);
    const QFileInfo info(path);
    const auto fail = [](const QString& why) {
        return FileError(QStringLiteral("ファイル「%1」に書き込めません（%2）。").arg(Path, why));
    };
    if (info.size() > MaxBytes)
        throw fail(QStringLiteral("大きすぎます"));

    // The new content is made in a copy beside the file, by QSettings so that the file's
    // other keys stay, and only a copy that was written without error replaces the file.
    QTemporaryFile copy(info.absolutePath() + QStringLiteral("/options.ini.XXXXXX"));
    copy.setAutoRemove(false);
    if (!copy.open())
        throw fail(copy.errorString());
    const QString copyPath = copy.fileName();
    const auto discard = [&](const QString& why) {
        QFile::remove(copyPath);
        return fail(why);
    };
    if (info.isFile()) {
        QFile old(path);
        if (!old.open(QIODevice::ReadOnly))
            throw discard(old.errorString());
        if (copy.write(old.readAll()) != info.size() || !copy.flush())
            throw discard(copy.errorString());
    }
    copy.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    copy.close();
    {
        QSettings file(copyPath, QSettings::IniFormat);
        file.setValue(AcceptBothSpellingsKey, onOff(options.acceptBothSpellings));
        file.sync();
        if (file.status() != QSettings::NoError)
            throw discard(file.status() == QSettings::FormatError
                              ? QStringLiteral("形式が正しくありません")
                              : QStringLiteral("書き込みに失敗しました"));
    }
    if (std::rename(QFile::encodeName(copyPath).constData(), QFile::encodeName(path).constData()))
        throw discard(QString::fromLocal8Bit(std::strerror(errno)));
}
