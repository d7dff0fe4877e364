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

const char* const JudgingNames[] = {"exact", "both", "ime", "custom"};

GameOptions::Judging judgingOf(const QSettings& file) {
    const QString name = file.value(OptionsFile::JudgingKey).toString().trimmed();
    if (name.isEmpty())
        return file.value(OptionsFile::AcceptBothSpellingsKey).toString() == QLatin1String("true")
                   ? GameOptions::Judging::Both
                   : GameOptions::Judging::Exact;
    for (int i = 0; i < 4; ++i)
        if (name == QLatin1String(JudgingNames[i]))
            return GameOptions::Judging(i);
    return GameOptions::Judging::Exact;
}

// 1, 1.5 or 2 as written (any factor from 1 to 4 is taken), "fit" for the largest that fits.
double scaleOf(const QSettings& file) {
    const QString text = file.value(OptionsFile::ScaleKey).toString().trimmed();
    if (text == QLatin1String("fit"))
        return 0;
    bool ok = false;
    const double factor = text.toDouble(&ok);
    return ok && factor >= 1 && factor <= 4 ? factor : 1.0;
}

QString scaleName(double scale) {
    return scale == 0 ? QStringLiteral("fit") : QString::number(scale);
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
    options.judging = judgingOf(file);
    options.input = file.value(InputKey).toString().trimmed() == QLatin1String("kana")
                        ? GameOptions::Input::Kana
                        : GameOptions::Input::Romaji;
    options.weakKeys = file.value(WeakKeysKey).toString().trimmed() == QLatin1String("true");
    options.scale = scaleOf(file);
    return options;
}

void OptionsFile::save(const GameOptions& options) {
    const QString path = TextFile::hostPath(Path);
    const QFileInfo info(path);
    const auto fail = [](const QString& why) {
        return FileError(QStringLiteral("ファイル「%1」に書き込めません（%2）。")
                             .arg(TextFile::playerPath(Path), why));
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
        // The judging key replaces the older one, which would otherwise be read again.
        file.remove(AcceptBothSpellingsKey);
        file.setValue(JudgingKey, QLatin1String(JudgingNames[int(options.judging)]));
        file.setValue(InputKey, options.input == GameOptions::Input::Kana
                                    ? QStringLiteral("kana")
                                    : QStringLiteral("romaji"));
        file.setValue(WeakKeysKey, onOff(options.weakKeys));
        file.setValue(ScaleKey, scaleName(options.scale));
        file.sync();
        if (file.status() != QSettings::NoError)
            throw discard(file.status() == QSettings::FormatError
                              ? QStringLiteral("形式が正しくありません")
                              : QStringLiteral("書き込みに失敗しました"));
    }
    if (std::rename(QFile::encodeName(copyPath).constData(), QFile::encodeName(path).constData()))
        throw discard(QString::fromLocal8Bit(std::strerror(errno)));
}
