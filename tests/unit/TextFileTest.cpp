#include "core/TextFile.h"
#include "core/FileError.h"
#include "tests/support/TempWorkDir.h"

#include <QFile>
#include <QSet>
#include <QStringEncoder>
#include <gtest/gtest.h>

#include <cstdio>
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
// Under any limit on the address space a read either works or says what went wrong, naming the
// file; at some limit the bytes fit and their text does not. Each limit is tried in a child, so
// the test process keeps its memory. Catches a bad_alloc that escapes and ends the game.
TEST(TextFile, shortOfMemoryAReadSaysSoNamingTheFile) {
    TempWorkDir dir;
    QByteArray bytes;
    for (int i = 0; bytes.size() < 1000 * 1000; ++i)
        bytes += QByteArray(98, static_cast<char>('a' + i % 26)) + "\r\n";
    dir.writeBytes("system/big.aty", bytes);
    const QString lineCount = QString::number(bytes.count('\n'));
    const QString notOpened =
        QStringLiteral("ファイル「system\\big.aty」を開けません（メモリが足りません）。");
    const QString notDecoded =
        QStringLiteral("ファイル「system\\big.aty」を読み込めません（メモリが足りません）。");
    QSet<QString> seen;
    for (long extraKib = 512; extraKib <= 12 * 1024; extraKib += 512) {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            long pages = 0;
            if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
                if (std::fscanf(statm, "%ld", &pages) != 1)
                    pages = 0;
                std::fclose(statm);
            }
            const rlimit limit{static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + extraKib * 1024),
                               RLIM_INFINITY};
            if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0)
                _exit(2);
            QByteArray out;
            try {
                out = QByteArray::number(
                    TextFile::read(QStringLiteral("system\\big.aty")).lines.size());
            } catch (const FileError& e) {
                out = e.message().toUtf8();
            } catch (...) {
                _exit(4); // never back into the test runner's copy in this child
            }
            const bool written = write(fds[1], out.constData(), out.size()) == out.size();
            _exit(written ? 0 : 3);
        }
        close(fds[1]);
        QByteArray out;
        char buffer[512];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;)
            out.append(buffer, n);
        close(fds[0]);
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << extraKib << " KiB more: status " << status;
        const QString result = QString::fromUtf8(out);
        EXPECT_TRUE(result == lineCount || result == notOpened || result == notDecoded)
            << extraKib << " KiB more: " << result.toStdString();
        seen.insert(result);
    }
    EXPECT_TRUE(seen.contains(notDecoded));
    EXPECT_TRUE(seen.contains(lineCount));
}
#endif
