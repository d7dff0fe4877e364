#include "core/TextFile.h"
#include "core/FileError.h"
#include "tests/support/TempWorkDir.h"

#include <QFile>
#include <QStringEncoder>
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A Shift-JIS file's control bytes read as themselves, as they do in a UTF-8 file: a name file
// from an old editor that ends in Ctrl-Z keeps it as U+001A and may be written back. What the
// converter cannot map, or a lead byte cut off at the end, makes the file unfit to write back.
TEST(TextFile, shiftJisControlBytesReadAsThemselvesAndCutCharactersAreNotClean) {
    const QByteArray a = "\x82\xA0"; // あ
    const struct {
        QByteArray bytes;
        QString text; // empty: not compared
        bool clean;
    } cases[] = {
        {a + "\r\n\x1A", QStringLiteral("あ\r\n\x1A"), true},
        {a + '\x1A' + a, QStringLiteral("あ\x1Aあ"), true},
        {a + "\x1C\x7F", QStringLiteral("あ\x1C\x7F"), true},
        {a + "\x19\x1B\x1D", QStringLiteral("あ\x19\x1B\x1D"), true},
        {a + "\x1A\x1C\x7F" + a, QStringLiteral("あ\x1A\x1C\x7Fあ"), true},
        {a + "\x82", {}, false},     // the last character cut in half
        {a + "\x82\x7F", {}, false}, // a lead byte before a control byte
        {a + "\x80", {}, false},     // no character at all in Shift-JIS
        {a + "\x85\x40", {}, false}, // a lead and trail byte with nothing mapped to them
        {a + "\x1A\x80", {}, false}, // a real Ctrl-Z does not hide a byte that was lost
    };
    for (const auto& c : cases) {
        const std::string shown = c.bytes.toHex(' ').toStdString();
        if (!c.text.isEmpty()) {
            EXPECT_EQ(TextFile::decode(c.bytes), c.text) << shown;
        }
        EXPECT_EQ(TextFile::decodesCleanly(c.bytes), c.clean) << shown;
    }
}

#if !defined(__SANITIZE_ADDRESS__) // the sanitizer's own allocator aborts instead of failing
namespace {

// Reads the file with the address space limited to what is mapped now plus extraKib, and ends
// the process with 10 (read whole), 11 (not opened for want of memory), 12 (not decoded for
// want of memory) or 13 (any other outcome).
[[noreturn]] void readWithLittleMemory(long extraKib, int lines, const QString& notOpened,
                                       const QString& notDecoded) {
    long pages = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1)
            pages = 0;
        std::fclose(statm);
    }
    const rlimit limit{static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + extraKib * 1024),
                       RLIM_INFINITY};
    if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
        std::_Exit(13);
    int code = 13;
    try {
        code = TextFile::read(QStringLiteral("system\\big.aty")).lines.size() == lines ? 10 : 13;
    } catch (const FileError& e) {
        code = e.message() == notOpened ? 11 : e.message() == notDecoded ? 12 : 13;
    } catch (...) {
    }
    std::_Exit(code);
}

} // namespace

// Under any limit on the address space a read either works or says what went wrong, naming the
// file; at some limit the bytes fit and their text does not. Each limit is tried in a fresh
// process, so neither the memory of earlier tests nor this one's changes the outcome. Catches a
// bad_alloc that escapes and ends the game, and a message that does not say why.
TEST(TextFile, shortOfMemoryAReadSaysSoNamingTheFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TempWorkDir dir;
    QByteArray bytes;
    for (int i = 0; bytes.size() < 1000 * 1000; ++i)
        bytes += QByteArray(98, static_cast<char>('a' + i % 26)) + "\r\n";
    dir.writeBytes("system/big.aty", bytes);
    const int lines = static_cast<int>(bytes.count('\n'));
    const QString notOpened =
        QStringLiteral("ファイル「system\\big.aty」を開けません（メモリが足りません）。");
    const QString notDecoded =
        QStringLiteral("ファイル「system\\big.aty」を読み込めません（メモリが足りません）。");
    std::set<int> seen;
    for (long extraKib = 512; extraKib <= 8 * 1024; extraKib += 512) {
        const auto known = [&seen](int status) {
            const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            seen.insert(code);
            return code >= 10 && code <= 12;
        };
        EXPECT_EXIT(readWithLittleMemory(extraKib, lines, notOpened, notDecoded), known, "")
            << extraKib << " KiB more";
    }
    EXPECT_TRUE(seen.count(12)) << "no limit where the bytes fit and their text did not";
    EXPECT_TRUE(seen.count(10)) << "no limit where the whole file was read";
}
#endif
