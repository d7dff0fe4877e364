#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/FileSystem.h"
#include "scores/HighScoreTable.h"
#include "scores/TableJournal.h"
#include "tests/support/ChildRun.h"
#include "tests/support/TempWorkDir.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray OldScores = "900\r\n800\r\n700\r\n600\r\n500\r\n\r\n";
const QByteArray OldNames = "A\r\nB\r\nC\r\nD\r\nE\r\n\r\n";
const QByteArray NewScores = "900\r\n800\r\n750\r\n700\r\n600\r\n\r\n";
const QByteArray NewNames = "A\r\nB\r\n新\r\nC\r\nD\r\n\r\n";

// Passes every call on to the real one, numbering them; fails call number `failAt` with EIO.
class FailingFileSystem : public FileSystem {
public:
    explicit FailingFileSystem(int failAt) : m_failAt(failAt) { install(this); }
    ~FailingFileSystem() override { install(nullptr); }

    int open(const char* path, int flags, mode_t mode) override {
        return fails("open") ? -1 : FileSystem::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, size_t size) override {
        return fails("write") ? -1 : FileSystem::write(fd, data, size);
    }
    int fsync(int fd) override { return fails("fsync") ? -1 : FileSystem::fsync(fd); }
    int close(int fd) override {
        // A failing close still releases the descriptor, as on Linux.
        const bool failing = fails("close");
        const int result = FileSystem::close(fd);
        return failing ? -1 : result;
    }
    int rename(const char* from, const char* to) override {
        return fails("rename") ? -1 : FileSystem::rename(from, to);
    }
    int unlink(const char* path) override {
        return fails("unlink") ? -1 : FileSystem::unlink(path);
    }

    QStringList calls;

private:
    bool fails(const char* call) {
        calls << QString::fromLatin1(call);
        if (calls.size() - 1 != m_failAt)
            return false;
        errno = EIO;
        return true;
    }
    int m_failAt;
};

enum class TableState { Old, New, Mixed };

TableState stateOf(const TempWorkDir& dir) {
    const QByteArray scores = dir.readBytes("system/Hiscore.aty");
    const QByteArray names = dir.readBytes("system/Hiscorep.aty");
    if (scores == OldScores && names == OldNames)
        return TableState::Old;
    if (scores == NewScores && names == NewNames)
        return TableState::New;
    return TableState::Mixed;
}

QStringList systemFiles(const TempWorkDir& dir) {
    return QDir(dir.path("system")).entryList(QDir::Files, QDir::Name);
}

const QStringList TableFolder = {"Hiscore.aty", "Hiscorep.aty", "char.aty"};

} // namespace

// Fails each system call of a registration in turn (write, sync, close, rename, removal, the
// folder's sync): the player must be told every time, and the two files must be both old or
// both new right away and after the next start, with no journal or temporary file left over.
// A failure before the journal is safely on the disk must leave both old (a sync error that
// was swallowed, or a rename done before the journal, shows up here as "new" or "mixed").
TEST(TableSave, aFailureAtAnyStepOfARegistrationLeavesBothFilesOldOrBothNew) {
    int callCount = 0;
    int commitCall = -1;
    {
        TempWorkDir dir;
        dir.writeBytes("system/Hiscore.aty", OldScores);
        dir.writeBytes("system/Hiscorep.aty", OldNames);
        FailingFileSystem counting(-1);
        ASSERT_EQ(HighScoreTable::registerEntry(750, QStringLiteral("新")), 3);
        ASSERT_EQ(stateOf(dir), TableState::New);
        callCount = static_cast<int>(counting.calls.size());
        // The journal counts once the folder holding it is synced: the first rename follows.
        commitCall = static_cast<int>(counting.calls.indexOf(QStringLiteral("rename")));
    }
    ASSERT_GE(callCount, 20);
    ASSERT_GT(commitCall, 0);

    int old = 0;
    int renewed = 0;
    for (int failAt = 0; failAt < callCount; ++failAt) {
        SCOPED_TRACE(failAt);
        TempWorkDir dir;
        dir.writeBytes("system/Hiscore.aty", OldScores);
        dir.writeBytes("system/Hiscorep.aty", OldNames);
        QString told;
        QStringList calls;
        {
            FailingFileSystem failing(failAt);
            try {
                HighScoreTable::registerEntry(750, QStringLiteral("新"));
            } catch (const FileError& e) {
                told = e.message();
            }
            calls = failing.calls;
        }
        EXPECT_TRUE(told.contains(QStringLiteral("書き込めません")))
            << calls.join(' ').toStdString();
        const TableState now = stateOf(dir);
        EXPECT_NE(now, TableState::Mixed) << calls.join(' ').toStdString();
        if (failAt < commitCall) {
            EXPECT_EQ(now, TableState::Old) << calls.join(' ').toStdString();
        }

        TableJournal::tidyAtStart();
        EXPECT_EQ(stateOf(dir), now == TableState::Mixed ? TableState::New : now);
        EXPECT_EQ(systemFiles(dir), TableFolder);
        (stateOf(dir) == TableState::Old ? old : renewed) += 1;
    }
    std::printf("fault points: %d (both old after %d, both new after %d)\n", callCount, old,
                renewed);
}

