#include "stats/ProgressModel.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

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

double luminance(const QColor& c) {
    auto linear = [](double v) {
        v /= 255.0;
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(c.red()) + 0.7152 * linear(c.green()) + 0.0722 * linear(c.blue());
}

QString signedNumber(double value, int decimals) {
    const QString text = QString::number(std::abs(value), 'f', decimals);
    if (text == QString::number(0.0, 'f', decimals))
        return QStringLiteral("±") + text;
    return (value > 0 ? QStringLiteral("+") : QStringLiteral("−")) + text;
}
} // namespace

ProgressModel::ProgressModel(const std::vector<HistoryRecord>& records) {
    for (const HistoryRecord& r : records)
        add(r);
}

ProgressModel::Loaded ProgressModel::load(const QString& gamePath) {
    Loaded out;
    // Each round's record is handed on whole, not copied: the trend keeps the last ones. A
    // long history is read in two halves at once, on both cores.
    ProgressModel later;
    out.read =
        HistoryReader::readInTwo([&out](HistoryRecord& r) { out.model.add(std::move(r)); },
                                 [&later](HistoryRecord& r) { later.add(std::move(r)); }, gamePath);
    if (!out.read.error.isEmpty())
        out.model = ProgressModel(); // a file that is not ours shows nothing of it
    else
        out.model.append(std::move(later));
    return out;
}

void ProgressModel::append(ProgressModel&& later) {
    for (Point p : later.m_points) {
        p.round += m_totalRounds;
        m_points.push_back(p);
        if (m_points.size() > static_cast<size_t>(ChartRounds))
            m_points.pop_front();
    }
    m_totalRounds += later.m_totalRounds;
    if (later.m_romaji.records + later.m_kana.records > 0)
        m_lastInput = later.m_lastInput;
    m_romaji.append(later.m_romaji);
    m_kana.append(later.m_kana);
    m_trend.append(std::move(later.m_trend));
    m_kanaTrend.append(std::move(later.m_kanaTrend));
    later = ProgressModel();
}

void ProgressModel::add(const HistoryRecord& r) {
    tally(r);
    (r.input == Input::Kana ? m_kanaTrend : m_trend).add(r);
}

void ProgressModel::add(HistoryRecord&& r) {
    tally(r);
    (r.input == Input::Kana ? m_kanaTrend : m_trend).add(std::move(r));
}

void ProgressModel::tally(const HistoryRecord& r) {
    m_lastInput = r.input;
    // The charts follow rounds; drill sessions have no score and count only on the keyboard.
    if (r.kind == HistoryRecord::Kind::Round) {
        ++m_totalRounds;
        m_points.push_back({m_totalRounds, r.score, r.speed, r.accuracy});
        if (m_points.size() > static_cast<size_t>(ChartRounds))
            m_points.pop_front();
    }
    // A kana round's keys are kana: they count for the kana keyboard and its trend only.
    if (r.input == Input::Kana)
        m_kana.add(r);
    else
        m_romaji.add(r);
}

template <int Slots, int (*index)(char32_t)>
void ProgressModel::KeySums<Slots, index>::add(const HistoryRecord& r) {
    ++records;
    recentReady = false;
    for (const auto& [character, n] : r.keysByKey)
        if (const int k = index(character); k >= 0)
            whole[static_cast<size_t>(k)].keys += n;
    for (const auto& [character, n] : r.missesByKey)
        if (const int k = index(character); k >= 0)
            whole[static_cast<size_t>(k)].misses += n;
    for (const RoundFigures::KeyTime& t : r.timesByKey) {
        if (const int k = index(t.key); k >= 0) {
            whole[static_cast<size_t>(k)].ms += t.total;
            whole[static_cast<size_t>(k)].timed += t.count;
        }
    }
}

template <int Slots, int (*index)(char32_t)>
void ProgressModel::KeySums<Slots, index>::append(const KeySums& later) {
    records += later.records;
    recentReady = false;
    for (size_t k = 0; k < whole.size(); ++k) {
        whole[k].misses += later.whole[k].misses;
        whole[k].keys += later.whole[k].keys;
        whole[k].ms += later.whole[k].ms;
        whole[k].timed += later.whole[k].timed;
    }
}

