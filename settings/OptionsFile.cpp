#include "settings/OptionsFile.h"

#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/PlayerFile.h"
#include "core/TextFile.h"
#include "settings/IniText.h"

#include <QDir>
#include <QFile>

namespace {

// A file this large is not one the game wrote; reading it would only cost time and memory.
constexpr qsizetype MaxBytes = 1 << 20;

QString onOff(bool on) {
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

const char* const JudgingNames[] = {"exact", "both", "ime", "custom"};

GameOptions::Judging judgingOf(const IniText& file) {
    const QString name = file.value(OptionsFile::JudgingKey);
    if (name.isEmpty())
        return file.value(OptionsFile::AcceptBothSpellingsKey) == QLatin1String("true")
                   ? GameOptions::Judging::Both
                   : GameOptions::Judging::Exact;
    for (int i = 0; i < 4; ++i)
        if (name == QLatin1String(JudgingNames[i]))
            return GameOptions::Judging(i);
    return GameOptions::Judging::Exact;
}

// 1, 1.5 or 2 as written (any factor from 1 to 4 is taken), "fit" for the largest that fits.
double scaleOf(const IniText& file) {
    const QString text = file.value(OptionsFile::ScaleKey);
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
    const PlayerFile::Contents contents = PlayerFile::read(Path, MaxBytes);
    if (!contents.opened() || contents.tooLarge(MaxBytes))
        return options;
    const std::optional<IniText> file = IniText::parse(contents.bytes);
    if (!file)
        return options;
    options.judging = judgingOf(*file);
    options.input = file->value(InputKey) == QLatin1String("kana") ? GameOptions::Input::Kana
                                                                   : GameOptions::Input::Romaji;
    options.weakKeys = file->value(WeakKeysKey) == QLatin1String("true");
    options.scale = scaleOf(*file);
    return options;
}

void OptionsFile::save(const GameOptions& options) {
    const auto fail = [](const QString& why) {
        return FileError(QStringLiteral("ファイル「%1」に書き込めません（%2）。").arg(Path, why));
    };
    const PlayerFile::Contents contents = PlayerFile::read(Path, MaxBytes);
    if (contents.status == PlayerFile::Status::Failed)
        throw fail(contents.reason);
    if (contents.tooLarge(MaxBytes))
        throw fail(QStringLiteral("大きすぎます"));
    // Every line the game does not own stays as it is, comments and a start mark included: the
    // mark is kept when the file has one, so an editor that wrote it sees its own file back.
    std::optional<IniText> file = IniText::parse(contents.bytes);
    if (!file)
        throw fail(QStringLiteral("形式が正しくありません"));
    // The judging key replaces the older one, which would otherwise be read again.
    file->remove(AcceptBothSpellingsKey);
    // In the order of sections and keys a fresh file has always had.
    file->setValue(ScaleKey, scaleName(options.scale));
    file->setValue(WeakKeysKey, onOff(options.weakKeys));
    file->setValue(InputKey, options.input == GameOptions::Input::Kana ? QStringLiteral("kana")
                                                                       : QStringLiteral("romaji"));
    file->setValue(JudgingKey, QLatin1String(JudgingNames[int(options.judging)]));
    // Temporary file, sync, rename: a kill at any step leaves the old file or the new one, and
    // the temporary file is one the start-up tidy knows.
    DurableFile::replace(Path, file->bytes());
}

int OptionsFile::removeLeftovers() {
    // Ours (options.ini.XXXXXX), and those of the saves before ours, made through a copy and
    // QSettings: the copy, its lock (copy.lock) and its own temporary file (copy.YYYYYY).
    const QString name = QStringLiteral("options.ini");
    const auto isCopy = [&](const QString& entry) {
        return DurableFile::isTemporaryOf(entry, name);
    };
    const QDir folder(TextFile::hostPath(QStringLiteral("system")));
    int removed = 0;
    for (const QString& entry : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        const qsizetype copyLength = name.size() + 7;
        const bool leftover =
            isCopy(entry) || (entry.endsWith(QLatin1String(".lock")) && isCopy(entry.chopped(5))) ||
            (entry.size() == copyLength + 7 && isCopy(entry.left(copyLength)) &&
             DurableFile::isTemporaryOf(entry, entry.left(copyLength)));
        if (leftover && QFile::remove(folder.filePath(entry)))
            ++removed;
    }
    return removed;
}
