#include "screens/ProgressWindow.h"
#include "screens/KeyboardView.h"
#include "screens/WeakKeyTrendChart.h"
#include "tests/support/TempWorkDir.h"

#include <QChartView>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineSeries>
#include <QToolTip>
#include <gtest/gtest.h>

#include <memory>

// The window reads the history in the working folder: an empty or missing one shows the
// friendly note instead of empty axes, a foreign one says why it cannot be read, and a real one
// gets its charts with one point per round and a keyboard whose keys are found where they are
// drawn. Catches charts drawn over nothing, a failed read shown as "no records" alone, and
// tooltips answering for the wrong key.
TEST(ProgressWindow, showsTheNoteOrTheChartsForTheHistoryInTheWorkingFolder) {
    TempWorkDir dir;
    {
        auto window = std::make_unique<ProgressWindow>(HistoryFile::load());
        EXPECT_EQ(window->windowTitle(), QStringLiteral("カザミナへのタイピング ～成績～"));
        ASSERT_NE(window->emptyNote, nullptr);
        EXPECT_EQ(window->emptyNote->text(), QStringLiteral("まだ記録がありません"));
        EXPECT_EQ(window->scoreChart, nullptr);
        EXPECT_TRUE(window->readNote->isHidden());
    }
    dir.writeBytes("system/history.csv", "name,score\nTaro,1\n");
    {
        auto window = std::make_unique<ProgressWindow>(HistoryFile::load());
        EXPECT_NE(window->emptyNote, nullptr);
        EXPECT_FALSE(window->readNote->isHidden());
        EXPECT_TRUE(window->readNote->text().contains(QStringLiteral("読めません")));
    }
    dir.writeBytes("system/history.csv", HistoryFile::Header + '\n');
    for (int i = 0; i < 3; ++i) {
        HistoryRecord r;
        r.time = QStringLiteral("2026-12-07T20:00:00+09:00");
        r.score = 1000 * i;
        r.keysByKey = {{U't', 10}};
        r.missesByKey = {{U't', 1}};
        ASSERT_EQ(HistoryFile::append(r), QString());
    }
    auto window = std::make_unique<ProgressWindow>(HistoryFile::load());
    EXPECT_EQ(window->emptyNote, nullptr);
    ASSERT_NE(window->scoreChart, nullptr);
    const auto series = window->scoreChart->chart()->series();
    ASSERT_EQ(series.size(), 2); // score and speed
    EXPECT_EQ(static_cast<QLineSeries*>(series[0])->count(), 3);
    EXPECT_EQ(window->scoreChart->chart()->axes(Qt::Vertical).size(), 2);
    EXPECT_EQ(window->accuracyChart->chart()->series().size(), 1);

    window->show();
    KeyboardView* keys = window->keyboard;
    ASSERT_NE(keys, nullptr);
    for (char32_t key : {U't', U'q', U'/', U' '}) {
        const QRectF r = keys->keyRect(key);
        ASSERT_FALSE(r.isEmpty());
        EXPECT_TRUE(keys->rect().contains(r.toRect()));
        EXPECT_EQ(keys->keyAt(r.center().toPoint()), key);
    }
    EXPECT_FALSE(keys->keyRect(U't').intersects(keys->keyRect(U'y')));

    // The tooltip over a key gives that key's counts.
    const QPoint overT = keys->keyRect(U't').center().toPoint();
    QHelpEvent help(QEvent::ToolTip, overT, keys->mapToGlobal(overT));
    QCoreApplication::sendEvent(keys, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("T：ミス 3 / 30 打（10.0%）　直近 3 回"));
}

// 「苦手キーの推移」 names the weakest keys, weakest first, and follows each one's miss rate and
// mean time record by record, leaving out records where it did not come up; only the last 50
// records count, so a key weak long ago drops out. Catches the trend taken from the whole
// history, points put on records where the key never came, and a mean of 0 for untimed ones.
TEST(ProgressWindow, theWeakKeyTrendFollowsTheWeakestKeysOverTheLastRecords) {
    TempWorkDir dir;
    auto record = [](int qMisses, int64_t qMs, bool withZ) {
        HistoryRecord r;
        r.time = QStringLiteral("2026-12-07T20:00:00+09:00");
        r.keysByKey = {{U'q', 10}, {U'a', 40}};
        r.missesByKey = {{U'q', qMisses}};
        if (withZ) {
            r.keysByKey.emplace_back(U'z', 10);
            r.missesByKey.emplace_back(U'z', 10);
        }
        if (qMs > 0)
            r.timesByKey = {{U'q', qMs * 2, 2}, {U'a', 4000, 20}};
        return r;
    };
    for (int i = 0; i < 5; ++i) // z was always missed, but before the last 50
        ASSERT_EQ(HistoryFile::append(record(0, 0, true)), QString());
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(HistoryFile::append(record(i < 25 ? 8 : 4, i == 49 ? 0 : 600 - 4 * i, false)),
                  QString());
    auto window = std::make_unique<ProgressWindow>(HistoryFile::load());
    ASSERT_NE(window->weakKeyTrend, nullptr);
    const auto& series = window->weakKeyTrend->series();
    ASSERT_EQ(series.size(), 1u);
    EXPECT_EQ(series[0].key, U'q');
    ASSERT_EQ(series[0].points.size(), 50u);
    EXPECT_DOUBLE_EQ(series[0].points.front().missRate, 0.8);
    EXPECT_DOUBLE_EQ(series[0].points.back().missRate, 0.4);
    EXPECT_DOUBLE_EQ(series[0].points.front().meanMs, 600);
    EXPECT_DOUBLE_EQ(series[0].points.back().meanMs, -1);
    EXPECT_TRUE(window->weakKeyTrend->summary().contains(QStringLiteral("苦手キーの推移")));
    window->show();
    EXPECT_GT(window->weakKeyTrend->height(), 100);
    EXPECT_TRUE(window->model().toolTip(U'q').endsWith(QStringLiteral("　平均 504 ms")));
}
