#include "stats/HistoryFile.h"

#include "core/DurableFile.h"
#include "core/FileError.h"
#include "core/PlayerFile.h"
#include "core/TextFile.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <new>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

const QByteArray HistoryFile::FirstHeader =
    "time,score,level,max_combo,keys,misses,seconds,speed,accuracy,both_spellings,"
    "misses_by_key,keys_by_key";
const QByteArray HistoryFile::Header = FirstHeader + ",judging,input,kind,ms_by_key";

namespace {

constexpr int FieldCount = HistoryFile::FieldCount;

constexpr std::array<const char*, 4> JudgingNames = {"exact", "both", "ime", "custom"};
constexpr std::array<const char*, 2> InputNames = {"romaji", "kana"};
constexpr std::array<const char*, 2> KindNames = {"round", "drill"};

template <class E, size_t N>
bool named(std::string_view s, const std::array<const char*, N>& names, E& value) {
    for (size_t i = 0; i < N; ++i) {
        if (s == names[i]) {
            value = static_cast<E>(i);
            return true;
        }
    }
    return false;
}

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

template <class T> bool number(std::string_view s, T& value) {
    if (s.empty())
        return false;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && ptr == s.data() + s.size();
}

// Splits a CSV line into exactly `count` fields; quoted fields are unquoted into `storage`.
bool splitFields(const char* p, const char* end, std::array<std::string_view, FieldCount>& fields,
                 std::array<std::string, FieldCount>& storage, int count) {
    int n = 0;
    while (true) {
        if (n == count)
            return false;
        if (p < end && *p == '"') {
            std::string& s = storage[n];
            s.clear();
            ++p;
            while (true) {
                if (p == end)
                    return false; // unterminated quote
                if (*p == '"') {
                    if (p + 1 < end && p[1] == '"') {
                        s.push_back('"');
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                s.push_back(*p++);
            }
            fields[n++] = s;
            if (p == end)
                break;
            if (*p != ',')
                return false;
            ++p;
        } else {
            const char* comma = static_cast<const char*>(std::memchr(p, ',', end - p));
            const char* stop = comma ? comma : end;
            fields[n++] = std::string_view(p, stop - p);
            if (!comma)
                break;
            p = comma + 1;
        }
    }
    return n == count;
}

// One character of the pairs: printable ASCII as itself, anything else as U+XXXX. Leaves `p` on
// what follows it.
bool parseKey(const char*& p, const char* end, char32_t& key) {
    if (p == end)
        return false;
    if (*p == 'U' && p + 1 < end && p[1] == '+') {
        const char* colon = static_cast<const char*>(std::memchr(p, ':', end - p));
        if (!colon)
            return false;
        unsigned value = 0;
        const auto [ptr, ec] = std::from_chars(p + 2, colon, value, 16);
        if (ec != std::errc() || ptr != colon || colon - (p + 2) < 4 || value > 0x10FFFF ||
            value == 0)
            return false;
        key = value;
        p = colon;
        return true;
    }
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c < 0x20 || c > 0x7E)
        return false;
    key = c;
    ++p;
    return true;
}

QByteArray keyText(char32_t key) {
    // Printable ASCII as itself; anything else as U+XXXX, so the file stays plain ASCII and no
    // line end or stray byte can get into it.
    if (key >= 0x20 && key <= 0x7E)
        return QByteArray(1, static_cast<char>(key));
    return "U+" + QByteArray::number(static_cast<uint>(key), 16).toUpper().rightJustified(4, '0');
}

const char* digitsEnd(const char* p, const char* end) {
    while (p < end && *p >= '0' && *p <= '9')
        ++p;
    return p;
}

// After a pair: the end, or one blank and another pair.
bool nextPair(const char*& p, const char* end) {
    if (p < end) {
        if (*p != ' ' || p + 1 == end)
            return false;
        ++p;
    }
    return true;
}

void appendField(QByteArray& line, const QByteArray& field) {
    if (!field.contains(',') && !field.contains('"')) {
        line += field;
        return;
    }
    QByteArray quoted = field;
    quoted.replace('"', "\"\"");
    line += '"' + quoted + '"';
}

bool plausibleTime(std::string_view s) {
    if (s.empty() || s.size() > 40)
        return false;
    for (char c : s)
        if (c < 0x21 || c > 0x7E)
            return false;
    return true;
}

struct FdCloser {
    int fd;
    ~FdCloser() {
        if (fd >= 0)
            ::close(fd);
    }
};

bool writeAll(int fd, const char* data, size_t size, off_t at) {
    while (size > 0) {
        const ssize_t n = ::pwrite(fd, data, size, at);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        at += n;
    }
    return true;
}

bool readAll(int fd, char* data, size_t size, off_t at) {
    while (size > 0) {
        const ssize_t n = ::pread(fd, data, size, at);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = EIO; // the file shrank under us
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
        at += n;
    }
    return true;
}

} // namespace

QByteArray HistoryFile::formatKeyCounts(const RoundFigures::KeyCounts& counts) {
    QByteArray out;
    for (const auto& [key, n] : counts) {
        if (!out.isEmpty())
            out += ' ';
        out += keyText(key) + ':' + QByteArray::number(n);
    }
    return out;
}

bool HistoryFile::parseKeyCounts(const char* begin, const char* end, RoundFigures::KeyCounts& out) {
    out.clear();
    const char* p = begin;
    while (p < end) {
        char32_t key = 0;
        if (!parseKey(p, end, key) || p == end || *p != ':')
            return false;
        ++p;
        const char* stop = digitsEnd(p, end);
        int n = 0;
        if (!number(std::string_view(p, stop - p), n) || n <= 0)
            return false;
        for (const auto& [k, count] : out)
            if (k == key)
                return false; // each character once
        out.emplace_back(key, n);
        p = stop;
        if (!nextPair(p, end))
            return false;
    }
    return true;
}

QByteArray HistoryFile::formatKeyTimes(const RoundFigures::KeyTimes& times) {
    QByteArray out;
    for (const RoundFigures::KeyTime& t : times) {
        if (!out.isEmpty())
            out += ' ';
        out +=
            keyText(t.key) + ':' + QByteArray::number(t.total) + '/' + QByteArray::number(t.count);
    }
    return out;
}

bool HistoryFile::parseKeyTimes(const char* begin, const char* end, RoundFigures::KeyTimes& out) {
    out.clear();
    const char* p = begin;
    while (p < end) {
        RoundFigures::KeyTime t;
        if (!parseKey(p, end, t.key) || p == end || *p != ':')
            return false;
        ++p;
        const char* slash = digitsEnd(p, end);
        if (!number(std::string_view(p, slash - p), t.total) || t.total < 0 || slash == end ||
            *slash != '/')
            return false;
        p = slash + 1;
        const char* stop = digitsEnd(p, end);
        if (!number(std::string_view(p, stop - p), t.count) || t.count <= 0)
            return false;
        for (const RoundFigures::KeyTime& other : out)
            if (other.key == t.key)
                return false; // each character once
        out.push_back(t);
        p = stop;
        if (!nextPair(p, end))
            return false;
    }
    return true;
}

QByteArray HistoryFile::formatLine(const HistoryRecord& r) {
    QByteArray line;
    line.reserve(160);
    appendField(line, r.time.toUtf8());
    for (const QByteArray& field :
         {QByteArray::number(r.score), QByteArray::number(r.level), QByteArray::number(r.maxCombo),
          QByteArray::number(r.keys), QByteArray::number(r.misses),
          QByteArray::number(r.seconds, 'f', 3), QByteArray::number(r.speed, 'f', 2),
          QByteArray::number(r.accuracy, 'f', 1), QByteArray(r.bothSpellings ? "on" : "off")}) {
        line += ',';
        line += field;
    }
    line += ',';
    appendField(line, formatKeyCounts(r.missesByKey));
    line += ',';
    appendField(line, formatKeyCounts(r.keysByKey));
    for (const char* name :
         {JudgingNames[static_cast<size_t>(r.judging)], InputNames[static_cast<size_t>(r.input)],
          KindNames[static_cast<size_t>(r.kind)]}) {
        line += ',';
        line += name;
    }
    line += ',';
    appendField(line, formatKeyTimes(r.timesByKey));
    return line;
}

int HistoryFile::fieldsUnder(const char* begin, const char* end) {
    const std::string_view line(begin, static_cast<size_t>(end - begin));
    if (line == std::string_view(Header.constData(), static_cast<size_t>(Header.size())))
        return FieldCount;
    if (line == std::string_view(FirstHeader.constData(), static_cast<size_t>(FirstHeader.size())))
        return FirstFieldCount;
    return 0;
}

bool HistoryFile::parseLine(const char* begin, const char* end, HistoryRecord& r, int fields) {
    if (fields != FieldCount && fields != FirstFieldCount)
        return false;
    std::array<std::string_view, FieldCount> f;
    thread_local std::array<std::string, FieldCount> storage; // quoted fields, rarely used
    if (!splitFields(begin, end, f, storage, fields))
        return false;
    if (!plausibleTime(f[0]))
        return false;
    r.time = QString::fromLatin1(f[0].data(), static_cast<qsizetype>(f[0].size()));
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
    if (!parseKeyCounts(f[10].data(), f[10].data() + f[10].size(), r.missesByKey) ||
        !parseKeyCounts(f[11].data(), f[11].data() + f[11].size(), r.keysByKey))
        return false;
    if (fields == FirstFieldCount) {
        r.judging = r.bothSpellings ? GameOptions::Judging::Both : GameOptions::Judging::Exact;
        r.input = GameOptions::Input::Romaji;
        r.kind = HistoryRecord::Kind::Round;
        r.timesByKey.clear();
        return true;
    }
    return named(f[12], JudgingNames, r.judging) && named(f[13], InputNames, r.input) &&
           named(f[14], KindNames, r.kind) &&
           parseKeyTimes(f[15].data(), f[15].data() + f[15].size(), r.timesByKey);
}

HistoryFile::Loaded HistoryFile::parse(const QByteArray& bytes) {
    Loaded out;
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    auto nextLine = [&](const char*& lineEnd) -> bool {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
        if (!nl)
            return false;
        lineEnd = (nl > p && nl[-1] == '\r') ? nl - 1 : nl;
        return true;
    };
    const char* lineEnd = nullptr;
    if (!nextLine(lineEnd)) {
        out.tornTail = p < end; // the header itself was torn on the first write
        return out;
    }
    const int fields = fieldsUnder(p, lineEnd);
    if (fields == 0) {
        out.error = QStringLiteral("1 行目が成績の記録の見出しではありません");
        return out;
    }
    p = static_cast<const char*>(std::memchr(p, '\n', end - p)) + 1;
    out.records.reserve(static_cast<size_t>(bytes.size() / 100));
    int lineNo = 1;
    while (p < end) {
        if (!nextLine(lineEnd)) {
            // A last line without its line end: an editor that does not add one leaves a whole
            // round like this, a crash mid-append a torn one.
            ++lineNo;
            const char* last = end[-1] == '\r' ? end - 1 : end;
            HistoryRecord& record = out.records.emplace_back();
            if (last - p <= MaxLineBytes && last > p && parseLine(p, last, record, fields))
                break;
            out.records.pop_back();
            out.tornTail = true;
            if (last > p)
                out.skippedLines.push_back(lineNo);
            break;
        }
        ++lineNo;
        const char* next = static_cast<const char*>(std::memchr(p, '\n', end - p)) + 1;
        if (lineEnd > p) { // blank lines carry nothing and are passed over
            // Read in place: a long history is mostly this loop.
            HistoryRecord& record = out.records.emplace_back();
            if (lineEnd - p > MaxLineBytes || !parseLine(p, lineEnd, record, fields)) {
                out.records.pop_back();
                out.skippedLines.push_back(lineNo);
            }
        }
        p = next;
    }
    return out;
}

HistoryFile::Loaded HistoryFile::load(const QString& gamePath) {
    const PlayerFile::Contents contents = PlayerFile::read(gamePath, MaxBytes);
    if (contents.status == PlayerFile::Status::Missing)
        return {};
    Loaded out;
    if (!contents.opened()) {
        out.error = contents.reason;
    } else if (contents.tooLarge(MaxBytes)) {
        out.error = QStringLiteral("%1 MiB を超えています").arg(MaxBytes / (1024 * 1024));
    } else {
        try {
            return parse(contents.bytes);
        } catch (const std::bad_alloc&) {
            out.error = QStringLiteral("メモリが足りません");
        }
    }
    return out;
}

namespace {

// A line end of the file: after LF, or the end of what is kept.
const char* lineStop(const char* p, const char* end) {
    const char* nl = static_cast<const char*>(std::memchr(p, '\n', end - p));
    return nl ? nl + 1 : end;
}

// The whole history of the first header, rewritten under the new one with the round added: each
// line that reads as a round gains the new fields as such a round had them (its judging from
// both_spellings, romaji, a round, untimed); any other line stays as it was, and so stays
// skipped. The file is replaced in one rename, so a crash leaves the old file or the new.
QString upgrade(int fd, off_t keep, const HistoryRecord& record, const QString& gamePath) {
    if (keep > HistoryFile::MaxBytes)
        return QStringLiteral("%1 MiB を超えています").arg(HistoryFile::MaxBytes / (1024 * 1024));
    QByteArray old(static_cast<qsizetype>(keep), '\0');
    if (!readAll(fd, old.data(), static_cast<size_t>(keep), 0))
        return systemReason(errno);
    QByteArray bytes = HistoryFile::Header + '\n';
    bytes.reserve(old.size() + old.size() / 8 + 512);
    const char* p = old.constData();
    const char* const end = p + old.size();
    p = lineStop(p, end); // the old header
    HistoryRecord scratch;
    while (p < end) {
        const char* next = lineStop(p, end);
        const char* contentEnd = next;
        if (contentEnd > p && contentEnd[-1] == '\n')
            --contentEnd;
        if (contentEnd > p && contentEnd[-1] == '\r')
            --contentEnd;
        bytes.append(p, contentEnd - p);
        if (contentEnd > p && contentEnd - p <= HistoryFile::MaxLineBytes &&
            HistoryFile::parseLine(p, contentEnd, scratch, HistoryFile::FirstFieldCount))
            bytes += scratch.bothSpellings ? ",both,romaji,round," : ",exact,romaji,round,";
        bytes.append(contentEnd, next - contentEnd);
        p = next;
    }
    if (!bytes.endsWith('\n'))
        bytes += '\n'; // a whole last round that had no line end
    bytes += HistoryFile::formatLine(record) + '\n';
    try {
        DurableFile::replace(gamePath, bytes);
    } catch (const FileError& e) {
        return e.message();
    }
    return {};
}

// One append under the file's lock. `stale` turns true when the file was replaced while this
// waited for the lock: the caller opens it anew.
QString appendLocked(const HistoryRecord& record, const QString& gamePath, bool& stale) {
    const QByteArray path = QFile::encodeName(TextFile::hostPath(gamePath));
    QString reason;
    bool missing = false;
    const int fd =
        PlayerFile::open(TextFile::hostPath(gamePath), O_RDWR | O_CREAT, 0644, reason, missing);
    if (fd < 0)
        return reason;
    FdCloser closer{fd};
    // Two games started side by side must not interleave their lines.
    while (::flock(fd, LOCK_EX) != 0) {
        if (errno != EINTR)
            return systemReason(errno);
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return systemReason(errno);
    if (!S_ISREG(st.st_mode))
        return QStringLiteral("通常のファイルではありません");
    struct stat named {};
    if (::stat(path.constData(), &named) == 0 &&
        (named.st_ino != st.st_ino || named.st_dev != st.st_dev)) {
        stale = true; // another game upgraded the file while this one waited
        return {};
    }
    const off_t size = st.st_size;

    // Where the last complete line ends: whatever follows was torn and goes.
    off_t keep = 0;
    {
        std::array<char, 8192> buf;
        off_t pos = size;
        bool found = false;
        while (pos > 0 && !found) {
            const off_t from = pos > off_t(buf.size()) ? pos - off_t(buf.size()) : 0;
            if (!readAll(fd, buf.data(), static_cast<size_t>(pos - from), from))
                return systemReason(errno);
            for (off_t i = pos - from; i > 0; --i) {
                if (buf[static_cast<size_t>(i - 1)] == '\n') {
                    keep = from + i;
                    found = true;
                    break;
                }
            }
            pos = from;
        }
    }

    // Only ever add to a history of ours.
    const QByteArray& Header = HistoryFile::Header;
    const QByteArray& FirstHeader = HistoryFile::FirstHeader;
    int fields = HistoryFile::FieldCount;
    bool firstHeader = false;
    if (size > 0) {
        const QByteArray headerLine = Header + '\n';
        QByteArray head(static_cast<qsizetype>(std::min<off_t>(size, headerLine.size() + 1)), '\0');
        if (!readAll(fd, head.data(), static_cast<size_t>(head.size()), 0))
            return systemReason(errno);
        const bool current = head.startsWith(headerLine) || head.startsWith(Header + "\r\n");
        const bool first =
            head.startsWith(FirstHeader + '\n') || head.startsWith(FirstHeader + "\r\n");
        // A header torn on the very first write is a beginning of the current one.
        const bool ours = keep > 0 ? current || first
                                   : headerLine.startsWith(head.left(static_cast<qsizetype>(size)));
        if (!ours)
            return QStringLiteral("1 行目が成績の記録の見出しではないので、書き足しません");
        firstHeader = keep > 0 && first;
        if (firstHeader)
            fields = HistoryFile::FirstFieldCount;
    }

    // A last line without its end that reads as a round is a round: it gets its line end
    // instead of being cut away.
    QByteArray bytes;
    if (keep > 0 && keep < size && size - keep <= HistoryFile::MaxLineBytes + 1) {
        QByteArray tail(static_cast<qsizetype>(size - keep), '\0');
        if (!readAll(fd, tail.data(), static_cast<size_t>(tail.size()), keep))
            return systemReason(errno);
        if (tail.endsWith('\r'))
            tail.chop(1);
        // The same test as reading's, so a line kept here is one that reads as a round.
        HistoryRecord last;
        if (!tail.isEmpty() && tail.size() <= HistoryFile::MaxLineBytes &&
            HistoryFile::parseLine(tail.cbegin(), tail.cend(), last, fields)) {
            keep = size;
            bytes = "\n";
        }
    }
    if (firstHeader)
        return upgrade(fd, keep, record, gamePath);
    if (keep == 0)
        bytes = Header + '\n';
    bytes += HistoryFile::formatLine(record) + '\n';
    if (keep < size && ::ftruncate(fd, keep) != 0)
        return systemReason(errno);
    if (!writeAll(fd, bytes.constData(), static_cast<size_t>(bytes.size()), keep)) {
        const int error = errno;
        // A disk that filled up mid-line: take the partial line back out.
        if (::ftruncate(fd, keep) != 0) {
            // The next append cuts it away as a torn line.
        }
        return systemReason(error);
    }
    closer.fd = -1;
    if (::close(fd) != 0)
        return systemReason(errno);
    return {};
}

} // namespace

std::vector<HistoryRecord> HistoryFile::loadRecent(int count, const QString& gamePath) {
    if (count <= 0)
        return {};
    // Through the player's-file opener: a FIFO in its place must not hang the round's start.
    QString reason;
    bool missing = false;
    const int fd = PlayerFile::open(TextFile::hostPath(gamePath), O_RDONLY, 0, reason, missing);
    if (fd < 0)
        return {};
    FdCloser closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_size > MaxBytes)
        return {};
    const off_t size = st.st_size;
    QByteArray head(static_cast<qsizetype>(std::min<off_t>(size, MaxLineBytes + 2)), '\0');
    if (!readAll(fd, head.data(), static_cast<size_t>(head.size()), 0))
        return {};
    const qsizetype headerEnd = head.indexOf('\n');
    if (headerEnd < 0)
        return {};
    // Each line is at most MaxLineBytes, so this much of the end holds the last `count` lines.
    const off_t tailBytes = off_t{count + 1} * (MaxLineBytes + 2);
    const off_t from = std::max<off_t>(headerEnd + 1, size - tailBytes);
    QByteArray bytes = head.left(headerEnd + 1);
    QByteArray tail(static_cast<qsizetype>(size - from), '\0');
    if (!readAll(fd, tail.data(), static_cast<size_t>(tail.size()), from))
        return {};
    if (from > headerEnd + 1) {
        const qsizetype firstWhole = tail.indexOf('\n'); // the line cut by the start of the tail
        tail = firstWhole < 0 ? QByteArray() : tail.mid(firstWhole + 1);
    }
    Loaded loaded = parse(bytes + tail);
    if (!loaded.error.isEmpty())
        return {};
    std::vector<HistoryRecord>& records = loaded.records;
    if (records.size() > static_cast<size_t>(count))
        records.erase(records.begin(), records.end() - count);
    return std::move(records);
}

QString HistoryFile::append(const HistoryRecord& record, const QString& gamePath) {
    for (int attempt = 0;; ++attempt) {
        bool stale = false;
        const QString reason = appendLocked(record, gamePath, stale);
        if (!stale)
            return reason;
        if (attempt == 8)
            return QStringLiteral("ほかのゲームが書き換え続けています");
    }
}
