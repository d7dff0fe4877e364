#include "screens/ProgressWindow.h"
#include "screens/KeyboardView.h"
#include "tests/support/TempWorkDir.h"

#include <QAccessible>
#include <QChartView>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineSeries>
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
    QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(keys);
    ASSERT_NE(spoken, nullptr);
    EXPECT_EQ(spoken->text(QAccessible::Name), QStringLiteral("キーごとのミス率"));
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

namespace {
HistoryRecord played(int32_t score, double speed, double accuracy) {
    HistoryRecord r;
    r.time = QStringLiteral("2026-12-07T20:00:00+09:00");
    r.score = score;
    r.speed = speed;
    r.accuracy = accuracy;
    return r;
}
} // namespace

// The note under the charts for every way a read can go: nothing skipped, up to ten skipped
// line numbers listed whole, more than ten cut with "…", an unreadable file with its reason;
// an empty history gets the big centred note in a small window. Catches the list cut at the
// wrong count and a note shown when nothing was skipped.
TEST(ProgressWindow, theReadNoteListsUpToTenSkippedLinesAndTheEmptyNoteStandsCentred) {
    const QString file = QStringLiteral("system/history.csv");
    const struct {
        int skipped; // lines 2, 3, ... skipped
        const char* error;
        QString note;
    } cases[] = {
        {0, "", QString()},
        {1, "", file + QStringLiteral(" の 1 行を読み飛ばしました（2 行目）")},
        {10, "",
         file +
             QStringLiteral(" の 10 行を読み飛ばしました（2、3、4、5、6、7、8、9、10、11 行目）")},
        {11, "",
         file + QStringLiteral(
                    " の 11 行を読み飛ばしました（2、3、4、5、6、7、8、9、10、11、… 行目）")},
        {0, "見出しが違います", file + QStringLiteral(" を読めません：見出しが違います")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.skipped);
        HistoryFile::Loaded history;
        for (int i = 0; i < c.skipped; ++i)
            history.skippedLines.push_back(i + 2);
        history.error = QString::fromUtf8(c.error);
        ProgressWindow window(history);
        EXPECT_EQ(window.readNote->text(), c.note);
        EXPECT_EQ(window.readNote->isHidden(), c.note.isEmpty());
        EXPECT_EQ(window.size(), QSize(520, 300));
        ASSERT_NE(window.emptyNote, nullptr);
        EXPECT_EQ(window.emptyNote->alignment(), Qt::AlignCenter);
        EXPECT_DOUBLE_EQ(window.emptyNote->font().pointSizeF(),
                         window.readNote->font().pointSizeF() * 1.6);
        window.show();
        // Laid out: the note takes the window's middle, above the read note.
        const QRect note = window.emptyNote->geometry();
        EXPECT_NEAR(note.center().x(), window.width() / 2, 2);
        EXPECT_GT(note.height(), window.height() / 2);
    }
}

