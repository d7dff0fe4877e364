// The text-file reader on any bytes: no crash, no line past the limit, no line end inside a
// line, and lines written back with CR LF read back the same.
#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/TextFile.h"
#include "tests/fuzz/FuzzCheck.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QStringList lines;
    try {
        lines = TextFile::linesOf(bytes, QStringLiteral("system\\fuzz.aty"));
    } catch (const FileError& e) {
        FUZZ_CHECK(e.message().contains(QStringLiteral("system\\fuzz.aty")));
        return 0;
    }
    QString joined;
    for (const QString& line : lines) {
        FUZZ_CHECK(TextFile::characterCount(line) <= TextFile::MaxLineChars);
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')));
        FUZZ_CHECK(TextFile::characterCount(TextFile::shortened(line)) <=
                   TextFile::MaxQuotedChars + 1);
        joined += line + QStringLiteral("\r\n");
    }
    // What the game writes it reads back unchanged, a leading U+FEFF included.
    if (!joined.isEmpty())
        FUZZ_CHECK(TextFile::linesOf(DurableFile::encode(joined), QString()) == lines);
    return 0;
}
