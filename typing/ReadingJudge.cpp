#include "typing/ReadingJudge.h"

#include "phrases/KanaSpellings.h"

#include <algorithm>

namespace {

// How the game writes a character of a reading that is not kana: ASCII as itself, the signs of
// the phrases as the exact judging types them; empty for kana.
QString writtenSpelling(QChar folded) {
    const char16_t c = folded.unicode();
    if (c >= 0x20 && c < 0x7F)
        return QString(folded);
    for (const SymbolSpelling& s : KanaSpellings::symbols())
        if (s.symbol == c)
            return QString::fromLatin1(s.romaji);
    return {};
}

} // namespace

ReadingJudge::ReadingJudge(const QString& reading, const RomajiTable& table, const QString& guide)
    : m_table(table), m_reading(RomajiTable::fold(reading)) {
    const int n = static_cast<int>(m_reading.size());
    m_written.reserve(static_cast<std::size_t>(n));
    for (QChar c : m_reading)
        m_written.push_back(writtenSpelling(c));
    m_ok.assign(static_cast<std::size_t>(n) + 1, 0);
    m_ok[static_cast<std::size_t>(n)] = 1;
    for (int p = n - 1; p >= 0; --p) {
        bool ok = !m_written[static_cast<std::size_t>(p)].isEmpty() &&
                  m_ok[static_cast<std::size_t>(p) + 1];
        for (int r : m_table.rowsBeginning(m_reading[p])) {
            if (ok)
                break;
            const RomajiTable::Row& row = m_table.row(r);
            if (matches(p, row.folded))
                ok = feasible(p + static_cast<int>(row.folded.size()), row.pending);
        }
        m_ok[static_cast<std::size_t>(p)] = ok;
    }
    m_states.push_back({});
    m_guide = guide.isEmpty() ? spellFrom(0) : guide;
    // Where the guide's keys stand at each position of the reading, so that the line can show
    // the guide's own spelling after a kana the player spelt otherwise.
    m_guideAt.assign(static_cast<std::size_t>(n) + 1, -1);
    m_guideAt[0] = 0;
    std::vector<State> states = m_states;
    for (qsizetype i = 0; i < m_guide.size(); ++i) {
        std::vector<State> next;
        for (const State& s : states)
            step(s, m_guide[i], next);
        if (next.empty())
            break;
        states = std::move(next);
        for (const State& s : states)
            if (s.buffer.empty() && s.literal == 0 &&
                m_guideAt[static_cast<std::size_t>(s.pos)] < 0)
                m_guideAt[static_cast<std::size_t>(s.pos)] = static_cast<int>(i + 1);
    }
}

bool ReadingJudge::matches(int pos, const QString& folded) const {
    return QStringView(m_reading).mid(pos).startsWith(folded);
}

bool ReadingJudge::feasible(int pos, const std::string& buffer) const {
    if (buffer.empty())
        return m_ok[static_cast<std::size_t>(pos)] != 0;
    if (pos >= m_reading.size())
        return false;
    for (int r : m_table.rowsBeginning(m_reading[pos])) {
        const RomajiTable::Row& row = m_table.row(r);
        if (!std::string_view(row.keys).starts_with(buffer) || !matches(pos, row.folded))
            continue;
        // Every row gives some output, so each step moves on and the search ends.
        if (feasible(pos + static_cast<int>(row.folded.size()), row.pending))
            return true;
    }
    return false;
}

bool ReadingJudge::step(const State& from, QChar key, std::vector<State>& into) const {
    auto add = [&into](State s) {
        if (std::find(into.begin(), into.end(), s) == into.end())
            into.push_back(std::move(s));
    };
    const std::size_t at = static_cast<std::size_t>(from.pos);
    bool any = false;
    // The sign as the game writes it ("///" for …), begun or going on.
    if (from.buffer.empty() && at < m_written.size() && !m_written[at].isEmpty()) {
        const QString& written = m_written[at];
        if (from.literal < written.size() && written[from.literal] == key) {
            const bool done = from.literal + 1 == written.size();
            if (!done || m_ok[at + 1]) {
                add(done ? State{from.pos + 1, {}, 0} : State{from.pos, {}, from.literal + 1});
                any = true;
            }
        }
    }
    if (from.literal > 0 || key.unicode() <= 0x20 || key.unicode() >= 0x7F)
        return any;
    const RomajiTable::Conversion c = m_table.convert(from.buffer + char(key.unicode()));
    if (c.dead || !matches(from.pos, c.folded))
        return any;
    const int pos = from.pos + static_cast<int>(c.folded.size());
    if (!feasible(pos, c.buffer))
        return any;
    add({pos, c.buffer, 0});
    return true;
}