template <int Slots, int (*index)(char32_t)>
ProgressModel::KeyStat
ProgressModel::KeySums<Slots, index>::recentOf(char32_t character,
                                               const WeakKeyTrend& trend) const {
    const int i = index(character);
    if (i < 0)
        return {};
    if (!recentReady) {
        recent = {};
        for (int r = 0; r < trend.records(); ++r) {
            const HistoryRecord& record = trend.record(r);
            for (const auto& [c, n] : record.keysByKey)
                if (const int k = index(c); k >= 0)
                    recent[static_cast<size_t>(k)].keys += n;
            for (const auto& [c, n] : record.missesByKey)
                if (const int k = index(c); k >= 0)
                    recent[static_cast<size_t>(k)].misses += n;
            for (const RoundFigures::KeyTime& t : record.timesByKey) {
                if (const int k = index(t.key); k >= 0) {
                    recent[static_cast<size_t>(k)].ms += t.total;
                    recent[static_cast<size_t>(k)].timed += t.count;
                }
            }
        }
        recentReady = true;
    }
    return recent[static_cast<size_t>(i)];
}

template <int Slots, int (*index)(char32_t)>
ProgressModel::Tally ProgressModel::KeySums<Slots, index>::wholeOf(char32_t character) const {
    const int i = index(character);
    return i < 0 ? Tally{} : whole[static_cast<size_t>(i)];
}

int ProgressModel::records(Input input) const {
    return input == Input::Kana ? m_kana.records : m_romaji.records;
}

int ProgressModel::keyRounds(Input input) const {
    return weakKeyTrend(input).records();
}

ProgressModel::KeyStat ProgressModel::keyStat(char32_t key) const {
    return m_romaji.recentOf(key, m_trend);
}

ProgressModel::Tally ProgressModel::wholeHistory(char32_t key) const {
    return m_romaji.wholeOf(key);
}

ProgressModel::KeyStat ProgressModel::keyStat(char32_t character, Input input) const {
    return input == Input::Kana ? m_kana.recentOf(character, m_kanaTrend)
                                : m_romaji.recentOf(character, m_trend);
}

