#include "settings/OptionsFile.h"
#include "core/FileError.h"
#include "core/FileSystem.h"
#include "tests/support/TempWorkDir.h"

#include <QDir>

#include <gtest/gtest.h>

namespace {

bool loadsOn(const TempWorkDir& dir, const QByteArray& bytes) {
    dir.writeBytes(QStringLiteral("system/options.ini"), bytes);
    return OptionsFile::load().acceptBothSpellings();
}

GameOptions both() {
    GameOptions options;
    options.judging = GameOptions::Judging::Both;
    return options;
}

} // namespace

// Only an explicit "true" turns the option on. A missing file, one that is not a file, an
// unknown value, a damaged or oversized file all mean off, and none of them is an error: the
// game as it always was must never be lost to a bad options file.
TEST(OptionsFile, onlyAnExplicitTrueTurnsTheOptionOn) {
    TempWorkDir dir;
    EXPECT_FALSE(QFile::exists(dir.path("system/options.ini"))); // none shipped
    EXPECT_FALSE(OptionsFile::load().acceptBothSpellings());

    EXPECT_TRUE(loadsOn(dir, "[typing]\nacceptBothSpellings=true\n"));
    EXPECT_TRUE(loadsOn(dir, "[other]\nx=1\r\n[typing]\r\nacceptBothSpellings = true\r\n"));
    EXPECT_FALSE(loadsOn(dir, "[typing]\nacceptBothSpellings=false\n"));
    EXPECT_FALSE(loadsOn(dir, "[typing]\nacceptBothSpellings=yes\n"));
    EXPECT_FALSE(loadsOn(dir, "[typing]\nacceptBothSpellings=1\n"));
    EXPECT_FALSE(loadsOn(dir, "[typing]\nacceptBothSpellings=\n"));
    EXPECT_FALSE(loadsOn(dir, "[other]\nacceptBothSpellings=true\n"));
    EXPECT_FALSE(loadsOn(dir, QByteArray("\xff\xfe\x00[typing\x01\n=true", 17)));
    EXPECT_FALSE(loadsOn(dir, "[typing]\nacceptBothSpellings=true\n" + QByteArray(1 << 20, ' ')));

    QFile::remove(dir.path("system/options.ini"));
    QDir(dir.path("system")).mkdir(QStringLiteral("options.ini"));
    EXPECT_FALSE(OptionsFile::load().acceptBothSpellings());
}

// Saving writes the value as true/false under typing/, reads back as saved, keeps whatever
// else the file holds, and a file that cannot be replaced (or is too damaged to keep its
// other keys) is reported and left as it was, never passed over.
TEST(OptionsFile, saveWritesTheKeyKeepsOtherKeysAndReportsFailure) {
    TempWorkDir dir;
    OptionsFile::save(both());
    const QByteArray written = dir.readBytes(QStringLiteral("system/options.ini"));
    EXPECT_TRUE(written.contains("[typing]")) << written.constData();
    EXPECT_TRUE(written.contains("judging=both")) << written.constData();
    EXPECT_TRUE(OptionsFile::load().acceptBothSpellings());

    dir.writeBytes(QStringLiteral("system/options.ini"),
                   "[stats]\nkeepHistory=true\n[typing]\nacceptBothSpellings=true\n");
    OptionsFile::save(GameOptions{});
    const QByteArray rewritten = dir.readBytes(QStringLiteral("system/options.ini"));
    EXPECT_TRUE(rewritten.contains("judging=exact")) << rewritten.constData();
    EXPECT_TRUE(rewritten.contains("keepHistory=true")) << rewritten.constData();
    EXPECT_FALSE(OptionsFile::load().acceptBothSpellings());

    const QByteArray damaged("\xff\xfe\x00[typing\x01\n=true", 17);
    dir.writeBytes(QStringLiteral("system/options.ini"), damaged);
    // The player is told what is wrong with the file, not just that writing failed.
    try {
        OptionsFile::save(both());
        ADD_FAILURE() << "a damaged options file was saved over";
    } catch (const FileError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("ファイル「%1/system/options.ini」に書き込めません"
                                              "（形式が正しくありません）。")
                                   .arg(QDir::currentPath()));
    }
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/options.ini")), damaged);

    QFile::remove(dir.path("system/options.ini"));
    QDir(dir.path("system")).mkdir(QStringLiteral("options.ini"));
    EXPECT_THROW(OptionsFile::save(both()), FileError);
    // No copy is left lying about after a failure.
    EXPECT_EQ(QDir(dir.path("system")).entryList({"options.ini*"}, QDir::Files), QStringList());
}

