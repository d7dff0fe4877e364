#include "scores/HighScoreTable.h"
#include "screens/rankInput.h"
#include "screens/ranking.h"
#include "screens/result.h"
#include "tests/support/Fakes.h"
#include "tests/support/ModalWatchdog.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace {
const QByteArray DefaultScores = "5000\r\n4000\r\n3000\r\n2000\r\n1000\r\n\r\n";
const QByteArray DefaultNames = "一郎\r\n二郎\r\n三郎\r\n四郎\r\n五郎\r\n\r\n";

// The state a finished round leaves behind.
void finishRound(TestContext& t, int32_t score, int32_t level, int32_t combo) {
    t.context.state.FinalScore = score;
    t.context.state.GameLevel = level;
    t.context.state.MaxCombo = combo;
    t.context.state.NewRank = 0;
    t.context.state.WindowLeft = 1500;
    t.context.state.WindowTop = 900;
}

// Runs the three count-ups to their end by calling the tick handlers.
void countUp(result& screen) {
    for (int i = 0; i < 1000 && screen.Timer1->isActive(); ++i)
        fire(screen.Timer1);
    for (int i = 0; i < 1000 && screen.Timer2->isActive(); ++i)
        fire(screen.Timer2);
    for (int i = 0; i < 1000 && screen.Timer3->isActive(); ++i)
        fire(screen.Timer3);
}

// The fourth Timer5 tick opens name entry modally; `interact` runs inside its event loop. If the
// interaction leaves the dialog open, it is ended here so that the test can never hang.
void fourthTickWithNameEntry(result* screen, std::function<void(rankInput*)> interact) {
    ModalWatchdog::Expected expected;
    bool ran = false;
    QTimer::singleShot(0, screen, [screen, interact, &ran] {
        ran = true;
        rankInput* dialog = screen->findChild<rankInput*>();
        ASSERT_NE(dialog, nullptr);
        QPointer<rankInput> guard(dialog);
        interact(dialog);
        if (guard && guard->isVisible()) {
            ADD_FAILURE() << "name entry stayed open";
            guard->done(QDialog::Rejected);
        }
    });
    fire(screen->Timer5);
    EXPECT_TRUE(ran) << "name entry did not open";
}

void typeName(QLineEdit* inp) {
    inp->selectAll();
    QTest::keyClick(inp, Qt::Key_Backspace);
    QTest::keyClicks(inp, QStringLiteral("Taro "));
    // Japanese arrives composed by the input method.
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("山田"));
    QCoreApplication::sendEvent(inp, &commit);
}

void deleteClosedWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
} // namespace

