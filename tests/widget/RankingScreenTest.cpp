#include "screens/ranking.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QAccessible>
#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

// Each place reads name, "：", the score as written and "点", in file order; an empty name
// shows "：" straight away; places the name file lacks keep the bare score. Catches converted
// or re-sorted scores and names shifted against their scores.
TEST(RankingScreen, showsEachPlaceAsNameAndScoreInFileOrder) {
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", "90000\r\n 700\r\n700\r\n-20\r\n-40\r\n\r\n");
    dir.writeBytes("system/Hiscorep.aty", "カザミナの人\r\n\r\nB：C\r\n");
    TestContext t;
    ranking board(t.context);
    EXPECT_EQ(board.windowTitle(), QStringLiteral("カザミナへのタイピング～らんきんぐ～"));
    // Headings in gold, silver, bronze and white, a place every 60 px, each name line 4 px
    // lower than its heading.
    const struct {
        const char* heading;
        QColor colour;
    } places[] = {{"1st", QColor(255, 215, 0)},
                  {"2nd", QColor(192, 192, 192)},
                  {"3rd", QColor(205, 127, 50)},
                  {"4th", Qt::white},
                  {"5th", Qt::white}};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        QLabel* heading = board.findChild<QLabel*>(QStringLiteral("Label%1").arg(i + 1));
        QLabel* line = board.findChild<QLabel*>(QStringLiteral("ran%1").arg(i + 1));
        ASSERT_TRUE(heading && line);
        EXPECT_EQ(heading->text(), QString::fromLatin1(places[i].heading));
        EXPECT_EQ(heading->palette().color(QPalette::WindowText), places[i].colour);
        EXPECT_EQ(heading->pos(), QPoint(64, 40 + 60 * i));
        EXPECT_EQ(line->pos(), QPoint(192, 44 + 60 * i));
        EXPECT_DOUBLE_EQ(heading->font().pointSizeF(), 28);
        EXPECT_TRUE(heading->font().bold());
        EXPECT_DOUBLE_EQ(line->font().pointSizeF(), 24);
        EXPECT_FALSE(line->font().bold());
    }
    EXPECT_EQ(board.ran[0]->text(), QStringLiteral("カザミナの人：90000点"));
    EXPECT_EQ(board.ran[1]->text(), QStringLiteral("： 700点"));
    EXPECT_EQ(board.ran[2]->text(), QStringLiteral("B：C：700点"));
    EXPECT_EQ(board.ran[3]->text(), QStringLiteral("-20"));
    EXPECT_EQ(board.ran[4]->text(), QStringLiteral("-40"));
    EXPECT_TRUE(t.errors.messages.isEmpty());
}

// Any key leaves, Shift alone and function keys included, storing the window's position first
// and silencing the music. Catches a handler that only reacts to character keys.
TEST(RankingScreen, anyKeyReturnsToTheMenuAndStopsTheMusic) {
    TempWorkDir dir;
    for (Qt::Key key : {Qt::Key_Shift, Qt::Key_F5}) {
        TestContext t;
        t.context.state.WindowLeft = 3000;
        t.context.state.WindowTop = 1500;
        QPointer<ranking> board = new ranking(t.context);
        EXPECT_TRUE(board->Timer1->isActive());
        EXPECT_EQ(board->Timer1->interval(), 100); // the music poll
        fire(board->Timer1);
        EXPECT_EQ(t.media.count("play \"music\\peterwolf.mp3\""), 1);
        t.context.state.WindowLeft = 0;
        QTest::keyClick(board.data(), key);
        EXPECT_EQ(t.navigator.shown, std::vector<Screen>{Screen::Menu}) << key;
        EXPECT_EQ(t.context.state.WindowLeft, 3000);
        EXPECT_EQ(t.media.commands.back(), "close \"music\\peterwolf.mp3\"");
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(board.isNull());
    }
}

// A missing table file is reported once, naming the file.
TEST(RankingScreen, aMissingNameFileIsReported) {
    TempWorkDir dir;
    QFile::remove(dir.path("system/Hiscorep.aty"));
    TestContext t;
    ranking board(t.context);
    ASSERT_EQ(t.errors.messages.size(), 1);
    EXPECT_TRUE(t.errors.messages[0].contains(QStringLiteral("Hiscorep.aty")));
}

// The ranking holds no control of its own, so the window itself takes the focus when it opens:
// a screen reader announces it, and the key that leaves goes through the window as typed.
// Catches a window that opens with nothing focused and so stays silent.
TEST(RankingScreen, theOpenWindowHoldsTheFocusAndLeavesOnAKeyTypedToIt) {
    TempWorkDir dir;
    TestContext t;
    QPointer<ranking> board = new ranking(t.context);
    board->show();
    board->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(board.data()));
    EXPECT_EQ(QApplication::focusWidget(), board.data());
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(board.data())->state().focused);
    QTest::keyClick(board->windowHandle(), Qt::Key_Space);
    EXPECT_EQ(t.navigator.shown, std::vector<Screen>{Screen::Menu});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(board.isNull());
}
