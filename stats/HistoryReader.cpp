#include "stats/HistoryReader.h"

#include "core/TextFile.h"
#include "stats/HistoryFile.h"

#include <QFile>

#include <thread>

#include <cerrno>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The reading below accepts and refuses exactly the lines HistoryFile::parseLine does; it is
// its own code only because a long history is mostly this loop: fields are cut on raw bytes and
// stay views into the line, the pairs' numbers are read digit by digit, and the time is checked
// but never decoded, as nothing that streams the history shows it.

constexpr int MaxFields = HistoryFile::FieldCount;
using FieldViews = std::array<std::string_view, MaxFields>;

// Cuts a line into exactly `count` fields. A quoted field stays a view into the line unless it
// holds a doubled quote, the only case that needs it copied out into `storage`.
bool splitFields(const char* p, const char* end, FieldViews& fields,
                 std::array<std::string, MaxFields>& storage, int count) {
    for (int n = 0;; ++n) {
        if (n == count)
            return false;
        if (p < end && *p == '"') {
            const char* from = ++p;
            const char* quote = static_cast<const char*>(std::memchr(p, '"', end - p));
            if (!quote)
                return false; // unterminated quote
            if (quote + 1 < end && quote[1] == '"') {
                std::string& s = storage[static_cast<size_t>(n)];
                s.assign(from, quote);
                while (true) {
                    if (quote + 1 < end && quote[1] == '"') {
                        s.push_back('"');
                        p = quote + 2;
                        quote = static_cast<const char*>(std::memchr(p, '"', end - p));
                        if (!quote)
                            return false;
                        s.append(p, quote);
                        continue;
                    }
                    break;
                }
                fields[static_cast<size_t>(n)] = s;
            } else {
                fields[static_cast<size_t>(n)] = std::string_view(from, quote - from);
            }
            p = quote + 1;
            if (p == end)
                return n + 1 == count;
            if (*p != ',')
                return false;
            ++p;
        } else {
            const char* comma = static_cast<const char*>(std::memchr(p, ',', end - p));
            if (!comma) {
                fields[static_cast<size_t>(n)] = std::string_view(p, end - p);
                return n + 1 == count;
            }
            fields[static_cast<size_t>(n)] = std::string_view(p, comma - p);
            p = comma + 1;
        }
    }
}

// The round's whole numbers: an optional minus, then digits, within the type.
template <class T> bool number(std::string_view s, T& value) {
    if (s.empty())
        return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && ptr == s.data() + s.size();
}

// The figures as the game writes them, "61.000": digits, maybe a point and digits. Up to 15 digits
// the digits are an exact integer and 10^decimals an exact power, so one division rounds exactly as
// from_chars does; anything else goes to from_chars.
bool number(std::string_view s, double& value) {
    static constexpr double Powers[] = {1, 10, 100, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8};
    uint64_t mantissa = 0;
    int count = 0, point = -1;
    for (const char c : s) {
        if (c == '.' && point < 0) {
            point = count;
            continue;
        }
        const unsigned d = static_cast<unsigned char>(c) - unsigned{'0'};
        if (d >= 10 || count == 15) {
            count = -1;
            break;
        }
        mantissa = mantissa * 10 + d;
        ++count;
    }
    const int decimals = point < 0 ? 0 : count - point;
    if (count > 0 && point != 0 && (point < 0 || decimals > 0) && decimals <= 8) {
        value = static_cast<double>(mantissa) / Powers[decimals];
        return true;
    }
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return !s.empty() && ec == std::errc() && ptr == s.data() + s.size();
}

// One or more digits, no sign, at most `limit`; leaves `p` after the last digit. The pairs'
// numbers are short: a run that could pass the limit is checked again digit by digit.
[[gnu::always_inline]] inline bool digits(const char*& p, const char* end, uint64_t limit,
                                          uint64_t& value) {
    const char* const from = p;
    uint64_t v = 0;
    unsigned d = 0;
    while (p < end && (d = static_cast<unsigned char>(*p) - unsigned{'0'}) < 10) {
        v = v * 10 + d;
        ++p;
    }
    value = v;
    if (p - from < 10)
        return p != from && v <= limit;
    v = 0;
    for (const char* q = from; q < p; ++q) {
        d = static_cast<unsigned char>(*q) - unsigned{'0'};
        if (v > (limit - d) / 10)
            return false;
        v = v * 10 + d;
    }
    value = v;
    return true;
}

