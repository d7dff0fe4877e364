#include "settings/OptionsFile.h"
#include "core/FileError.h"
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
