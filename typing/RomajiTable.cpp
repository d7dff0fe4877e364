#include "typing/RomajiTable.h"

#include "core/ErrorReporter.h"
#include "core/FileError.h"
#include "core/TextFile.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <set>
#include <unordered_map>

namespace {

// Bounds the re-reading of pending keys, so that no buffer can hold the game in a loop.
constexpr int MaxSteps = 64;

[[noreturn]] void fail(const QString& name, int line, const QString& why) {
    throw FileError(
        QStringLiteral("ローマ字表「%1」の %2 行目：%3。").arg(name).arg(line).arg(why));
}

// Keys are printable ASCII without blanks, so a row cannot hide a key the player cannot type.
bool keysAreTypable(QStringView keys) {
    return std::all_of(keys.begin(), keys.end(),
                       [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7F; });
}

QString codeOf(QChar c) {
    return QStringLiteral("U+%1").arg(c.unicode(), 4, 16, QLatin1Char('0')).toUpper();
}

} // namespace

QString RomajiTable::fold(QStringView text) {
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        char16_t u = c.unicode();
        if (u >= 0x30A1 && u <= 0x30F6)
            u = static_cast<char16_t>(u - 0x60); // katakana as hiragana
        else if (u >= 0xFF01 && u <= 0xFF5E)
            u = static_cast<char16_t>(u - 0xFEE0); // full-width ASCII as ASCII
        else if (u == 0xFF62)
            u = u'「';
        else if (u == 0xFF63)
            u = u'」';
        else if (u == 0xFF65)
            u = u'・';
        else if (u == 0xFF70)
            u = u'ー';
        else if (u == u'〜')
            u = '~';
        out += QChar(u);
    }
    return out;
}

