#include "core/TextFile.h"
#include "core/FileError.h"
#include "tests/support/TempWorkDir.h"

#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

// Line ends: CR and CR LF end a line, LF alone is part of it, a last unterminated line counts.
TEST(TextFile, linesEndAtCrOrCrLfButNotAtLfAlone) {
    EXPECT_EQ(TextFile::splitLines("a\rb\r\nc"), QStringList({"a", "b", "c"}));
    EXPECT_EQ(TextFile::splitLines("a\nb\r"), QStringList({"a\nb"}));
    EXPECT_EQ(TextFile::splitLines("1\r\r\n"), QStringList({"1", ""}));
    EXPECT_EQ(TextFile::splitLines("\r\n\r\n"), QStringList({"", ""}));
    EXPECT_TRUE(TextFile::splitLines("").isEmpty());
}

// Tables written by the Windows version are Shift-JIS; ours are UTF-8, perhaps with a BOM.
TEST(TextFile, readsShiftJisAndUtf8WithBomAlike) {
    TempWorkDir dir;
    const QString name = QStringLiteral("カザミナの人");
    QStringEncoder sjis("CP932");
    dir.writeBytes("system/sjis.aty", QByteArray(sjis.encode(name)) + "\r\nABC\r\n\r\n");
    EXPECT_EQ(TextFile::readLines("system\\sjis.aty"), QStringList({name, "ABC", ""}));

    dir.writeBytes("system/bom.aty", "\xEF\xBB\xBF" + name.toUtf8() + "\r\n");
    EXPECT_EQ(TextFile::readLines("system\\bom.aty"), QStringList({name}));
}

// A write replaces the file whole, with CR LF added; a failure leaves the old file alone.
TEST(TextFile, writeReplacesWholeFilesAndFailsWithoutTouchingThem) {
    TempWorkDir dir;
    TextFile::write("system\\a.aty", QStringLiteral("名前\r\nB"));
    EXPECT_EQ(dir.readBytes("system/a.aty"), QStringLiteral("名前\r\nB\r\n").toUtf8());

    EXPECT_THROW(TextFile::write("nowhere\\b.aty", "x"), FileError);
    EXPECT_EQ(dir.readBytes("system/a.aty"), QStringLiteral("名前\r\nB\r\n").toUtf8());
    EXPECT_THROW(TextFile::readLines("system\\missing.aty"), FileError);
}
