#include "screens/WeakKeyTrendChart.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <array>
#include <cmath>

namespace {
// Five colours apart in hue and lightness, readable on the light background.
const std::array<QColor, WeakKeyTrend::Keys> Colours = {QColor(200, 30, 30), QColor(30, 90, 200),
                                                        QColor(20, 140, 60), QColor(170, 90, 0),
                                                        QColor(130, 40, 160)};

QString keyName(char32_t key) {
    if (key == U' ')
        return QStringLiteral("スペース");
    return QString::fromUcs4(&key, 1);
}
} // namespace

WeakKeyTrendChart::WeakKeyTrendChart(const WeakKeyTrend& trend, QWidget* parent)
    : QWidget(parent), m_series(trend.series()), m_records(trend.records()) {
    setObjectName(QStringLiteral("weakKeyTrend"));
    setMinimumHeight(130);
    setAccessibleName(Title);
    setAccessibleDescription(summary());
    setToolTip(summary());
}

void WeakKeyTrendChart::setTrend(const WeakKeyTrend& trend) {
    m_series = trend.series();
    m_records = trend.records();
    setAccessibleDescription(summary());
    setToolTip(summary());
    update();
}

QString WeakKeyTrendChart::summary() const {
    if (m_series.empty())
        return QStringLiteral("%1：直近 %2 回で苦手なキーはありません").arg(Title).arg(m_records);
    QStringList keys;
    for (const WeakKeyTrend::Series& s : m_series)
        keys << keyName(s.key);
    return QStringLiteral("%1（直近 %2 回）：%3").arg(Title).arg(m_records).arg(keys.join(' '));
}

void WeakKeyTrendChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), palette().color(QPalette::Base));
    const QColor ink = palette().color(QPalette::Text);
    p.setPen(ink);
    const int line = fontMetrics().height();
    p.drawText(QRect(0, 0, width(), line + 4), Qt::AlignCenter, summary());
    if (m_series.empty())
        return;

    // The legend: one swatch and name per key.
    int x = 8;
    for (size_t i = 0; i < m_series.size(); ++i) {
        p.fillRect(QRect(x, line + 8, 14, line - 4), Colours[i]);
        const QString name = keyName(m_series[i].key);
        p.drawText(QPoint(x + 18, 2 * line + 2), name);
        x += 30 + fontMetrics().horizontalAdvance(name);
    }

    double highMs = 0;
    for (const auto& s : m_series)
        for (const auto& pt : s.points)
            highMs = std::max(highMs, pt.meanMs);
    highMs = std::max(100.0, std::ceil(highMs / 100) * 100);

    const int top = 2 * line + 12;
    const int half = (width() - 24) / 2;
    const std::array<QRect, 2> panels = {
        QRect(40, top, half - 40, height() - top - line - 8),
        QRect(half + 56, top, half - 40, height() - top - line - 8)};
    const std::array<QString, 2> captions = {QStringLiteral("ミス率（%）"),
                                             QStringLiteral("平均時間（ms）")};
    const std::array<double, 2> highs = {100.0, highMs};
    const double span = std::max(1, m_records - 1);
    for (int panel = 0; panel < 2; ++panel) {
        const QRect& r = panels[panel];
        p.setPen(ink);
        p.drawRect(r);
        p.drawText(QRect(r.left(), r.bottom() + 2, r.width(), line), Qt::AlignCenter,
                   captions[panel]);
        p.drawText(QRect(0, r.top() - line / 2, r.left() - 4, line), Qt::AlignRight,
                   QString::number(highs[panel], 'f', 0));
        p.drawText(QRect(0, r.bottom() - line / 2, r.left() - 4, line), Qt::AlignRight,
                   QStringLiteral("0"));
        for (size_t i = 0; i < m_series.size(); ++i) {
            QPainterPath path;
            bool started = false;
            for (const WeakKeyTrend::Point& pt : m_series[i].points) {
                const double value = panel == 0 ? 100.0 * pt.missRate : pt.meanMs;
                if (value < 0)
                    continue; // not timed in that record
                const QPointF at(r.left() + r.width() * (pt.record - 1) / span,
                                 r.bottom() - r.height() * std::min(1.0, value / highs[panel]));
                started ? path.lineTo(at) : path.moveTo(at);
                started = true;
                p.setBrush(Colours[i]);
                p.setPen(Qt::NoPen);
                p.drawEllipse(at, 2.5, 2.5);
            }
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(Colours[i], 2));
            p.drawPath(path);
        }
    }
}