// A whole visit: count-ups, rating, the rank check, name entry typed in ASCII and Japanese and
// confirmed with Enter followed by a stray click, both files byte for byte, and the ranking
// showing the new table. Catches a registration made twice, a name and score at different
// places, the result screen left open behind the menu, and the ranking reading stale files.
TEST(ResultScreen, aPlacedScoreGoesThroughNameEntryIntoBothFilesAndTheRanking) {
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", DefaultScores);
    dir.writeBytes("system/Hiscorep.aty", DefaultNames);
    TestContext t;
    finishRound(t, 3000, 3, 12);

    QPointer<result> screen = new result(t.context);
    EXPECT_EQ(screen->windowTitle(), QStringLiteral("カザミナへのタイピング～リザルト～"));
    ASSERT_FALSE(t.media.commands.empty());
    EXPECT_EQ(t.media.commands.front(), "play \"music\\fanfare.wav\"");
    EXPECT_TRUE(screen->Timer1->isActive());
    // The count-ups' pace (score 1 ms, level 50 ms, combo 10 ms), then a second per rating,
    // rank check and leaving tick.
    EXPECT_EQ(screen->Timer1->interval(), 1);
    EXPECT_EQ(screen->Timer2->interval(), 50);
    EXPECT_EQ(screen->Timer3->interval(), 10);
    EXPECT_EQ(screen->Timer5->interval(), 1000);
    EXPECT_FALSE(screen->Levv->isVisibleTo(screen));
    // Each label's first caption, colour, face and place (twips / 15); the counting labels
    // keep their right edge at 624 px whatever they say. Catches a recoloured, resized or
    // moved label, and the "Result" heading changed.
    const struct {
        QLabel* label;
        const char* caption;
        int left, top; // left -1: right-aligned at 624 px
        QColor colour;
        double points;
        bool bold;
        bool shown;
    } labels[] = {
        {screen->Label2, "Result", 32, 16, QColor(255, 255, 128), 36, true, true},
        {screen->score, " 点", -1, 96, Qt::white, 36, true, true},
        {screen->Levv, "LEVEL：", -1, 168, QColor(128, 255, 255), 20, false, false},
        {screen->Mcombo, "MAX  COMBO", -1, 216, QColor(255, 192, 128), 20, false, false},
        {screen->hyouka, "", -1, 272, QColor(255, 255, 0), 28, true, false},
        {screen->figuresLine, "", 0, 328, QColor(224, 224, 224), 11, false, false},
    };
    auto rightEdgeAt624 = [&] {
        for (QLabel* label : {screen->score, screen->Levv, screen->Mcombo, screen->hyouka})
            EXPECT_EQ(label->x() + label->width(), 624) << label->objectName().toStdString();
    };
    for (const auto& l : labels) {
        SCOPED_TRACE(l.label->objectName().toStdString());
        EXPECT_EQ(screen->findChild<QLabel*>(l.label->objectName()), l.label);
        EXPECT_EQ(l.label->text(), QString::fromUtf8(l.caption));
        if (l.left >= 0) {
            EXPECT_EQ(l.label->x(), l.left);
        }
        EXPECT_EQ(l.label->y(), l.top);
        EXPECT_EQ(l.label->palette().color(QPalette::WindowText), l.colour);
        EXPECT_DOUBLE_EQ(l.label->font().pointSizeF(), l.points);
        EXPECT_EQ(l.label->font().bold(), l.bold);
        EXPECT_EQ(l.label->isVisibleTo(screen), l.shown);
    }
    rightEdgeAt624();

    countUp(*screen);
    rightEdgeAt624();
    EXPECT_EQ(screen->score->text(), QStringLiteral("3000 点"));
    EXPECT_EQ(screen->Levv->text(), QStringLiteral("LEVEL：3"));
    EXPECT_EQ(screen->Mcombo->text(), QStringLiteral("MAX 12 COMBO"));
    EXPECT_TRUE(screen->Timer5->isActive());
    EXPECT_TRUE(screen->hyouka->isVisibleTo(screen));
    EXPECT_TRUE(screen->hyouka->text().isEmpty());

    for (int tick = 1; tick <= 3; ++tick)
        fire(screen->Timer5);
    EXPECT_EQ(screen->hyouka->text(), QStringLiteral("残念"));
    EXPECT_EQ(t.context.state.NewRank, 3);
    EXPECT_TRUE(t.navigator.shown.empty());

    fourthTickWithNameEntry(screen, [](rankInput* dialog) {
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("ランキング入り!"));
        EXPECT_TRUE(dialog->isModal());
        EXPECT_EQ(dialog->Label1->text(),
                  QStringLiteral("おめでとうございます!ランキングに入りました!"));
        EXPECT_EQ(dialog->inp->text(), QStringLiteral("カザミナの人"));
        typeName(dialog->inp);
        QTest::keyClick(dialog->inp, Qt::Key_Return);
        dialog->Command1->click();
    });

    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), "5000\r\n4000\r\n3000\r\n3000\r\n2000\r\n\r\n");
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"),
              QStringLiteral("一郎\r\n二郎\r\nTaro 山田\r\n三郎\r\n四郎\r\n\r\n").toUtf8());
    EXPECT_EQ(t.navigator.shown, std::vector<Screen>{Screen::Menu});
    EXPECT_EQ(t.media.count("close \"music\\fanfare.wav\""), 1);
    deleteClosedWindows();
    EXPECT_TRUE(screen.isNull());

    ranking board(t.context);
    EXPECT_EQ(board.ran[2]->text(), QStringLiteral("Taro 山田：3000点"));
    EXPECT_EQ(board.ran[3]->text(), QStringLiteral("三郎：3000点"));
    EXPECT_EQ(board.ran[4]->text(), QStringLiteral("四郎：2000点"));
}