bool ReadingJudge::feed(QChar key) {
    std::vector<State> next;
    for (const State& s : m_states)
        step(s, key, next);
    if (next.empty())
        return false;
    m_states = std::move(next);
    m_followsGuide =
        m_followsGuide && m_typed.size() < m_guide.size() && m_guide[m_typed.size()] == key;
    m_typed += key;
    return true;
}

bool ReadingJudge::complete() const {
    return std::any_of(m_states.begin(), m_states.end(), [this](const State& s) {
        return s.pos == m_reading.size() && s.buffer.empty() && s.literal == 0;
    });
}

QString ReadingJudge::rest() const {
    if (complete())
        return {};
    if (m_followsGuide)
        return m_guide.mid(m_typed.size());
    const State& s = m_states.front();
    if (s.literal > 0)
        return m_written[static_cast<std::size_t>(s.pos)].mid(s.literal) + spellFrom(s.pos + 1);
    return finish(s.pos, s.buffer);
}

QString ReadingJudge::finish(int pos, const std::string& buffer) const {
    if (buffer.empty())
        return spellFrom(pos);
    int chosen = -1;
    for (int r : m_table.rowsBeginning(m_reading[pos])) {
        const RomajiTable::Row& row = m_table.row(r);
        if (!std::string_view(row.keys).starts_with(buffer) || !matches(pos, row.folded))
            continue;
        const int after = pos + static_cast<int>(row.folded.size());
        if (!feasible(after, row.pending))
            continue;
        if (chosen < 0 || row.folded.size() > m_table.row(chosen).folded.size())
            chosen = r;
    }
    if (chosen < 0)
        return {};
    // The buffer's keys are typed already, and pending keys stay in the buffer: neither is typed
    // again.
    const RomajiTable::Row& row = m_table.row(chosen);
    return QString::fromStdString(row.keys).mid(static_cast<qsizetype>(buffer.size())) +
           finish(pos + static_cast<int>(row.folded.size()), row.pending);
}

QString ReadingJudge::spellFrom(int pos) const {
    QString out;
    while (pos < m_reading.size()) {
        const std::size_t at = static_cast<std::size_t>(pos);
        if (!m_guideAt.empty() && m_guideAt[at] >= 0)
            return out + m_guide.mid(m_guideAt[at]);
        if (!m_written[at].isEmpty() && m_ok[at + 1]) {
            out += m_written[at];
            ++pos;
            continue;
        }
        // The table's first row among those taking the most of the reading; one a longer row
        // could take over (a lone "n") is left for a row that stands alone.
        int chosen = -1;
        for (int r : m_table.rowsBeginning(m_reading[pos])) {
            const RomajiTable::Row& row = m_table.row(r);
            const int after = pos + static_cast<int>(row.folded.size());
            if (!matches(pos, row.folded) || m_table.extends(row.keys) ||
                !feasible(after, row.pending))
                continue;
            if (chosen < 0 || row.folded.size() > m_table.row(chosen).folded.size())
                chosen = r;
        }
        if (chosen < 0)
            return out;
        const RomajiTable::Row& row = m_table.row(chosen);
        if (!row.pending.empty())
            return out + QString::fromStdString(row.keys) +
                   finish(pos + static_cast<int>(row.folded.size()), row.pending);
        out += QString::fromStdString(m_table.row(chosen).keys);
        pos += static_cast<int>(m_table.row(chosen).folded.size());
    }
    return out;
}