RomajiTable RomajiTable::fromLines(const QStringList& crLines, const QString& name) {
    RomajiTable table;
    // Our own file: LF ends a line as well as CR and CR LF (the reader splits at LF already
    // when it reads the file; lines from elsewhere may still hold one).
    QStringList split;
    const bool hasLf = std::any_of(crLines.begin(), crLines.end(),
                                   [](const QString& l) { return l.contains(QLatin1Char('\n')); });
    if (hasLf)
        for (const QString& line : crLines)
            split += line.split(QLatin1Char('\n'));
    const QStringList& lines = hasLf ? split : crLines;
    int number = 0;
    table.m_rows.reserve(static_cast<std::size_t>(std::min<qsizetype>(lines.size(), MaxRows)));
    for (const QString& text : lines) {
        ++number;
        const QStringView line(text);
        if (line.trimmed().isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        if (table.size() == MaxRows)
            fail(name, number, QStringLiteral("行が %1 行を超えています").arg(MaxRows));
        const qsizetype tab1 = line.indexOf(QLatin1Char('\t'));
        if (tab1 < 0)
            fail(name, number,
                 QStringLiteral("タブがありません（キーと出力をタブで区切ってください）"));
        qsizetype tab2 = line.indexOf(QLatin1Char('\t'), tab1 + 1);
        if (tab2 >= 0 && line.indexOf(QLatin1Char('\t'), tab2 + 1) >= 0)
            fail(name, number, QStringLiteral("タブが 3 つ以上あります"));
        if (tab2 < 0)
            tab2 = line.size();
        const QStringView keys = line.first(tab1);
        const QStringView output = line.sliced(tab1 + 1, tab2 - tab1 - 1);
        const QStringView pending = tab2 < line.size() ? line.sliced(tab2 + 1) : QStringView();
        if (keys.isEmpty())
            fail(name, number, QStringLiteral("キーが空です"));
        if (!keysAreTypable(keys))
            fail(name, number, QStringLiteral("キーに空白・制御文字・ASCII 以外の文字があります"));
        if (keys.size() > MaxKeys)
            fail(name, number, QStringLiteral("キーが %1 文字を超えています").arg(MaxKeys));
        if (output.isEmpty())
            fail(name, number, QStringLiteral("出力が空です"));
        for (QChar c : output)
            if (c.unicode() < 0x20 || c.unicode() == 0x7F || !c.isPrint())
                fail(name, number,
                     QStringLiteral("出力に使えない文字（%1）があります").arg(codeOf(c)));
        if (TextFile::characterCount(output) > MaxOutput)
            fail(name, number, QStringLiteral("出力が %1 文字を超えています").arg(MaxOutput));
        if (!keysAreTypable(pending))
            fail(name, number,
                 QStringLiteral("残すキーに空白・制御文字・ASCII 以外の文字があります"));
        if (pending.size() > MaxKeys)
            fail(name, number, QStringLiteral("残すキーが %1 文字を超えています").arg(MaxKeys));
        table.m_rows.push_back({keys.toLatin1().toStdString(), output.toString(), fold(output),
                                pending.toLatin1().toStdString(), number});
    }
    if (table.m_rows.empty())
        throw FileError(QStringLiteral("ローマ字表「%1」に行がひとつもありません。").arg(name));
    table.index();
    // Equal keys sort next to each other in file order: name the first repeat in the file.
    const Row* repeat = nullptr;
    const Row* original = nullptr;
    for (std::size_t i = 1; i < table.m_sortedRows.size(); ++i) {
        const Row& first = table.row(table.m_sortedRows[i - 1]);
        const Row& next = table.row(table.m_sortedRows[i]);
        if (first.keys != next.keys)
            continue;
        if (!repeat || next.line < repeat->line) {
            repeat = &next;
            original = &first;
        }
        while (i + 1 < table.m_sortedRows.size() &&
               table.row(table.m_sortedRows[i + 1]).keys == first.keys)
            ++i;
    }
    if (repeat) {
        fail(name, repeat->line,
             QStringLiteral("キー「%1」は %2 行目と重なっています")
                 .arg(QString::fromStdString(repeat->keys))
                 .arg(original->line));
    }
    // Pending keys are read again as the start of the next kana: they must lead somewhere, and
    // must not come back to themselves without a key typed.
    for (const Row& row : table.m_rows) {
        if (row.pending.empty())
            continue;
        const Conversion after = table.convert(row.pending);
        if (after.looped)
            fail(name, row.line,
                 QStringLiteral("残すキー「%1」が読み直されるたびに同じ行に戻り、終わりません")
                     .arg(QString::fromStdString(row.pending)));
        std::set<std::string> seen;
        if (after.dead || !table.settles(row.pending, seen))
            fail(name, row.line,
                 QStringLiteral("残すキー「%1」から先に進める行がなく、この行は最後まで打てません")
                     .arg(QString::fromStdString(row.pending)));
    }
    return table;
}

void RomajiTable::index() {
    // Sorted by keys, equal keys in file order. Keys are at most eight printable ASCII bytes, so
    // each packs into one integer (zero-padded, first key highest) that sorts as the text does.
    static_assert(MaxKeys <= 8);
    std::vector<std::pair<uint64_t, int>> byKeys;
    byKeys.reserve(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        uint64_t packed = 0;
        const std::string& keys = m_rows[i].keys;
        for (std::size_t k = 0; k < 8; ++k)
            packed = (packed << 8) | (k < keys.size() ? static_cast<unsigned char>(keys[k]) : 0u);
        byKeys.emplace_back(packed, static_cast<int>(i));
    }
    std::sort(byKeys.begin(), byKeys.end());
    m_sortedRows.resize(m_rows.size());
    for (std::size_t i = 0; i < byKeys.size(); ++i)
        m_sortedRows[i] = byKeys[i].second;
    // Rows by the first character of their output, each list in file order: a bucket per
    // character met, the few characters sorted afterwards.
    std::unordered_map<char16_t, std::vector<int>> buckets;
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        buckets[m_rows[i].folded.front().unicode()].push_back(static_cast<int>(i));
    m_byOutput.assign(std::make_move_iterator(buckets.begin()),
                      std::make_move_iterator(buckets.end()));
    std::sort(m_byOutput.begin(), m_byOutput.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
}

bool RomajiTable::settles(const std::string& keys, std::set<std::string>& seen) const {
    const Conversion c = convert(keys);
    if (c.dead || c.buffer.empty())
        return !c.dead;
    if (!seen.insert(c.buffer).second)
        return false;
    auto at = std::lower_bound(m_sortedRows.begin(), m_sortedRows.end(), c.buffer,
                               [this](int r, const std::string& k) { return row(r).keys < k; });
    for (; at != m_sortedRows.end() && row(*at).keys.starts_with(c.buffer); ++at)
        if (row(*at).pending.empty() || settles(row(*at).pending, seen))
            return true;
    return false;
}

int RomajiTable::exact(std::string_view keys) const {
    const auto at = std::lower_bound(m_sortedRows.begin(), m_sortedRows.end(), keys,
                                     [this](int r, std::string_view k) { return row(r).keys < k; });
    return at != m_sortedRows.end() && row(*at).keys == keys ? *at : -1;
}

bool RomajiTable::extends(std::string_view keys) const {
    auto at = std::upper_bound(m_sortedRows.begin(), m_sortedRows.end(), keys,
                               [this](std::string_view k, int r) { return k < row(r).keys; });
    // The first key sorted after `keys` begins with it whenever any longer key does.
    return at != m_sortedRows.end() && std::string_view(row(*at).keys).starts_with(keys);
}

const std::vector<int>& RomajiTable::rowsBeginning(QChar folded) const {
    static const std::vector<int> none;
    const auto at = std::lower_bound(
        m_byOutput.begin(), m_byOutput.end(), folded.unicode(),
        [](const std::pair<char16_t, std::vector<int>>& e, char16_t c) { return e.first < c; });
    return at != m_byOutput.end() && at->first == folded.unicode() ? at->second : none;
}

RomajiTable::Conversion RomajiTable::convert(std::string buffer) const {
    Conversion out;
    for (int step = 0; step < MaxSteps; ++step) {
        if (buffer.empty() || extends(buffer)) {
            out.buffer = std::move(buffer);
            return out;
        }
        if (const int r = exact(buffer); r >= 0) {
            out.folded += row(r).folded;
            buffer = row(r).pending;
            continue;
        }
        // Nothing longer can follow: the longest row at the start applies, the rest is re-read.
        bool applied = false;
        for (std::size_t k = buffer.size() - 1; k >= 1 && !applied; --k) {
            if (const int r = exact(std::string_view(buffer).substr(0, k)); r >= 0) {
                out.folded += row(r).folded;
                buffer = row(r).pending + buffer.substr(k);
                applied = true;
            }
        }
        if (!applied) {
            out.dead = true;
            return out;
        }
    }
    out.dead = out.looped = true;
    return out;
}

RomajiTable RomajiTable::read(const QString& gamePath) {
    return fromLines(TextFile::readLines(gamePath, {TextFile::MaxFileBytes, true}), gamePath);
}

std::shared_ptr<const RomajiTable> RomajiTable::builtIn() {
    static const std::shared_ptr<const RomajiTable> table = [] {
        QFile file(QStringLiteral(":/romaji/ime.tsv"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the built-in romaji table is missing from the program");
        return std::make_shared<const RomajiTable>(fromLines(
            TextFile::linesOf(file.readAll(), BuiltInName, {TextFile::MaxFileBytes, true}),
            BuiltInName));
    }();
    return table;
}

std::shared_ptr<const RomajiTable> RomajiTable::loadForRound(ErrorReporter& errors,
                                                             const QString& gamePath) {
    try {
        if (!QFileInfo::exists(TextFile::hostPath(gamePath)))
            throw FileError(QStringLiteral("ローマ字表「%1」がありません。").arg(gamePath));
        return std::make_shared<const RomajiTable>(read(gamePath));
    } catch (const FileError& e) {
        errors.warn(e.message() + QStringLiteral("\nこのラウンドは内蔵のローマ字表で判定します。"));
        return builtIn();
    }
}