// The keys of the later options: each value reads as written, anything else is the default,
// the judging key wins over the older either-spelling key, and what is saved reads back equal.
TEST(OptionsFile, theLaterKeysReadAsWrittenAndRoundTrip) {
    using J = GameOptions::Judging;
    TempWorkDir dir;
    const auto load = [&](const QByteArray& bytes) {
        dir.writeBytes(QStringLiteral("system/options.ini"), bytes);
        return OptionsFile::load();
    };
    const struct {
        const char* file;
        J judging;
        bool kana, weak;
        double scale;
    } cases[] = {
        {"[typing]\njudging=ime\n", J::Ime, false, false, 1},
        {"[typing]\njudging=custom\ninput=kana\n", J::Custom, true, false, 1},
        {"[typing]\njudging=exact\nacceptBothSpellings=true\n", J::Exact, false, false, 1},
        {"[typing]\njudging=IME\ninput=Kana\n", J::Exact, false, false, 1},
        {"[practice]\nweakKeys=true\n[display]\nscale=1.5\n", J::Exact, false, true, 1.5},
        {"[display]\nscale=fit\n", J::Exact, false, false, 0},
        {"[display]\nscale=0\n", J::Exact, false, false, 1},
        {"[display]\nscale=9\n", J::Exact, false, false, 1},
        {"[typing]\njudging=\"ime\"\n", J::Ime, false, false, 1}, // quoted as some editors do
        {"[typing]\n[]\njudging=ime\n", J::Exact, false, false, 1}, // a nameless section
    };
    for (const auto& c : cases) {
        const GameOptions o = load(c.file);
        EXPECT_EQ(o.judging, c.judging) << c.file;
        EXPECT_EQ(o.input == GameOptions::Input::Kana, c.kana) << c.file;
        EXPECT_EQ(o.weakKeys, c.weak) << c.file;
        EXPECT_EQ(o.scale, c.scale) << c.file;
    }

    GameOptions saved;
    saved.judging = J::Custom;
    saved.input = GameOptions::Input::Kana;
    saved.weakKeys = true;
    saved.scale = 0;
    load("[typing]\nacceptBothSpellings=true\n");
    OptionsFile::save(saved);
    const GameOptions back = OptionsFile::load();
    EXPECT_EQ(back.judging, saved.judging);
    EXPECT_EQ(back.input, saved.input);
    EXPECT_TRUE(back.weakKeys);
    EXPECT_EQ(back.scale, 0);
    EXPECT_FALSE(dir.readBytes(QStringLiteral("system/options.ini")).contains("acceptBoth"));
}

namespace {

// Passes every call on until call number `killAt`, where the save stops dead as a SIGKILL would
// stop it: nothing after that call runs, no clean-up either.
class KillingFileSystem : public FileSystem {
public:
    struct Killed {};
    explicit KillingFileSystem(int killAt) : m_killAt(killAt) { install(this); }
    ~KillingFileSystem() override { install(nullptr); }

    int open(const char* path, int flags, mode_t mode) override {
        step();
        return FileSystem::open(path, flags, mode);
    }
    ssize_t write(int fd, const void* data, size_t size) override {
        step();
        return FileSystem::write(fd, data, size);
    }
    int fsync(int fd) override {
        step();
        return FileSystem::fsync(fd);
    }
    int close(int fd) override {
        step();
        return FileSystem::close(fd);
    }
    int rename(const char* from, const char* to) override {
        step();
        return FileSystem::rename(from, to);
    }
    int unlink(const char* path) override {
        step();
        return FileSystem::unlink(path);
    }
    int calls = 0;

private:
    void step() {
        if (calls++ == m_killAt)
            throw Killed{};
    }
    int m_killAt;
};

QStringList optionsLeftovers(const TempWorkDir& dir) {
    return QDir(dir.path("system"))
        .entryList({"options.ini*", ".options*"}, QDir::Files | QDir::Hidden);
}

} // namespace