ProgressModel::Tally ProgressModel::wholeHistory(char32_t character, Input input) const {
    return input == Input::Kana ? m_kana.wholeOf(character) : m_romaji.wholeOf(character);
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

double ProgressModel::contrast(const QColor& a, const QColor& b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ProgressModel::textOn(const QColor& fill) {
    const QColor black(Qt::black), white(Qt::white);
    return contrast(fill, black) >= contrast(fill, white) ? black : white;
}

QString ProgressModel::toolTip(char32_t key) const {
    return toolTipFor(keyName(key), keyStat(key), keyRounds());
}

QString ProgressModel::toolTipFor(const QString& name, const KeyStat& s, int rounds) {
    if (s.keys == 0)
        return QStringLiteral("%1：直近 %2 回で打つ場面なし").arg(name).arg(rounds);
    const QString text = QStringLiteral("%1：ミス %2 / %3 打（%4%）　直近 %5 回")
                             .arg(name)
                             .arg(s.misses)
                             .arg(s.keys)
                             .arg(QString::number(100.0 * s.rate(), 'f', 1))
                             .arg(rounds);
    // Histories from before keys were timed show no time rather than a time of 0.
    if (s.timed == 0)
        return text;
    return text + QStringLiteral("　平均 %1 ms").arg(qRound(s.meanMs()));
}

QString ProgressModel::capRate(char32_t key) const {
    return capRateFor(keyStat(key));
}

QString ProgressModel::capRateFor(const KeyStat& s) {
    if (s.keys == 0)
        return QStringLiteral("–");
    return QString::number(std::lround(100.0 * s.rate())) + QLatin1Char('%');
}

QString ProgressModel::summary() const {
    if (m_points.empty())
        return QStringLiteral("まだ記録がありません");
    const Point& last = m_points.back();
    QString text =
        QStringLiteral("全 %1 回。最新の %2 回目：スコア %3、速度 %4 打/秒、正確率 %5%。")
            .arg(m_totalRounds)
            .arg(last.round)
            .arg(last.score)
            .arg(QString::number(last.speed, 'f', 2))
            .arg(QString::number(last.accuracy, 'f', 1));
    const int n = std::min<int>(TrendRounds, static_cast<int>(m_points.size()) / 2);
    if (n == 0)
        return text + QStringLiteral("傾向は 2 回目から出ます。");
    double score[2] = {0, 0}, speed[2] = {0, 0}, accuracy[2] = {0, 0};
    const size_t size = m_points.size();
    for (int half = 0; half < 2; ++half) {
        for (int i = 0; i < n; ++i) {
            const Point& p = m_points[size - static_cast<size_t>((1 - half) * n + n - i)];
            score[half] += p.score;
            speed[half] += p.speed;
            accuracy[half] += p.accuracy;
        }
    }
    return text +
           QStringLiteral("傾向：直近 %1 回の平均はその前の %1 回より スコア %2、速度 %3 打/秒、"
                          "正確率 %4 ポイント。")
               .arg(n)
               .arg(signedNumber((score[1] - score[0]) / n, 0))
               .arg(signedNumber((speed[1] - speed[0]) / n, 2))
               .arg(signedNumber((accuracy[1] - accuracy[0]) / n, 1));
}

std::vector<int> ProgressModel::RoundAxis::ticks() const {
    std::vector<int> out;
    for (int t = anchor; t <= max; t += interval)
        if (t >= min)
            out.push_back(t);
    return out;
}

ProgressModel::RoundAxis ProgressModel::roundAxis() const {
    if (m_points.empty())
        return roundAxis(1, 1);
    return roundAxis(m_points.front().round, m_points.back().round);
}

ProgressModel::RoundAxis ProgressModel::roundAxis(int first, int last) {
    const int span = last - first;
    // At most ten gaps between ticks, each a whole number of rounds that reads well.
    int interval = 1;
    for (int step : {1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000}) {
        interval = step;
        if (span <= 10 * step)
            break;
    }
    RoundAxis axis;
    const double margin = std::max(0.5, span * 0.02);
    axis.min = first - margin;
    axis.max = last + margin;
    axis.interval = interval;
    axis.anchor = (first + interval - 1) / interval * interval;
    if (interval == 1)
        axis.anchor = first;
    return axis;
}

int ProgressModel::kanaIndex(char32_t c) {
    if (c >= FirstKana && c < FirstKana + KanaBlock)
        return static_cast<int>(c - FirstKana);
    for (size_t i = 0; i < std::size(KanaSigns); ++i)
        if (KanaSigns[i] == c)
            return KanaBlock + static_cast<int>(i);
    return -1;
}

char32_t ProgressModel::kanaAt(int index) {
    if (index < 0 || index >= KanaCount)
        return 0;
    return index < KanaBlock ? FirstKana + static_cast<char32_t>(index)
                             : KanaSigns[static_cast<size_t>(index - KanaBlock)];
}

char32_t ProgressModel::keyFor(char32_t c) {
    const int i = keyIndex(c);
    if (i < 0)
        return 0;
    int index = 0;
    for (const auto& row : rows())
        for (char32_t key : row)
            if (index++ == i)
                return key;
    return 0;
}

const std::vector<std::vector<char32_t>>& ProgressModel::rows() {
    static const std::vector<std::vector<char32_t>> layout = [] {
        std::vector<std::vector<char32_t>> out;
        for (std::string_view row : RowKeys)
            out.emplace_back(row.begin(), row.end());
        return out;
    }();
    return layout;
}

QString ProgressModel::capLabel(char32_t key) {
    if (key == U' ')
        return QStringLiteral("Space");
    return QString::fromUcs4(&key, 1).toUpper();
}

QString ProgressModel::keyName(char32_t key) {
    return key == U' ' ? QStringLiteral("スペース") : capLabel(key);
}
