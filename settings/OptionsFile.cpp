#include "settings/OptionsFile.h"

#include "app/FileError.h"
#include "app/TextFile.h"

#include <QFileInfo>
#include <QSettings>

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
    if (QFileInfo(path).size() > MaxBytes)
        throw FileError(QStringLiteral("ファイル「%1」が大きすぎるため書き込めません。").arg(Path));
    // QSettings keeps whatever else the file holds and replaces it through a temporary file,
    // so a failed write leaves the old file as it was.
    QSettings file(path, QSettings::IniFormat);
    file.setAtomicSyncRequired(true);
    file.setValue(AcceptBothSpellingsKey, onOff(options.acceptBothSpellings));
    file.sync();
    if (file.status() != QSettings::NoError)
        throw FileError(QStringLiteral("ファイル「%1」に書き込めません。").arg(Path));
}