// The same for the keys' times, four or five digits as a rule: eight bytes at once, where the
// first non-digit stands and its digits in three multiplications, so that no loop has to guess
// where the number ends. (For the one- or two-digit counts the loop is faster.)
[[gnu::always_inline]] inline bool timeDigits(const char*& p, const char* end, uint64_t limit,
                                              uint64_t& value) {
    if (end - p >= 8) {
        uint64_t x;
        std::memcpy(&x, p, 8);
        const uint64_t t = x - 0x3030303030303030ULL;
        const uint64_t stops = ((t + 0x7676767676767676ULL) | t) & 0x8080808080808080ULL;
        if (stops) { // fewer than eight digits
            const int n = __builtin_ctzll(stops) / 8;
            if (n == 0)
                return false;
            uint64_t w = t << (8 * (8 - n));
            w = ((w & 0x0F0F0F0F0F0F0F0FULL) * 2561) >> 8;
            w = ((w & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
            w = ((w & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
            p += n;
            value = w;
            return w <= limit;
        }
    }
    return digits(p, end, limit, value);
}

[[gnu::always_inline]] inline int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A pair's character and its colon: printable ASCII as itself, anything else as U+XXXX (four
// or more hex digits, 1 to 10FFFF). Leaves `p` after the colon.
[[gnu::always_inline]] inline bool keyAndColon(const char*& p, const char* end, char32_t& key) {
    if (p == end)
        return false;
    if (*p == 'U' && p + 1 < end && p[1] == '+') {
        const char* colon = static_cast<const char*>(std::memchr(p, ':', end - p));
        if (!colon || colon - (p + 2) < 4)
            return false;
        uint32_t v = 0;
        for (const char* h = p + 2; h < colon; ++h) {
            const int d = hexDigit(*h);
            if (d < 0)
                return false;
            if (v <= 0x10FFFF)
                v = v * 16 + static_cast<uint32_t>(d); // past 10FFFF it is refused anyway
        }
        if (v == 0 || v > 0x10FFFF)
            return false;
        key = v;
        p = colon + 1;
        return true;
    }
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c > 0x7E || p + 1 == end || p[1] != ':')
        return false;
    key = c;
    p += 2;
    return true;
}

// Each character once in a field: ASCII ones and those of the kana block (U+3000 to U+30FF,
// a kana round's keys) by a bit each, the rare others by a look back.
class SeenKeys {
public:
    template <class List, class KeyOf>
    [[gnu::always_inline]] inline bool first(char32_t key, const List& list, KeyOf keyOf) {
        uint64_t* words = nullptr;
        char32_t at = 0;
        if (key < 128) {
            words = m_ascii;
            at = key;
        } else if (key >= KanaFrom && key < KanaFrom + 256) {
            words = m_kana;
            at = key - KanaFrom;
        } else {
            for (const auto& item : list)
                if (keyOf(item) == key)
                    return false;
            return true;
        }
        uint64_t& word = words[at / 64];
        const uint64_t bit = uint64_t{1} << (at % 64);
        if (word & bit)
            return false;
        word |= bit;
        return true;
    }

private:
    static constexpr char32_t KanaFrom = 0x3000;
    uint64_t m_ascii[2] = {0, 0};
    uint64_t m_kana[4] = {0, 0, 0, 0};
};

// After a pair: the end, or one blank and another pair.
[[gnu::always_inline]] inline bool nextPair(const char*& p, const char* end) {
    if (p < end) {
        if (*p != ' ' || p + 1 == end)
            return false;
        ++p;
    }
    return true;
}

bool keyCounts(std::string_view field, RoundFigures::KeyCounts& out) {
    out.clear();
    SeenKeys seen;
    const char* p = field.data();
    const char* const end = p + field.size();
    while (p < end) {
        char32_t key = 0;
        uint64_t n = 0;
        if (!keyAndColon(p, end, key) || !digits(p, end, INT_MAX, n) || n == 0 ||
            !seen.first(key, out, [](const auto& pair) { return pair.first; }))
            return false;
        out.emplace_back(key, static_cast<int>(n));
        if (!nextPair(p, end))
            return false;
    }
    return true;
}

bool keyTimes(std::string_view field, RoundFigures::KeyTimes& out) {
    out.clear();
    SeenKeys seen;
    const char* p = field.data();
    const char* const end = p + field.size();
    while (p < end) {
        char32_t key = 0;
        uint64_t total = 0, count = 0;
        if (!keyAndColon(p, end, key) || !timeDigits(p, end, INT64_MAX, total) || p == end ||
            *p++ != '/' || !digits(p, end, INT_MAX, count) || count == 0 ||
            !seen.first(key, out, [](const RoundFigures::KeyTime& t) { return t.key; }))
            return false;
        out.push_back({key, static_cast<int64_t>(total), static_cast<int>(count)});
        if (!nextPair(p, end))
            return false;
    }
    return true;
}

bool plausibleTime(std::string_view s) {
    if (s.empty() || s.size() > 40)
        return false;
    for (char c : s)
        if (c < 0x21 || c > 0x7E)
            return false;
    return true;
}

template <size_t N>
bool named(std::string_view s, const std::array<std::string_view, N>& names, int& value) {
    for (size_t i = 0; i < N; ++i) {
        if (s == names[i]) {
            value = static_cast<int>(i);
            return true;
        }
    }
    return false;
}

// The names in the order of the enums, as HistoryFile writes them.
constexpr std::array<std::string_view, 4> JudgingNames = {"exact", "both", "ime", "custom"};
constexpr std::array<std::string_view, 2> InputNames = {"romaji", "kana"};
constexpr std::array<std::string_view, 2> KindNames = {"round", "drill"};

} // namespace

bool HistoryReader::parseLine(const char* begin, const char* end, HistoryRecord& r, int fields) {
    if (fields != HistoryFile::FieldCount && fields != HistoryFile::FirstFieldCount)
        return false;
    FieldViews f;
    thread_local std::array<std::string, MaxFields> storage; // fields with a doubled quote
    if (!splitFields(begin, end, f, storage, fields) || !plausibleTime(f[0]))
        return false;
    r.time.clear();
    if (!number(f[1], r.score) || !number(f[2], r.level) || r.level < 1 ||
        !number(f[3], r.maxCombo) || r.maxCombo < 0 || !number(f[4], r.keys) || r.keys < 0 ||
        !number(f[5], r.misses) || r.misses < 0 || r.misses > r.keys)
        return false;
    if (!number(f[6], r.seconds) || !(r.seconds >= 0) || !number(f[7], r.speed) ||
        !(r.speed >= 0) || !number(f[8], r.accuracy) || !(r.accuracy >= 0 && r.accuracy <= 100))
        return false;
    if (f[9] == "on")
        r.bothSpellings = true;
    else if (f[9] == "off")
        r.bothSpellings = false;
    else
        return false;
    if (!keyCounts(f[10], r.missesByKey) || !keyCounts(f[11], r.keysByKey))
        return false;
    if (fields == HistoryFile::FirstFieldCount) {
        r.judging = r.bothSpellings ? GameOptions::Judging::Both : GameOptions::Judging::Exact;
        r.input = GameOptions::Input::Romaji;
        r.kind = HistoryRecord::Kind::Round;
        r.timesByKey.clear();
        return true;
    }
    int judging = 0, input = 0, kind = 0;
    if (!named(f[12], JudgingNames, judging) || !named(f[13], InputNames, input) ||
        !named(f[14], KindNames, kind) || !keyTimes(f[15], r.timesByKey))
        return false;
    r.judging = static_cast<GameOptions::Judging>(judging);
    r.input = static_cast<GameOptions::Input>(input);
    r.kind = static_cast<HistoryRecord::Kind>(kind);
    return true;
}

void HistoryReader::skipLine() {
    ++m_lineNo;
    if (m_lineNo == 1) {
        m_result.error = QStringLiteral("1 行目が成績の記録の見出しではありません");
        return;
    }
    ++m_result.skipped;
    if (m_result.skippedLines.size() < static_cast<size_t>(ReportedLines))
        m_result.skippedLines.push_back(m_lineNo);
}

void HistoryReader::line(const char* begin, const char* end) {
    if (end > begin && end[-1] == '\r')
        --end;
    ++m_lineNo;
    if (m_lineNo == 1) {
        // Today's header or the older, shorter one: the lines under it hold that many fields.
        m_fields = HistoryFile::fieldsUnder(begin, end);
        if (m_fields == 0)
            m_result.error = QStringLiteral("1 行目が成績の記録の見出しではありません");
        return;
    }
    if (end == begin)
        return; // blank lines carry nothing and are passed over
    if (end - begin <= HistoryFile::MaxLineBytes && parseLine(begin, end, m_record, m_fields)) {
        ++m_result.rounds;
        m_sink(m_record);
        return;
    }
    --m_lineNo;
    skipLine();
}

bool HistoryReader::feed(const char* p, qsizetype size) {
    const char* const end = p + size;
    while (p < end && m_result.error.isEmpty()) {
        const char* nl =
            static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
        if (!nl) {
            // Keep the unfinished line for the next block, but never more of it than a line
            // may hold: a longer one is skipped whole, however long it runs.
            if (!m_overlong) {
                m_partial.append(p, end - p);
                if (m_partial.size() > HistoryFile::MaxLineBytes + 1) {
                    m_overlong = true;
                    m_partial.clear();
                }
            }
            return true;
        }
        if (m_overlong) {
            m_overlong = false;
            skipLine();
        } else if (m_partial.isEmpty()) {
            line(p, nl);
        } else {
            m_partial.append(p, nl - p);
            line(m_partial.constData(), m_partial.constData() + m_partial.size());
            m_partial.clear();
        }
        p = nl + 1;
    }
    return m_result.error.isEmpty();
}

HistoryReader::Result HistoryReader::finish() {
    if (!m_result.error.isEmpty() || (m_partial.isEmpty() && !m_overlong))
        return std::move(m_result);
    if (m_lineNo == 0) {
        m_result.tornTail = true; // the header itself was torn on the first write
        return std::move(m_result);
    }
    // A last line without its line end: an editor that does not add one leaves a whole round
    // like this, a crash mid-append a torn one.
    if (m_partial.endsWith('\r'))
        m_partial.chop(1);
    ++m_lineNo;
    if (!m_overlong && !m_partial.isEmpty() && m_partial.size() <= HistoryFile::MaxLineBytes &&
        parseLine(m_partial.constData(), m_partial.constData() + m_partial.size(), m_record,
                  m_fields)) {
        ++m_result.rounds;
        m_sink(m_record);
        return std::move(m_result);
    }
    m_result.tornTail = true;
    if (m_overlong || !m_partial.isEmpty()) {
        ++m_result.skipped;
        if (m_result.skippedLines.size() < static_cast<size_t>(ReportedLines))
            m_result.skippedLines.push_back(m_lineNo);
    }
    return std::move(m_result);
}

HistoryReader::Result HistoryReader::readBytes(const QByteArray& bytes, const Sink& sink,
                                               qsizetype blockBytes) {
    HistoryReader reader(sink);
    for (qsizetype at = 0; at < bytes.size(); at += blockBytes)
        if (!reader.feed(bytes.constData() + at, std::min(blockBytes, bytes.size() - at)))
            break;
    return reader.finish();
}

HistoryReader::Result HistoryReader::read(const Sink& sink, const QString& gamePath) {
    return readFile(sink, nullptr, gamePath);
}

void HistoryReader::pull(const Source& source, qint64 from, qint64 to, qsizetype blockBytes) {
    QByteArray block(blockBytes, Qt::Uninitialized);
    for (qint64 at = from; to < 0 || at < to;) {
        const qint64 room = to < 0 ? block.size() : std::min<qint64>(block.size(), to - at);
        const qint64 n = source(at, block.data(), room);
        if (n < 0) {
            m_result.error = QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        if (n == 0 || !feed(block.constData(), n))
            return;
        at += n;
    }
}

// The cut is made on a line end and after the header, so each half holds whole lines and the
// second knows how many fields its lines hold; where no such cut is found, one reader does all.
HistoryReader::Result HistoryReader::inTwo(const Source& source, qint64 size, const Sink& first,
                                           const Sink& second, qint64 split, qsizetype blockBytes) {
    const qint64 look = HistoryFile::MaxLineBytes + 2;
    auto lineEndFrom = [&](qint64 at) -> qint64 {
        QByteArray window(static_cast<qsizetype>(std::clamp<qint64>(size - at, 0, look)),
                          Qt::Uninitialized);
        if (window.isEmpty() || source(at, window.data(), window.size()) != window.size())
            return -1;
        const qsizetype nl = window.indexOf('\n');
        return nl < 0 ? -1 : at + nl;
    };
    const qint64 headerEnd = lineEndFrom(0);
    int fields = 0;
    qint64 cut = -1;
    if (headerEnd > 0 && split > headerEnd && split < size) {
        QByteArray header(static_cast<qsizetype>(headerEnd), Qt::Uninitialized);
        source(0, header.data(), header.size());
        if (header.endsWith('\r'))
            header.chop(1);
        fields = HistoryFile::fieldsUnder(header.constData(), header.constData() + header.size());
        // The line that holds `split` goes to the first half: the cut is after its end.
        const qint64 end = lineEndFrom(split);
        if (fields > 0 && end >= 0 && end + 1 < size)
            cut = end + 1;
    }
    HistoryReader earlier(first);
    if (cut < 0) {
        earlier.pull(source, 0, -1, blockBytes);
        return earlier.finish();
    }
    HistoryReader later(second, fields);
    Result rest;
    std::thread worker([&] {
        later.pull(source, cut, -1, blockBytes);
        rest = later.finish();
    });
    earlier.pull(source, 0, cut, blockBytes);
    Result out = earlier.finish();
    worker.join();
    if (!out.error.isEmpty())
        return out;
    if (!rest.error.isEmpty())
        return rest;
    // The second half counted its lines from 2, as if the first half were its header.
    out.rounds += rest.rounds;
    out.skipped += rest.skipped;
    for (const int line : rest.skippedLines)
        if (out.skippedLines.size() < static_cast<size_t>(ReportedLines))
            out.skippedLines.push_back(earlier.m_lineNo + line - 1);
    out.tornTail = rest.tornTail;
    return out;
}

HistoryReader::Result HistoryReader::readBytesInTwo(const QByteArray& bytes, const Sink& first,
                                                    const Sink& second, qsizetype split,
                                                    qsizetype blockBytes) {
    const Source source = [&bytes](qint64 at, char* out, qint64 room) -> qint64 {
        const qint64 n = std::clamp<qint64>(bytes.size() - at, 0, room);
        std::memcpy(out, bytes.constData() + at, static_cast<size_t>(n));
        return n;
    };
    return inTwo(source, bytes.size(), first, second, split, blockBytes);
}

HistoryReader::Result HistoryReader::readInTwo(const Sink& first, const Sink& second,
                                               const QString& gamePath) {
    return readFile(first, &second, gamePath);
}

HistoryReader::Result HistoryReader::readFile(const Sink& first, const Sink* second,
                                              const QString& gamePath) {
    QFile file(TextFile::hostPath(gamePath));
    if (!file.exists())
        return {};
    Result failed;
    if (!file.open(QIODevice::ReadOnly)) {
        failed.error = file.errorString();
        return failed;
    }
    const qint64 size = file.size();
    if (size > HistoryFile::MaxBytes) {
        failed.error =
            QStringLiteral("%1 MiB を超えています").arg(HistoryFile::MaxBytes / (1024 * 1024));
        return failed;
    }
    if (second && size >= SplitBytes) {
        // Both halves read the one open file at their own offsets.
        const int fd = file.handle();
        const Source source = [fd](qint64 at, char* out, qint64 room) -> qint64 {
            while (true) {
                const ssize_t n =
                    ::pread(fd, out, static_cast<size_t>(room), static_cast<off_t>(at));
                if (n >= 0 || errno != EINTR)
                    return n;
            }
        };
        return inTwo(source, size, first, *second, size / 2, BlockBytes);
    }
    HistoryReader reader(first);
    QByteArray block(BlockBytes, Qt::Uninitialized);
    while (true) {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0) {
            failed.error = file.errorString();
            return failed;
        }
        if (n == 0 || !reader.feed(block.constData(), n))
            break;
    }
    return reader.finish();
}