// A journal cut short at any byte, or with one byte changed, is the old state: it is removed
// and neither file changes. A whole one is completed, and completing it again changes nothing.
TEST(TableSave, aTornOrDamagedJournalIsDiscardedAndAWholeOneRollsForwardOnce) {
    const QByteArray journal = TableJournal::encode(
        {{HighScoreTable::NamePath, NewNames}, {HighScoreTable::ScorePath, NewScores}});
    TempWorkDir dir;
    auto reset = [&] {
        dir.writeBytes("system/Hiscore.aty", OldScores);
        dir.writeBytes("system/Hiscorep.aty", OldNames);
    };
    for (qsizetype cut = 0; cut < journal.size(); cut += (cut < 64 ? 1 : 97)) {
        reset();
        dir.writeBytes("system/Hiscore.journal", journal.first(cut));
        EXPECT_EQ(TableJournal::complete(), TableJournal::Outcome::Discarded) << cut;
        EXPECT_EQ(stateOf(dir), TableState::Old) << cut;
        EXPECT_FALSE(QFile::exists(dir.path("system/Hiscore.journal")));
    }
    for (qsizetype at : {qsizetype(0), qsizetype(30), journal.size() / 2, journal.size() - 1}) {
        reset();
        QByteArray damaged = journal;
        damaged[at] = static_cast<char>(damaged.at(at) ^ 0x20);
        dir.writeBytes("system/Hiscore.journal", damaged);
        EXPECT_EQ(TableJournal::complete(), TableJournal::Outcome::Discarded) << at;
        EXPECT_EQ(stateOf(dir), TableState::Old) << at;
    }

    // Half done: the name file already new, the score file still old.
    reset();
    dir.writeBytes("system/Hiscorep.aty", NewNames);
    dir.writeBytes("system/Hiscore.journal", journal);
    EXPECT_EQ(HighScoreTable::load().name(3), QStringLiteral("新"));
    EXPECT_EQ(stateOf(dir), TableState::New);
    dir.writeBytes("system/Hiscore.journal", journal);
    EXPECT_EQ(TableJournal::complete(), TableJournal::Outcome::Completed);
    EXPECT_EQ(stateOf(dir), TableState::New);
    EXPECT_EQ(TableJournal::complete(), TableJournal::Outcome::NoJournal);
    EXPECT_EQ(systemFiles(dir), TableFolder);
}

// A journal may only ever name the two table files, each once: a damaged one that named
// another file would write over it.
TEST(TableSave, aJournalNamesOnlyTheTwoTableFilesOnce) {
    const QByteArray whole = TableJournal::encode({{HighScoreTable::ScorePath, "1\r\n"}});
    const auto decoded = TableJournal::decode(whole);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(*decoded, (std::vector<TableJournal::Entry>{{HighScoreTable::ScorePath, "1\r\n"}}));

    // Entry number 2 (no such file), and the score file twice, with a correct checksum.
    const QByteArray body(whole.first(whole.size() - 32));
    for (const QByteArray& forged : {QByteArray(body).replace(body.indexOf('\x01', 20), 1, "\x02"),
                                     body + body.sliced(body.indexOf('\x01', 20))}) {
        const QByteArray withHash =
            forged + QCryptographicHash::hash(forged, QCryptographicHash::Sha256);
        EXPECT_FALSE(TableJournal::decode(withHash));
    }
    EXPECT_FALSE(TableJournal::decode(TableJournal::encode({})));
}

// Temporary files left by a killed save are ours to remove; nothing else in system/ is.
TEST(TableSave, startRemovesOnlyOurOwnLeftoverTemporaryFiles) {
    TempWorkDir dir;
    const QStringList ours = {"Hiscore.aty.Ab3xY9", "Hiscorep.aty.000000", "char.aty.zzzzzz"};
    const QStringList others = {"Hiscore.aty.bak",     "Hiscore.aty.Ab3xY", "Hiscore.aty.Ab3xY90",
                                "Hiscore.aty.Ab3-Y9",  "notes.txt.Ab3xY9",  "options.ini",
                                "xHiscore.aty.Ab3xY9", "Hiscore.aty.Ab3xÿ9"};
    for (const QString& name : ours + others)
        dir.writeBytes("system/" + name, "x");
    TableJournal::tidyAtStart();
    QStringList expected = TableFolder + others;
    expected.sort();
    EXPECT_EQ(systemFiles(dir), expected);
}

// A replaced file keeps the permissions the player gave it; a file that may not be written
// stays as it is, with the write message (the second half needs a user other than root).
TEST(TableSave, aReplacedFileKeepsItsPermissionsAndAReadOnlyOneIsLeftAlone) {
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", OldScores);
    dir.writeBytes("system/Hiscorep.aty", OldNames);
    const QByteArray names = QFile::encodeName(dir.path("system/Hiscorep.aty"));
    ASSERT_EQ(::chmod(names.constData(), 0604), 0);
    ASSERT_EQ(HighScoreTable::registerEntry(750, QStringLiteral("新")), 3);
    struct stat after {};
    ASSERT_EQ(::stat(names.constData(), &after), 0);
    EXPECT_EQ(after.st_mode & 0777, 0604u);

    // Root may write any file: under root the attempt runs as "nobody", to whom the folder is
    // given.
    dir.writeBytes("system/Hiscore.aty", OldScores);
    dir.writeBytes("system/Hiscorep.aty", OldNames);
    QFile::setPermissions(dir.path("system/Hiscore.aty"), QFile::ReadOwner);
    ChildRun::handOver(dir.path(QString()));
    const ChildRun::Result attempt = ChildRun::run(
        [] {
            try {
                HighScoreTable::registerEntry(750, QStringLiteral("新"));
            } catch (const FileError& e) {
                return e.message();
            }
            return QString();
        },
        true);
    ASSERT_TRUE(attempt.finished && !attempt.crashed) << qPrintable(attempt.output);
    EXPECT_TRUE(attempt.output.contains(QStringLiteral("書き込めません")))
        << qPrintable(attempt.output);
    EXPECT_EQ(stateOf(dir), TableState::Old);
}