// The legend's figures, the axes' ranges and which series use them, and the round markers
// shown up to 39 rounds only. Catches a legend with the wrong percentages, an axis left
// unattached or off its nice numbers, and markers crowding a long history.
TEST(ProgressWindow, theLegendAndTheAxesFollowTheHistory) {
    HistoryFile::Loaded history;
    history.records = {played(1000, 2.0, 95), played(2500, 3.0, 57.5), played(-300, 4.0, 88)};
    ProgressWindow window(history);
    auto* legend = window.findChild<QLabel*>(QStringLiteral("keyLegend"));
    ASSERT_NE(legend, nullptr);
    EXPECT_EQ(legend->text(),
              QStringLiteral("キーの色：直近 3 回のミス率（緑 0% → 黄 10% → 赤 20% 以上、"
                             "灰色は打つ場面なし）。キーに合わせると回数が出ます。"));
    EXPECT_EQ(window.size(), QSize(900, 860));

    auto range = [](QAbstractAxis* axis) {
        auto* value = qobject_cast<QValueAxis*>(axis);
        return value ? QStringLiteral("%1..%2/%3")
                           .arg(value->min())
                           .arg(value->max())
                           .arg(value->tickCount())
                           .toStdString()
                     : std::string("?");
    };
    QChart* scores = window.scoreChart->chart();
    ASSERT_EQ(scores->axes(Qt::Horizontal).size(), 1);
    ASSERT_EQ(scores->axes(Qt::Vertical).size(), 2);
    EXPECT_EQ(range(scores->axes(Qt::Horizontal)[0]), "1..3/5");
    EXPECT_EQ(range(scores->axes(Qt::Vertical, scores->series()[0])[0]),
              "-1000..3000/5"); // nice numbers around -300 and 2500
    EXPECT_EQ(range(scores->axes(Qt::Vertical, scores->series()[1])[0]),
              "0..5/6"); // 4.4 rounded up to a nice 5
    QChart* accuracy = window.accuracyChart->chart();
    ASSERT_EQ(accuracy->axes(Qt::Horizontal).size(), 1);
    ASSERT_EQ(accuracy->axes(Qt::Vertical).size(), 1);
    EXPECT_EQ(range(accuracy->axes(Qt::Horizontal)[0]), "1..3/5");
    EXPECT_EQ(range(accuracy->axes(Qt::Vertical)[0]), "40..100/7");
    for (QChart* chart : {scores, accuracy})
        for (QAbstractSeries* series : chart->series()) {
            EXPECT_EQ(series->attachedAxes().size(), 2) << series->name().toStdString();
            EXPECT_TRUE(static_cast<QLineSeries*>(series)->pointsVisible());
        }

    // A history of slow losses only: nought at the top of the scores, the speed axis up to 1.
    history.records = {played(-300, 0.5, 100), played(-40, 0.25, 100)};
    ProgressWindow losses(history);
    const auto lossAxes = losses.scoreChart->chart()->axes(Qt::Vertical);
    EXPECT_EQ(range(lossAxes[0]), "-300..0/4");
    EXPECT_EQ(range(lossAxes[1]), "0..1/6");
    EXPECT_EQ(range(losses.accuracyChart->chart()->axes(Qt::Vertical)[0]), "90..100/2");

    for (int rounds : {39, 40}) {
        history.records.assign(static_cast<size_t>(rounds), played(100, 1, 90));
        ProgressWindow many(history);
        EXPECT_EQ(range(many.scoreChart->chart()->axes(Qt::Vertical)[0]),
                  "0..100/6"); // from nought
        for (QAbstractSeries* series : many.scoreChart->chart()->series())
            EXPECT_EQ(static_cast<QLineSeries*>(series)->pointsVisible(), rounds < 40) << rounds;
    }
}

// The keyboard picture at any size: the space from the edge that limits it to the first key is
// the space between two keys, the other way it stands centred, and the captions stay on their
// keys. Catches keys that shrink away from the edge and captions too big for their keys.
TEST(ProgressWindow, theKeyboardFillsItsViewWithEvenGapsAndCaptionsOnTheKeys) {
    HistoryRecord r = played(100, 1, 90);
    r.keysByKey = {{U'q', 10}, {U'a', 10}};
    r.missesByKey = {{U'q', 5}};
    const ProgressModel model({r});
    const struct {
        int width, height;
        bool widthLimits;
    } sizes[] = {{500, 600, true}, {900, 200, false}, {620, 230, false}};
    for (const auto& size : sizes) {
        SCOPED_TRACE(size.width);
        KeyboardView view(model);
        view.resize(size.width, size.height);
        const QRectF one = view.keyRect(U'1'), two = view.keyRect(U'2'), q = view.keyRect(U'q');
        const QRectF space = view.keyRect(U' ');
        const double across = two.left() - one.right(), down = q.top() - one.bottom();
        EXPECT_NEAR(across, down, 1e-9);
        if (size.widthLimits) {
            EXPECT_NEAR(one.left(), across, 1e-9);
            EXPECT_NEAR(one.top(), size.height - space.bottom(), 1e-9);
        } else {
            EXPECT_NEAR(one.top(), down, 1e-9);
            EXPECT_NEAR(size.height - space.bottom(), down, 1e-9);
        }

        // Row by row, the band between two rows holds nothing but the background.
        const QImage picture = view.grab().toImage();
        const QColor background = picture.pixelColor(0, 0);
        for (char32_t above : {U'1', U'q', U'a', U'z'}) {
            const int y = static_cast<int>(
                (view.keyRect(above).bottom() + view.keyRect(above).bottom() + down) / 2);
            for (int x = 0; x < picture.width(); ++x)
                ASSERT_EQ(picture.pixelColor(x, y), background) << x << "," << y;
        }
        // A caption is sized to its key: a band just inside the outline holds only the key's
        // colour, even for the keys whose caption runs through the middle.
        for (char32_t key : {U'1', U'-', U'q'}) {
            const QRect inner = view.keyRect(key).toAlignedRect().adjusted(4, 4, -5, -5);
            const QColor fill = model.colour(key);
            for (int x = inner.left() + 4; x <= inner.right() - 4; ++x)
                for (int y : {inner.top(), inner.bottom()})
                    ASSERT_EQ(picture.pixelColor(x, y), fill) << x << "," << y;
            for (int y = inner.top() + 4; y <= inner.bottom() - 4; ++y)
                for (int x : {inner.left(), inner.right()})
                    ASSERT_EQ(picture.pixelColor(x, y), fill) << x << "," << y;
        }
    }
}