// A score below the table goes straight to the menu on the fourth tick, not before, and writes
// nothing; a negative score is rated without the widening. Catches leaving early, opening name
// entry for no place, and the rating widened on the wrong rows.
TEST(ResultScreen, anUnplacedScoreReturnsToTheMenuOnTheFourthTick) {
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", DefaultScores);
    TestContext t;
    finishRound(t, -40, 1, 0);
    QPointer<result> screen = new result(t.context);
    countUp(*screen);
    EXPECT_EQ(screen->score->text(), QStringLiteral("-40 点"));
    EXPECT_EQ(screen->Mcombo->text(), QStringLiteral("MAX 0 COMBO"));
    for (int tick = 1; tick <= 3; ++tick)
        fire(screen->Timer5);
    EXPECT_EQ(screen->hyouka->text(), QStringLiteral("うわ、ひっどｗ"));
    EXPECT_EQ(screen->hyouka->width(), screen->hyouka->sizeHint().width());
    EXPECT_TRUE(t.navigator.shown.empty());
    fire(screen->Timer5);
    EXPECT_EQ(t.context.state.NewRank, 0);
    EXPECT_EQ(t.navigator.shown, std::vector<Screen>{Screen::Menu});
    EXPECT_EQ(t.context.state.WindowLeft, 1500);
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), DefaultScores);
    deleteClosedWindows();
    EXPECT_TRUE(screen.isNull());

    // A score of 0 rates "残念", 150 twips (10 px) wider than its text.
    finishRound(t, 0, 1, 0);
    result zero(t.context);
    countUp(zero);
    fire(zero.Timer5);
    EXPECT_EQ(zero.hyouka->text(), QStringLiteral("残念"));
    EXPECT_EQ(zero.hyouka->width(), zero.hyouka->sizeHint().width() + 10);
}

// Closing name entry through its frame declines: nothing is written, and the player is not
// stranded on a result screen with nothing left to do.
TEST(ResultScreen, closingNameEntryThroughItsFrameWritesNothingAndOpensTheMenu) {
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", DefaultScores);
    dir.writeBytes("system/Hiscorep.aty", DefaultNames);
    TestContext t;
    finishRound(t, 999999, 40, 300);
    QPointer<result> screen = new result(t.context);
    countUp(*screen);
    for (int tick = 1; tick <= 3; ++tick)
        fire(screen->Timer5);
    EXPECT_EQ(t.context.state.NewRank, 1);
    fourthTickWithNameEntry(screen, [](rankInput* dialog) { dialog->close(); });

    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), DefaultScores);
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"), DefaultNames);
    EXPECT_EQ(t.navigator.shown, std::vector<Screen>{Screen::Menu});
    deleteClosedWindows();
    EXPECT_TRUE(screen.isNull());
}

