#include "screens/Maingame.h"
#include "screens/result.h"
#include "stats/HistoryFile.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QAccessible>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

void deleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void countUp(result& screen) {
    for (int i = 0; i < 1000 && screen.Timer1->isActive(); ++i)
        fire(screen.Timer1);
    for (int i = 0; i < 1000 && screen.Timer2->isActive(); ++i)
        fire(screen.Timer2);
    for (int i = 0; i < 1000 && screen.Timer3->isActive(); ++i)
        fire(screen.Timer3);
}

} // namespace

// A round typed through the window with three right and two wrong keys, on the pinned clock:
// keys in the countdown and after the end do not count, play time runs from the first phrase
// to the end and leaves the countdown out, and the same figures reach the result line and the
// history. Catches the countdown counted as play, ignored keys counted, and the result screen
// reading figures other than the round's.
TEST(RoundFiguresOnScreen, aTypedRoundShowsItsKeysMissesAndSecondsOnTheResultAndInTheHistory) {
    TempWorkDir dir;
    TestContext t;
    t.random.pushDraw(0, 0, 6);
    t.random.push({0.015f}); // phrase row 1
    QPointer<Maingame> round = new Maingame(t.context);
    QTest::keyClicks(round, QStringLiteral("tu")); // countdown
    for (int i = 0; i < 4; ++i) {
        t.clock.advanceMs(1000);
        round->countt_Timer();
    }
    const QString romaji = round->judge().romaji();
    ASSERT_GE(romaji.size(), 4);
    ASSERT_NE(romaji.at(2), QLatin1Char('#'));
    QTest::keyClicks(round, romaji.left(2));
    QTest::keyClicks(round, QStringLiteral("##"));
    QTest::keyClicks(round, romaji.mid(2, 1));
    t.clock.advanceMs(25'000); // the phrase's 500 ticks of 50 ms
    round->GT_Timer();
    ASSERT_TRUE(round->judge().ended());
    QTest::keyClicks(round, QStringLiteral("xyz")); // after 終了
    round->close();
    deleteClosedWindows();

    const RoundFigures& f = t.context.state.figures;
    EXPECT_EQ(f.keys(), 5);
    EXPECT_EQ(f.misses(), 2);
    EXPECT_DOUBLE_EQ(f.seconds(), 25.0);
    EXPECT_EQ(f.missesByKey(), (RoundFigures::KeyCounts{{romaji.at(2).unicode(), 2}}));

    t.context.options.judging = GameOptions::Judging::Both;
    QPointer<result> screen = new result(t.context);
    countUp(*screen);
    fire(screen->Timer5);
    EXPECT_EQ(screen->figuresLine->text(),
              QStringLiteral("速度 0.1 打/秒　正確率 60.0%　ミス 2　苦手 ") + romaji.at(2));
    EXPECT_DOUBLE_EQ(screen->figuresLine->font().pointSizeF(), 11); // fits: not shrunk
    const HistoryFile::Loaded history = HistoryFile::load();
    ASSERT_EQ(history.records.size(), 1u);
    const HistoryRecord& r = history.records.front();
    EXPECT_EQ(r.score, t.context.state.FinalScore);
    EXPECT_EQ(r.keys, 5);
    EXPECT_EQ(r.misses, 2);
    EXPECT_DOUBLE_EQ(r.seconds, 25.0);
    EXPECT_DOUBLE_EQ(r.accuracy, 60.0);
    EXPECT_TRUE(r.bothSpellings);
    screen->close();
    deleteClosedWindows();
}

// The line stays hidden through the count-ups and comes with the rating, inside the window and
// clear of every other label, with its text as the name a screen reader speaks; the count-ups
// and the rating read as before. Catches the line shown early, placed over the rating or off
// the window, and a long line left running past the edge.
TEST(RoundFiguresOnScreen, theLineAppearsWithTheRatingInsideTheWindowAndClearOfTheOthers) {
    TempWorkDir dir;
    TestContext t;
    t.context.state.FinalScore = 205000;
    t.context.state.GameLevel = 14;
    t.context.state.MaxCombo = 999;
    RoundFigures& f = t.context.state.figures;
    f.playBegins(0);
    for (int i = 0; i < 9999; ++i)
        f.rightKey(U'a');
    // Unprintable keys give the longest line there can be.
    for (char32_t key : {char32_t{0x1B}, char32_t{0x7F}, char32_t{0x08}, U'Q'})
        for (int i = 0; i < 999; ++i)
            f.wrongKey(key);
    f.playEnds(123'000'000'000);
    dir.writeBytes("system/Hiscore.aty", "900000\r\n800000\r\n700000\r\n600000\r\n500000\r\n\r\n");
    QFile::remove(dir.path("system/history.csv"));
    QDir(dir.path("system")).mkdir(QStringLiteral("history.csv")); // cannot be written

    testing::internal::CaptureStderr();
    QPointer<result> screen = new result(t.context);
    // Said where the player started the game from, with the file and the reason.
    const QString said = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(said.startsWith(QStringLiteral("kazamina-typing: %1: 記録を保存できませんでした: ")
                                    .arg(dir.path("system/history.csv"))))
        << said.toStdString();
    EXPECT_TRUE(said.endsWith(QLatin1Char('\n')));
    EXPECT_EQ(said.count(QLatin1Char('\n')), 1);
    screen->show();
    EXPECT_FALSE(screen->figuresLine->isVisibleTo(screen));
    countUp(*screen);
    EXPECT_EQ(screen->Mcombo->text(), QStringLiteral("MAX 999 COMBO"));
    EXPECT_FALSE(screen->figuresLine->isVisibleTo(screen));
    fire(screen->Timer5);
    EXPECT_EQ(screen->hyouka->text(), QStringLiteral("ﾃﾗカザミナｗｗｗｗｗｗ"));
    ASSERT_TRUE(screen->figuresLine->isVisibleTo(screen));
    EXPECT_EQ(screen->figuresLine->text(),
              QStringLiteral("速度 81.3 打/秒　正確率 71.4%　ミス 3996　苦手 U+001B U+007F U+0008"
                             "（記録を保存できませんでした）"));
    const QRect line = screen->figuresLine->geometry();
    EXPECT_TRUE(screen->rect().contains(line))
        << line.x() << "," << line.y() << " " << line.width() << "x" << line.height();
    EXPECT_GE(screen->figuresLine->width(), screen->figuresLine->sizeHint().width());
    for (QLabel* other :
         {screen->Label2, screen->score, screen->Levv, screen->Mcombo, screen->hyouka})
        EXPECT_FALSE(line.intersects(other->geometry())) << other->objectName().toStdString();
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(screen->figuresLine);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->text(QAccessible::Name), screen->figuresLine->text());

    // The game goes on to the menu as ever.
    for (int tick = 2; tick <= 4; ++tick)
        fire(screen->Timer5);
    EXPECT_EQ(t.navigator.shown, std::vector<Screen>{Screen::Menu});
    deleteClosedWindows();
}
