#include "core/FileError.h"
#include "phrases/PhrasePack.h"
#include "scores/HighScoreTable.h"
#include "scores/TableJournal.h"
#include "settings/OptionsFile.h"
#include "settings/SettingsFile.h"
#include "sound/SdlMedia.h"
#include "stats/HistoryFile.h"
#include "tests/support/ChildRun.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cstring>
#include <functional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace {

enum class Kind { Fifo, Zero, Urandom, Folder, Socket, Dangling, Loop, Unreadable };

struct KindCase {
    Kind kind;
    const char* name;
    QString reason; // what every reader that reports must say
};

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Puts something that is not a readable file where the game looks for `relative`.
void plant(const TempWorkDir& dir, const QString& relative, Kind kind) {
    const QByteArray path = QFile::encodeName(dir.path(relative));
    ::unlink(path.constData());
    switch (kind) {
    case Kind::Fifo:
        ASSERT_EQ(::mkfifo(path.constData(), 0666), 0);
        break;
    case Kind::Zero:
        ASSERT_EQ(::symlink("/dev/zero", path.constData()), 0);
        break;
    case Kind::Urandom:
        ASSERT_EQ(::symlink("/dev/urandom", path.constData()), 0);
        break;
    case Kind::Folder:
        ASSERT_TRUE(QDir().mkdir(dir.path(relative)));
        break;
    case Kind::Socket: {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        ASSERT_LT(path.size(), qsizetype(sizeof address.sun_path));
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
        break;
    }
    case Kind::Dangling:
        ASSERT_EQ(::symlink("gone/nowhere.txt", path.constData()), 0);
        break;
    case Kind::Loop:
        ASSERT_EQ(::symlink(path.constData(), path.constData()), 0);
        break;
    case Kind::Unreadable:
        dir.writeBytes(relative, "1\r\n");
        ASSERT_EQ(::chmod(path.constData(), 0), 0);
        break;
    }
}

// Every entry of system/ and music/: its kind, its link target or its content.
QStringList snapshot(const TempWorkDir& dir) {
    QStringList out;
    for (const QString& folder : {QStringLiteral("system"), QStringLiteral("music")}) {
        const QDir d(dir.path(folder));
        for (const QFileInfo& info :
             d.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                             QDir::Name)) {
            struct stat st {};
            ::lstat(QFile::encodeName(info.filePath()).constData(), &st);
            QString entry = folder + '/' + info.fileName() + ' ' + QString::number(st.st_mode, 8);
            if (info.isSymLink())
                entry += " -> " + info.symLinkTarget();
            else if (S_ISREG(st.st_mode))
                entry += ' ' +
                         QString::fromLatin1(
                             QCryptographicHash::hash(dir.readBytes(folder + '/' + info.fileName()),
                                                      QCryptographicHash::Sha1)
                                 .toHex());
            out << entry;
        }
    }
    return out;
}

QString messageOf(const std::function<void()>& read) {
    try {
        read();
    } catch (const FileError& e) {
        return e.message();
    }
    return QString();
}

HistoryRecord aRound() {
    HistoryRecord r;
    r.time = QStringLiteral("2026-12-07T20:15:00+09:00");
    r.score = 100;
    r.level = 1;
    return r;
}

struct Reader {
    const char* file; // under the working folder
    // The reader's message (empty: it carries on without one, as for a missing file).
    std::function<QString()> read;
    bool reports; // false: it works around the file silently (options off, no sound)
};

} // namespace

