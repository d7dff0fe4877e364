#pragma once

#include "stats/WeakKeyTrend.h"

#include <QWidget>

// The progress window's 「苦手キーの推移」 panel: for the five weakest characters, their miss
// rate (left) and mean time (right) over the recent rounds and drill sessions, one colour each.
class WeakKeyTrendChart : public QWidget {
    Q_OBJECT
public:
    static inline const QString Title = QStringLiteral("苦手キーの推移");

    explicit WeakKeyTrendChart(const WeakKeyTrend& trend, QWidget* parent = nullptr);

    // Shows another trend, as when the window switches between romaji and kana.
    void setTrend(const WeakKeyTrend& trend);
    const std::vector<WeakKeyTrend::Series>& series() const { return m_series; }
    // What the panel says in words, for screen readers and the tooltip.
    QString summary() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<WeakKeyTrend::Series> m_series;
    int m_records = 0;
};