// The preset name is stored when the player just confirms, an emptied box stores an empty
// line, and a pasted name is stored whole but on one line; a table with missing lines gets its
// vacancies filled, not an error. Enter on the focused button, Ctrl+M (character 13) and the
// keypad's Enter all register. Catches names cut at the box's default length, line breaks
// that push the names below out of step with their scores, and a button deaf to Enter.
TEST(ResultScreen, nameEntryStoresThePresetOrAnEmptyNameAndFillsAShortTable) {
    TempWorkDir dir;
    TestContext t;
    t.context.state.FinalScore = 1500;
    t.context.state.NewRank = 5;
    dir.writeBytes("system/Hiscore.aty", DefaultScores);
    dir.writeBytes("system/Hiscorep.aty", DefaultNames);
    {
        rankInput entry(t.context);
        ASSERT_TRUE(entry.ready());
        // The box as laid out (twips / 15), every control found by its name.
        EXPECT_EQ(entry.size(), QSize(438, 99));
        const struct {
            const char* name;
            QRect geometry;
            const char* caption; // nullptr: not a caption
        } controls[] = {
            {"Label1", QRect(8, 8, 422, 22), "おめでとうございます!ランキングに入りました!"},
            {"Label2", QRect(8, 44, 40, 24), "名前"},
            {"inp", QRect(52, 42, 280, 28), nullptr},
            {"Command1", QRect(344, 40, 86, 32), "登録"},
        };
        for (const auto& c : controls) {
            auto* control = entry.findChild<QWidget*>(QString::fromLatin1(c.name));
            ASSERT_NE(control, nullptr) << c.name;
            EXPECT_EQ(control->geometry(), c.geometry) << c.name;
            if (auto* label = qobject_cast<QLabel*>(control)) {
                EXPECT_EQ(label->text(), QString::fromUtf8(c.caption)) << c.name;
            }
            if (auto* button = qobject_cast<QPushButton*>(control)) {
                EXPECT_EQ(button->text(), QString::fromUtf8(c.caption)) << c.name;
            }
        }
        EXPECT_EQ(entry.focusWidget(), entry.inp);
        entry.Command1->setFocus();
        QTest::keyClick(entry.Command1, Qt::Key_Return);
    }
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), "5000\r\n4000\r\n3000\r\n2000\r\n1500\r\n\r\n");
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"),
              QStringLiteral("一郎\r\n二郎\r\n三郎\r\n四郎\r\nカザミナの人\r\n\r\n").toUtf8());

    dir.writeBytes("system/Hiscore.aty", "300\r\n200\r\n");
    dir.writeBytes("system/Hiscorep.aty", "A\r\n");
    t.context.state.FinalScore = 250;
    {
        rankInput entry(t.context);
        entry.inp->clear();
        QTest::sendKeyEvent(QTest::Click, entry.inp, Qt::Key_M, QStringLiteral("\r"),
                            Qt::ControlModifier);
    }
    EXPECT_EQ(t.context.state.NewRank, 2);
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), "300\r\n250\r\n200\r\n\r\n\r\n\r\n");
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"), "A\r\n\r\n\r\n\r\n\r\n\r\n");
    EXPECT_TRUE(t.errors.messages.isEmpty());

    // Pasted text: its line breaks dropped, its length cut at the longest line the table files
    // may hold, so the table stays readable (a longer name locked the player out of it).
    dir.writeBytes("system/Hiscore.aty", DefaultScores);
    dir.writeBytes("system/Hiscorep.aty", DefaultNames);
    t.context.state.FinalScore = 4500;
    const QString longName = QString(40000, QLatin1Char('x'));
    {
        rankInput entry(t.context);
        entry.inp->clear();
        for (const QString& paste : {QStringLiteral("山田\r\n\r太郎\n"), longName}) {
            QGuiApplication::clipboard()->setText(paste);
            QTest::keyClick(entry.inp, Qt::Key_V, Qt::ControlModifier);
        }
        QTest::keyClick(entry.inp, Qt::Key_Enter);
    }
    EXPECT_EQ(t.context.state.NewRank, 2);
    const QList<QByteArray> names = dir.readBytes("system/Hiscorep.aty").split('\n');
    ASSERT_EQ(names.size(), 7);
    EXPECT_EQ(names[1].size(), QByteArray("山田太郎\r").size() + 4096 - 4);
    EXPECT_TRUE(names[1].startsWith("山田太郎xxx") && names[1].endsWith("xxx\r"));
    EXPECT_EQ(names.mid(2), (QList<QByteArray>{"二郎\r", "三郎\r", "四郎\r", "\r", ""}));
    EXPECT_NO_THROW(HighScoreTable::load());
}

// A damaged score line stops the game with one message naming the file and the line, and no
// timer goes on ticking behind the message box.
TEST(ResultScreen, aDamagedScoreFileStopsWithOneMessageAndWritesNothing) {
    TempWorkDir dir;
    const QByteArray damaged = "5000\r\nabc\r\n3000\r\n2000\r\n1000\r\n\r\n";
    dir.writeBytes("system/Hiscore.aty", damaged);
    TestContext t;
    finishRound(t, 4500, 2, 5);
    result screen(t.context);
    countUp(screen);
    fire(screen.Timer5);
    ASSERT_EQ(t.errors.messages.size(), 1);
    EXPECT_TRUE(t.errors.messages[0].contains(QStringLiteral("system\\Hiscore.aty")));
    EXPECT_TRUE(t.errors.messages[0].contains(QStringLiteral("2行目")));
    EXPECT_FALSE(screen.Timer5->isActive());
    EXPECT_TRUE(t.navigator.shown.empty());
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), damaged);
}
