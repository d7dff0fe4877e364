#include "stats/ProgressModel.h"

#include <algorithm>

namespace {
const QColor Unused(90, 90, 90);
const QColor Green(40, 170, 70);
const QColor Yellow(235, 200, 30);
const QColor Red(220, 40, 40);

QColor mix(const QColor& a, const QColor& b, double t) {
    auto channel = [t](int x, int y) { return static_cast<int>(x + (y - x) * t + 0.5); };
    return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()),
                  channel(a.blue(), b.blue()));
}
} // namespace

ProgressModel::ProgressModel(const std::vector<HistoryRecord>& records) {
    // The charts follow rounds; drill sessions have no score and count only on the keyboard.
    std::vector<const HistoryRecord*> rounds;
    rounds.reserve(records.size());
    for (const HistoryRecord& r : records)
        if (r.kind == HistoryRecord::Kind::Round)
            rounds.push_back(&r);
    m_totalRounds = static_cast<int>(rounds.size());
    const int firstPlotted = std::max(0, m_totalRounds - ChartRounds);
    m_points.reserve(static_cast<size_t>(m_totalRounds - firstPlotted));
    for (int i = firstPlotted; i < m_totalRounds; ++i) {
        const HistoryRecord& r = *rounds[static_cast<size_t>(i)];
        m_points.push_back({i + 1, r.score, r.speed, r.accuracy});
    }
    const int total = static_cast<int>(records.size());
    const int firstCounted = std::max(0, total - KeyRounds);
    m_keyRounds = total - firstCounted;
    for (int i = firstCounted; i < total; ++i) {
        const HistoryRecord& r = records[static_cast<size_t>(i)];
        for (const auto& [character, n] : r.keysByKey)
            if (const char32_t key = keyFor(character))
                m_keys[key].keys += n;
        for (const auto& [character, n] : r.missesByKey)
            if (const char32_t key = keyFor(character))
                m_keys[key].misses += n;
        for (const RoundFigures::KeyTime& t : r.timesByKey) {
            if (const char32_t key = keyFor(t.key)) {
                m_keys[key].ms += t.total;
                m_keys[key].timed += t.count;
            }
        }
    }
}

ProgressModel::KeyStat ProgressModel::keyStat(char32_t key) const {
    const auto it = m_keys.find(key);
    return it == m_keys.end() ? KeyStat{} : it->second;
}

QColor ProgressModel::colour(char32_t key) const {
    return colourFor(keyStat(key));
}

QColor ProgressModel::colourFor(const KeyStat& stat) {
    if (stat.keys <= 0)
        return Unused;
    const double t = std::clamp(stat.rate() / RedRate, 0.0, 1.0);
    return t < 0.5 ? mix(Green, Yellow, t * 2) : mix(Yellow, Red, (t - 0.5) * 2);
}

QString ProgressModel::toolTip(char32_t key) const {
    const KeyStat s = keyStat(key);
    const QString name = key == U' ' ? QStringLiteral("スペース") : capLabel(key);
    if (s.keys == 0)
        return QStringLiteral("%1：直近 %2 回で打つ場面なし").arg(name).arg(m_keyRounds);
    const QString text = QStringLiteral("%1：ミス %2 / %3 打（%4%）　直近 %5 回")
                             .arg(name)
                             .arg(s.misses)
                             .arg(s.keys)
                             .arg(QString::number(100.0 * s.rate(), 'f', 1))
                             .arg(m_keyRounds);
    // Histories from before keys were timed show no time rather than a time of 0.
    if (s.timed == 0)
        return text;
    return text + QStringLiteral("　平均 %1 ms").arg(qRound(s.meanMs()));
}

char32_t ProgressModel::keyFor(char32_t c) {
    if (c >= U'A' && c <= U'Z')
        return c - U'A' + U'a';
    if (c == U'!')
        return U'1';
    if (c == U'?')
        return U'/';
    for (const auto& row : rows())
        if (std::find(row.begin(), row.end(), c) != row.end())
            return c;
    return 0;
}

const std::vector<std::vector<char32_t>>& ProgressModel::rows() {
    static const std::vector<std::vector<char32_t>> layout = [] {
        std::vector<std::vector<char32_t>> out;
        for (const char* row : {"1234567890-", "qwertyuiop", "asdfghjkl;", "zxcvbnm,./", " "})
            out.emplace_back(row, row + std::char_traits<char>::length(row));
        return out;
    }();
    return layout;
}

QString ProgressModel::capLabel(char32_t key) {
    if (key == U' ')
        return QStringLiteral("Space");
    return QString::fromUcs4(&key, 1).toUpper();
}