// A FIFO, a device, a folder, a socket, a broken or looping link or an unreadable file in place
// of each file the game reads: every reader ends, in its own message (or, for the options and the
// sounds, silently off), and leaves every file as it was. Each case runs in a child process that
// a hang guard kills, and as "nobody" under root so that an unreadable file is one. Catches an
// open() that waits for a FIFO's writer, a size check that trusts a device's size 0 and reads
// /dev/zero until memory runs out, an append that creates a broken link's target, and a reader
// that lets an exception other than its FileError through.
TEST(FileKinds, everyReaderEndsInItsMessageForEveryFileThatIsNotAFile) {
    const KindCase kinds[] = {
        {Kind::Fifo, "FIFO", QStringLiteral("通常のファイルではありません")},
        {Kind::Zero, "/dev/zero", QStringLiteral("通常のファイルではありません")},
        {Kind::Urandom, "/dev/urandom", QStringLiteral("通常のファイルではありません")},
        {Kind::Folder, "folder", QStringLiteral("通常のファイルではありません")},
        {Kind::Socket, "socket", QStringLiteral("通常のファイルではありません")},
        {Kind::Dangling, "dangling link", QStringLiteral("リンク先がありません")},
        {Kind::Loop, "link loop", systemReason(ELOOP)},
        {Kind::Unreadable, "unreadable", systemReason(EACCES)},
    };
    const Reader readers[] = {
        {"system/char.aty", [] { return messageOf([] { SettingsFile::readLines(); }); }, true},
        {"system/Hiscore.aty",
         [] { return messageOf([] { HighScoreTable::readLines(HighScoreTable::ScorePath); }); },
         true},
        {"system/Hiscorep.aty", [] { return messageOf([] { HighScoreTable::load(); }); }, true},
        {"system/Hiscorep.aty",
         [] { return messageOf([] { HighScoreTable::registerEntry(999999, "x"); }); }, true},
        {"system/Hiscore.journal", [] { return messageOf([] { TableJournal::complete(); }); },
         true},
        {"system/phrases.txt",
         [] {
             RecordingErrors errors;
             const bool none = PhrasePack::loadForRound(errors) == nullptr;
             return none ? errors.warnings.join('|') : QStringLiteral("a pack was loaded");
         },
         true},
        {"system/history.csv", [] { return HistoryFile::load().error; }, true},
        {"system/history.csv", [] { return HistoryFile::append(aRound()); }, true},
        {"system/options.ini",
         [] {
             const GameOptions o = OptionsFile::load();
             return o.judging == GameOptions::Judging::Exact && !o.weakKeys
                        ? QString()
                        : QStringLiteral("an option came on");
         },
         false},
        {"system/options.ini",
         [] {
             GameOptions on;
             on.weakKeys = true;
             return messageOf([&] { OptionsFile::save(on); });
         },
         true},
        {"music/ok.wav",
         [] {
             return SdlMedia::looksPlayable("music/ok.wav") ? QStringLiteral("it looked playable")
                                                            : QString();
         },
         false},
    };
    for (const Reader& reader : readers) {
        for (const KindCase& kind : kinds) {
            const QString where = QStringLiteral("%1 as %2").arg(reader.file, kind.name);
            TempWorkDir dir;
            dir.writeBytes(QStringLiteral("system/phrases.txt"), "文\tぶん\n");
            plant(dir, reader.file, kind.kind);
            ChildRun::handOver(dir.path(QString()));
            const QStringList before = snapshot(dir);
            const ChildRun::Result result = ChildRun::run(reader.read, true);
            ASSERT_TRUE(result.finished) << qPrintable(where) << ": hung";
            ASSERT_FALSE(result.crashed) << qPrintable(where) << ": " << qPrintable(result.output);
            if (reader.reports) {
                EXPECT_TRUE(result.output.contains(kind.reason))
                    << qPrintable(where) << ": " << qPrintable(result.output);
                // The message names the file, in the game's own spelling of its path.
                const QString file = QString::fromLatin1(reader.file).section('/', 1);
                if (!QString::fromLatin1(reader.file).contains("history")) {
                    EXPECT_TRUE(result.output.contains(file)) << qPrintable(result.output);
                }
            } else {
                EXPECT_EQ(result.output, QString()) << qPrintable(where);
            }
            EXPECT_EQ(snapshot(dir), before) << qPrintable(where);
        }
    }
}