// A file saved by a Windows editor, with a start mark, comments and keys of its own: the save
// changes only the game's values and keeps the mark and every other line byte for byte, so
// saving the same options twice, or A, B and A again, gives the same file. A fresh file is laid
// out as the game has always written it. Catches a save refused for the mark, a mark dropped or
// doubled, comments lost and keys moved about.
TEST(OptionsFile, aMarkedFileWithCommentsKeepsEverythingButTheChangedValues) {
    TempWorkDir dir;
    const QByteArray marked = "\xEF\xBB\xBF; the player's notes\r\n[typing]\r\njudging = both\r\n"
                              "# keep this\r\n\r\n[other]\r\nname=\"a b\"\r\n";
    dir.writeBytes(QStringLiteral("system/options.ini"), marked);
    ASSERT_TRUE(OptionsFile::load().acceptBothSpellings());
    GameOptions a;
    a.weakKeys = true;
    OptionsFile::save(a);
    const QByteArray saved = dir.readBytes(QStringLiteral("system/options.ini"));
    EXPECT_EQ(saved, "\xEF\xBB\xBF; the player's notes\r\n[typing]\r\njudging = exact\r\n"
                     "input=romaji\r\n# keep this\r\n\r\n[other]\r\nname=\"a b\"\r\n\r\n"
                     "[display]\r\nscale=1\r\n\r\n[practice]\r\nweakKeys=true\r\n");
    const GameOptions back = OptionsFile::load();
    EXPECT_TRUE(back.weakKeys);
    EXPECT_FALSE(back.acceptBothSpellings());
    GameOptions b;
    b.judging = GameOptions::Judging::Custom;
    b.scale = 0;
    OptionsFile::save(b);
    OptionsFile::save(a);
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/options.ini")), saved);

    QFile::remove(dir.path("system/options.ini"));
    OptionsFile::save(GameOptions{});
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/options.ini")),
              "[display]\nscale=1\n\n[practice]\nweakKeys=false\n\n[typing]\ninput=romaji\n"
              "judging=exact\n");
}

// Every combination of the options goes through save and load unchanged, whatever the file held
// before. Catches a value written under the wrong key or a key read from the wrong section.
TEST(OptionsFile, everyCombinationOfOptionsRoundTrips) {
    TempWorkDir dir;
    for (int judging = 0; judging < 4; ++judging)
        for (const bool kana : {false, true})
            for (const bool weak : {false, true})
                for (const double scale : {1.0, 1.5, 2.0, 0.0}) {
                    GameOptions o;
                    o.judging = GameOptions::Judging(judging);
                    o.input = kana ? GameOptions::Input::Kana : GameOptions::Input::Romaji;
                    o.weakKeys = weak;
                    o.scale = scale;
                    OptionsFile::save(o);
                    const GameOptions back = OptionsFile::load();
                    EXPECT_EQ(back.judging, o.judging);
                    EXPECT_EQ(back.input, o.input);
                    EXPECT_EQ(back.weakKeys, o.weakKeys);
                    EXPECT_EQ(back.scale, o.scale);
                }
}

// A save killed at any call leaves options.ini whole, old or new, and the next start removes the
// leftovers of ours and of the older saves by their exact names, and nothing else. Catches a
// save that writes the file in place, and a tidy that misses a leftover or takes a player's file.
TEST(OptionsFile, aSaveKilledAtAnyStepLeavesTheOldOrNewFileAndTheTidyTheRest) {
    TempWorkDir dir;
    const QByteArray old = "[typing]\njudging=both\n";
    GameOptions changed;
    changed.weakKeys = true;
    int steps = 0;
    for (int killAt = 0;; ++killAt) {
        dir.writeBytes(QStringLiteral("system/options.ini"), old);
        bool killed = false;
        {
            KillingFileSystem fs(killAt);
            try {
                OptionsFile::save(changed);
            } catch (const KillingFileSystem::Killed&) {
                killed = true;
            }
            steps = fs.calls;
        }
        const GameOptions now = OptionsFile::load();
        EXPECT_TRUE(now.acceptBothSpellings() != now.weakKeys) << "killed at " << killAt;
        OptionsFile::removeLeftovers();
        EXPECT_EQ(optionsLeftovers(dir), QStringList{"options.ini"}) << "killed at " << killAt;
        if (!killed)
            break;
    }
    EXPECT_GE(steps, 6); // open, write, sync and close the copy, rename, sync the folder

    const QStringList ours = {"options.ini.Ab3xY9", "options.ini.Ab3xY9.lock",
                              "options.ini.Ab3xY9.Qw12Er"};
    const QStringList others = {"options.ini.bak",           "options.ini.Ab3xY9.lock2",
                                "options.ini.Ab3xY.lock",    "options.ini.Ab3xY9.Qw12E",
                                "options.ini.Ab3-Y9.Qw12Er", "xoptions.ini.Ab3xY9",
                                "options.ini.lock"};
    for (const QString& name : ours + others)
        dir.writeBytes("system/" + name, "x");
    EXPECT_EQ(OptionsFile::removeLeftovers(), 3);
    QStringList expected = others + QStringList{"options.ini"};
    expected.sort();
    QStringList left = QDir(dir.path("system")).entryList({"*options.ini*"}, QDir::Files);
    left.sort();
    EXPECT_EQ(left, expected);
}
