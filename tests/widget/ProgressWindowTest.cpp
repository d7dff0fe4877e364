#include "screens/ProgressWindow.h"
#include "screens/KeyboardView.h"
#include "screens/WeakKeyTrendChart.h"
#include "stats/HistoryFile.h"
#include "tests/support/TempWorkDir.h"

#include <QAccessible>
#include <QApplication>
#include <QChartView>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineSeries>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QValueAxis>
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
        auto window = std::make_unique<ProgressWindow>(ProgressModel::load(HistoryFile::Path));
        EXPECT_EQ(window->windowTitle(), QStringLiteral("カザミナへのタイピング ～成績～"));
        ASSERT_NE(window->emptyNote, nullptr);
        EXPECT_EQ(window->emptyNote->text(), QStringLiteral("まだ記録がありません"));
        EXPECT_EQ(window->scoreChart, nullptr);
        EXPECT_TRUE(window->readNote->isHidden());
    }
    dir.writeBytes("system/history.csv", "name,score\nTaro,1\n");
    {
        auto window = std::make_unique<ProgressWindow>(ProgressModel::load(HistoryFile::Path));
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
    auto window = std::make_unique<ProgressWindow>(ProgressModel::load(HistoryFile::Path));
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
    auto window = std::make_unique<ProgressWindow>(ProgressModel::load(HistoryFile::Path));
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

namespace {

void writeHistory(TempWorkDir& dir, int rounds) {
    QByteArray bytes = HistoryFile::Header + '\n';
    for (int i = 0; i < rounds; ++i) {
        HistoryRecord r;
        r.time = QStringLiteral("2026-12-07T20:00:00+09:00");
        r.score = 100 * i;
        r.speed = 3;
        r.accuracy = 90;
        r.keysByKey = {{U'a', 10}, {U's', 10}};
        r.missesByKey = {{U's', 3}};
        bytes += HistoryFile::formatLine(r) + '\n';
    }
    dir.writeBytes("system/history.csv", bytes);
}

} // namespace

// The window never opens over 90% of the screen, yet on a 1024×600 screen everything fits
// without scrolling; below that its content scrolls. Escape and Ctrl+W close it, for there is
// no close button without a window manager. Catches the old fixed 900×860 that cut the
// keyboard off a laptop screen, content that squeezes unreadably instead of scrolling, and a
// window that cannot be closed from the keyboard.
TEST(ProgressWindow, fitsTheScreenAndClosesFromTheKeyboard) {
    for (const QSize available : {QSize(1366, 738), QSize(1024, 600), QSize(800, 480),
                                  QSize(2560, 1560), QSize(1280, 680)}) {
        const QSize size = ProgressWindow::openingSize(available);
        EXPECT_LE(size.width(), available.width() * 0.9) << available.width();
        EXPECT_LE(size.height(), available.height() * 0.9) << available.height();
        EXPECT_LE(size.width(), ProgressWindow::Preferred.width());
        EXPECT_LE(size.height(), ProgressWindow::Preferred.height());
    }
    EXPECT_EQ(ProgressWindow::openingSize({2560, 1560}), ProgressWindow::Preferred);

    TempWorkDir dir;
    writeHistory(dir, 60);
    auto* window = new ProgressWindow(ProgressModel::load(HistoryFile::Path));
    QPointer<ProgressWindow> alive(window);
    const QSize needed = window->content->minimumSizeHint();
    const QSize small = ProgressWindow::openingSize({1024, 600});
    EXPECT_LE(needed.width(), small.width());
    EXPECT_LE(needed.height(), small.height());
    EXPECT_LE(window->width(), window->screen()->availableGeometry().width() * 0.9);
    EXPECT_LE(window->height(), window->screen()->availableGeometry().height() * 0.9);

    // Smaller than its content: the content keeps its size and scrolls.
    window->resize(needed.width() / 2, needed.height() / 2);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
    QApplication::processEvents();
    EXPECT_GE(window->content->height(), needed.height());
    EXPECT_TRUE(window->scroller->verticalScrollBar()->isVisible());

    QTest::keyClick(window, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(alive.isNull() || !alive->isVisible());
    delete alive.data();

    auto* second = new ProgressWindow(ProgressModel::load(HistoryFile::Path));
    QPointer<ProgressWindow> alsoAlive(second);
    second->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(second));
    QTest::keyClick(second, Qt::Key_W, Qt::ControlModifier);
    QApplication::processEvents();
    EXPECT_TRUE(alsoAlive.isNull() || !alsoAlive->isVisible());
    delete alsoAlive.data();
}

// The round axis ticks whole rounds; every text the window draws in colour reads at 4.5:1 on
// its background; screen readers get the charts' names and summary and one child per key with
// its name, rate and counts. Catches repeated round labels ("1 1 2 2 3"), pale series colours,
// a heat map that is one silent object and charts without a name.
TEST(ProgressWindow, axesColoursAndScreenReadersSeeEveryRoundAndKey) {
    TempWorkDir dir;
    writeHistory(dir, 3);
    auto window = std::make_unique<ProgressWindow>(ProgressModel::load(HistoryFile::Path));
    for (QChartView* view : {window->scoreChart, window->accuracyChart}) {
        auto* rounds = qobject_cast<QValueAxis*>(view->chart()->axes(Qt::Horizontal).front());
        ASSERT_NE(rounds, nullptr);
        EXPECT_EQ(rounds->tickType(), QValueAxis::TicksDynamic);
        EXPECT_EQ(rounds->tickInterval(), 1.0);
        EXPECT_EQ(rounds->tickAnchor(), 1.0);
        EXPECT_LT(rounds->min(), 1.0);
        EXPECT_GT(rounds->max(), 3.0);
        EXPECT_LT(rounds->max(), 4.0); // no empty fourth round
        const QColor background = view->chart()->backgroundBrush().color();
        for (QAbstractAxis* a : view->chart()->axes()) {
            EXPECT_GE(ProgressModel::contrast(a->labelsColor(), background), 4.5);
            EXPECT_GE(ProgressModel::contrast(a->titleBrush().color(), background), 4.5);
        }
        EXPECT_FALSE(view->accessibleName().isEmpty());
        EXPECT_EQ(view->accessibleDescription(), window->model().summary());
    }
    const QPalette palette = window->palette();
    EXPECT_GE(ProgressModel::contrast(palette.color(QPalette::WindowText),
                                      palette.color(QPalette::Window)),
              4.5);
    EXPECT_TRUE(window->summary->text().contains(QStringLiteral("スコア 200")));

    QAccessibleInterface* keys = QAccessible::queryAccessibleInterface(window->keyboard);
    ASSERT_NE(keys, nullptr);
    ASSERT_EQ(keys->childCount(), static_cast<int>(KeyboardView::keys().size()));
    QStringList names;
    for (int i = 0; i < keys->childCount(); ++i) {
        QAccessibleInterface* key = keys->child(i);
        ASSERT_NE(key, nullptr);
        EXPECT_EQ(key->parent(), keys);
        EXPECT_EQ(keys->indexOfChild(key), i);
        names << key->text(QAccessible::Name);
    }
    EXPECT_TRUE(names.contains(QStringLiteral("S：ミス 9 / 30 打（30.0%）　直近 3 回")));
    EXPECT_TRUE(names.contains(QStringLiteral("A：ミス 0 / 30 打（0.0%）　直近 3 回")));
    EXPECT_TRUE(names.contains(QStringLiteral("スペース：直近 3 回で打つ場面なし")));
    EXPECT_EQ(names.removeDuplicates(), 0);
}
