#include "screens/Maingame.h"
#include "screens/ShapeWidget.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

float phraseValue(int n) {
    return (static_cast<float>(n % 100) + 0.5f) / 100.0f;
}

class MaingameTest : public testing::Test {
protected:
    ~MaingameTest() override {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete window.data();
    }

    // Opens the round with the track and the first phrase pinned.
    Maingame& open(int track, int firstPhrase) {
        t.random.pushDraw(track, 0, 6);
        t.random.push({phraseValue(firstPhrase)});
        window = new Maingame(t.context);
        return *window;
    }
    void countdown() {
        for (int i = 0; i < 4; ++i)
            window->countt_Timer();
    }
    void runTicks(int n, double intervalMs = 50) {
        t.clock.advanceMs(n * intervalMs);
        fire("GT");
    }
    // A timer's timeout as the event loop would deliver it: through the timer's connection.
    void fire(const char* timer) { QMetaObject::invokeMethod(control<QTimer>(timer), "timeout"); }
    template <class T = QLabel> T* control(const char* name) {
        return window->findChild<T*>(QString::fromLatin1(name));
    }
    QString text(const char* name) { return control(name)->text(); }
    // Centred as the window does it: half the outer width minus half the label's width.
    void expectCentred(const char* name) {
        QLabel* label = control(name);
        EXPECT_NEAR(label->x(), (window->frameGeometry().width() - label->width()) / 2.0, 1.0)
            << name;
    }

    TempWorkDir dir;
    TestContext t;
    QPointer<Maingame> window;
};

} // namespace

// A whole phrase typed through the real window's key events: labels, combo, next phrase
// and its centring, the key effects, and Esc judged as a character.
TEST_F(MaingameTest, typingAWholePhraseUpdatesTheLabels) {
    Maingame& w = open(2, 1);
    EXPECT_EQ(w.windowTitle(), "カザミナへのタイピング～カザミナへの道～");
    EXPECT_FALSE(w.testAttribute(Qt::WA_InputMethodEnabled));
    EXPECT_EQ(w.musicPath(), "music\\entertainer.mp3");
    EXPECT_EQ(text("countm"), "Get Set");
    // Every timer's pace, and which of them run from the load on.
    const struct {
        const char* name;
        int interval;
        bool active;
    } timers[] = {{"countt", 1000, true},
                  {"GT", 50, false},
                  {"Endwait", 1000, false},
                  {"Timer1", 100, false},
                  {"rmize", 100, true}};
    for (const auto& timer : timers) {
        EXPECT_EQ(control<QTimer>(timer.name)->interval(), timer.interval) << timer.name;
        EXPECT_EQ(control<QTimer>(timer.name)->isActive(), timer.active) << timer.name;
    }
    EXPECT_TRUE(control("mon")->isHidden());
    EXPECT_EQ(text("mon"), "月とすっぽん。比べんでも分かるわボケ");
    expectCentred("mon");
    expectCentred("Q");

    EXPECT_TRUE(w.loaded());
    const int reseeds = t.random.reseeds;
    fire("rmize");
    EXPECT_EQ(t.random.reseeds, reseeds + 1);
    QTest::keyClick(&w, Qt::Key_T); // during the countdown
    EXPECT_EQ(text("score"), "SCORE：0");
    fire("countt");
    EXPECT_EQ(text("countm"), "3");
    w.countt_Timer();
    w.countt_Timer();
    w.countt_Timer();
    EXPECT_TRUE(control("countm")->isHidden());
    EXPECT_FALSE(control("Q")->isHidden());
    EXPECT_TRUE(t.media.commands.empty());

    const QString romaji = text("Q");
    ASSERT_EQ(romaji, "tukitosupponn.kurabenndemowakaruwaboke");
    QTest::keyClick(&w, Qt::Key_Shift); // types nothing
    t.random.push({phraseValue(3)});
    QTest::keyClicks(&w, romaji.left(10));
    EXPECT_EQ(text("Q"), romaji.mid(10));
    EXPECT_TRUE(control("combon")->isVisible());
    EXPECT_EQ(text("combon"), "10 COMBO!");
    QTest::keyClicks(&w, romaji.mid(10));

    const int keys = static_cast<int>(romaji.size());
    EXPECT_EQ(text("score"), QStringLiteral("SCORE：%1").arg(keys * 10 + 100 + keys * 10));
    EXPECT_EQ(text("combon"), QStringLiteral("%1 COMBO!").arg(keys));
    EXPECT_EQ(text("mon"), "エゴ");
    EXPECT_EQ(text("Q"), "ego");
    expectCentred("mon");
    expectCentred("Q");
    EXPECT_EQ(text("Lv"), "LEVEL：1");
    EXPECT_EQ(text("Label2"), "e");
    EXPECT_EQ(t.media.count("play \"music\\ok.wav\""), keys);

    QTest::keyClick(&w, Qt::Key_Escape);
    EXPECT_EQ(text("score"), QStringLiteral("SCORE：%1").arg(keys * 20 + 100 - 20));
    EXPECT_TRUE(control("combon")->isHidden());
    EXPECT_EQ(control("Q")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_TRUE(w.isVisible()); // Esc does not leave the round

    // X11 gives Delete the text DEL and Alt+e the letter e; neither is typing.
    QTest::sendKeyEvent(QTest::Click, &w, Qt::Key_Delete, QStringLiteral("\x7f"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, &w, Qt::Key_E, QStringLiteral("e"), Qt::AltModifier);
    EXPECT_EQ(text("score"), QStringLiteral("SCORE：%1").arg(keys * 20 + 100 - 20));
    EXPECT_EQ(text("Q"), "ego");
    // Tab and Shift+Tab (Backtab, without text) both type a tab, judged like any character.
    QTest::keyClick(&w, Qt::Key_Tab);
    QTest::sendKeyEvent(QTest::Click, &w, Qt::Key_Backtab, QString(), Qt::ShiftModifier);
    EXPECT_EQ(text("score"), QStringLiteral("SCORE：%1").arg(keys * 20 + 100 - 60));
    EXPECT_EQ(text("Label2"), "\t");
    // One key that types two characters is judged character by character; a character beyond
    // 16 bits (a surrogate pair) is one character, one miss.
    QTest::sendKeyEvent(QTest::Click, &w, Qt::Key_unknown, QStringLiteral("eX"), Qt::NoModifier);
    EXPECT_EQ(text("Q"), "go");
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    QTest::sendKeyEvent(QTest::Click, &w, Qt::Key_unknown, emoji, Qt::NoModifier);
    EXPECT_EQ(text("Label2"), emoji);
    QTest::sendKeyEvent(QTest::Click, &w, Qt::Key_unknown, emoji + "g", Qt::NoModifier);
    EXPECT_EQ(text("Q"), "o");
    EXPECT_EQ(text("score"), QStringLiteral("SCORE：%1").arg(keys * 20 + 100 - 100));

    fire("Timer1");
    EXPECT_EQ(t.media.commands.back(), "play \"music\\entertainer.mp3\"");
}

// Where each control stands (twips / 15 = pixels), its colour and its face; mon and Q are
// centred, so only their tops count. Catches a control moved, recoloured or set in the wrong
// size, which no other test would notice.
TEST_F(MaingameTest, controlsStandWhereTheLayoutPutsThem) {
    Maingame& w = open(0, 3);
    const struct {
        const char* name;
        int left, top; // pixels; -1: centred
        QColor colour;
        double points;
        bool bold;
    } labels[] = {
        {"countm", 172, 131, QColor(255, 0, 0), 72, true},
        {"mon", -1, 52, Qt::white, 14.25, true},
        {"Q", -1, 91, Qt::white, 12, true},
        {"combon", 99, 272, QColor(255, 255, 0), 14.25, true},
        {"score", 6, 323, QColor(255, 255, 128), 14.25, false},
        {"Label1", 184, 322, QColor(0, 255, 0), 14.25, false}, // 19 px high
        {"Lv", 504, 320, QColor(255, 128, 0), 14.25, false},
    };
    for (const auto& l : labels) {
        QLabel* label = control(l.name);
        EXPECT_EQ(label->x(), l.left >= 0 ? l.left : label->x()) << l.name;
        EXPECT_EQ(label->y(), l.top) << l.name;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), l.colour) << l.name;
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), l.points) << l.name;
        EXPECT_EQ(label->font().bold(), l.bold) << l.name;
    }
    EXPECT_EQ(control("Label1")->height(), 19);
    EXPECT_EQ(control("Label2")->geometry(), QRect(17, 26, 146, 66));
    EXPECT_EQ(control<QWidget>("Text1")->geometry(), QRect(492, 154, 148, 78));
    EXPECT_EQ(control<ShapeWidget>("Shape1")->geometry(), QRect(231, 311, 254, 39));
    EXPECT_EQ(control<ShapeWidget>("Shape1")->fill(), QColor(0, 255, 255));
    for (int i = 0; i < 5; ++i) {
        auto* lamp = control<ShapeWidget>(QStringLiteral("T%1").arg(i + 1).toLatin1().constData());
        EXPECT_EQ(lamp->geometry(), QRect(qRound((3473 + 750 * i) / 15.0), 312, 53, 38)) << i;
        EXPECT_EQ(lamp->kind(), ShapeWidget::Kind::Circle);
    }
    // Drawn as a filled circle in the middle of its box, as tall as the box, nothing in the
    // corners or beside it.
    const QImage lamp = control<ShapeWidget>("T3")->grab().toImage();
    EXPECT_EQ(lamp.pixelColor(26, 19), QColor(0, 0, 192));
    EXPECT_EQ(lamp.pixelColor(26, 3), QColor(0, 0, 192));
    EXPECT_EQ(lamp.pixelColor(10, 19), QColor(0, 0, 192));
    EXPECT_EQ(lamp.pixelColor(43, 19), QColor(0, 0, 192));
    EXPECT_NE(lamp.pixelColor(5, 19), QColor(0, 0, 192));
    EXPECT_NE(lamp.pixelColor(1, 1), QColor(0, 0, 192));
    EXPECT_NE(lamp.pixelColor(51, 36), QColor(0, 0, 192));
    const QImage frame = control<ShapeWidget>("Shape1")->grab().toImage();
    EXPECT_EQ(frame.pixelColor(127, 19), QColor(0, 255, 255));
    EXPECT_EQ(w.size(), QSize(668, 359));
}

// An idle round: the lamps drain at the game clock's pace (several ticks per late event),
// "終了" shows after exactly 500 ticks, keys are then ignored, and on the third second of the
// end wait the result screen opens and the round window goes, closing its music.
TEST_F(MaingameTest, idleRoundEndsAndHandsOverToTheResultScreen) {
    t.context.state.WindowLeft = 1500;
    t.context.state.WindowTop = 750;
    Maingame& w = open(0, 3);
    EXPECT_EQ(w.pos(), QPoint(100, 50));
    countdown();
    EXPECT_EQ(w.findChild<QTimer*>("GT")->interval(), 50);

    runTicks(250);
    EXPECT_FALSE(control<ShapeWidget>("T4")->isVisible());
    EXPECT_EQ(control<ShapeWidget>("T1")->fill(), QColor(255, 255, 0));
    runTicks(249);
    EXPECT_EQ(w.judge().timeLeft(), 1);
    EXPECT_EQ(control<ShapeWidget>("T1")->fill(), QColor(255, 0, 0));
    // Screen readers hear the lamps as one object that follows them.
    EXPECT_EQ(control<ShapeWidget>("Shape1")->accessibleName(), "残り時間 1/5");
    EXPECT_TRUE(control("countm")->isHidden());
    t.clock.advanceMs(49);
    w.GT_Timer();
    EXPECT_TRUE(control("countm")->isHidden());
    t.context.state.WindowLeft = t.context.state.WindowTop = 0;
    runTicks(1, 1);

    EXPECT_FALSE(control("countm")->isHidden());
    EXPECT_EQ(text("countm"), "終了");
    EXPECT_EQ(control("countm")->palette().color(QPalette::WindowText), QColor(255, 192, 192));
    EXPECT_FALSE(control<ShapeWidget>("T1")->isVisible());
    EXPECT_EQ(control<ShapeWidget>("Shape1")->accessibleName(), "残り時間 0/5");
    EXPECT_TRUE(control<QTimer>("Endwait")->isActive());
    EXPECT_EQ(t.context.state.FinalScore, 0);
    EXPECT_EQ(t.context.state.GameLevel, 1);
    EXPECT_EQ(t.context.state.MaxCombo, 0);
    EXPECT_EQ(t.context.state.WindowLeft, 1500);
    EXPECT_EQ(t.context.state.WindowTop, 750);

    QTest::keyClicks(&w, "ego");
    EXPECT_EQ(text("score"), "SCORE：0");
    fire("Endwait");
    fire("Endwait");
    EXPECT_TRUE(t.navigator.shown.empty());
    fire("Endwait");
    EXPECT_EQ(t.navigator.shown, std::vector<Screen>{Screen::Result});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(t.media.commands.back(), "close \"music\\eine.mp3\"");
}

// The game tick follows the level: after every fifth phrase the window's timer and its clock
// take the next interval, and a phrase lasts 500 ticks of it on the pinned clock, down to 1 ms;
// from then on each phrase gets 10 ticks less. Catches a window that keeps ticking at 50 ms
// while the judge's level climbs.
TEST_F(MaingameTest, levelLadderSetsThePaceOfTheRealGameTick) {
    open(0, 3);
    t.random.fallback = phraseValue(3); // every phrase is "ego"
    countdown();
    QTimer* gt = control<QTimer>("GT");
    const int intervals[] = {50, 45, 40, 35, 30, 25, 20, 15, 10, 5, 4, 3, 2, 1};
    for (int level = 1; level <= 14; ++level) {
        const int interval = intervals[level - 1];
        EXPECT_EQ(gt->interval(), interval) << "level " << level;
        EXPECT_EQ(text("Lv"), QStringLiteral("LEVEL：%1").arg(level));
        // One phrase's whole budget but the last tick.
        t.clock.advanceMs(500.0 * interval - 1);
        window->GT_Timer();
        EXPECT_EQ(window->judge().timeLeft(), 1) << "level " << level;
        if (level == 14)
            break;
        for (int phrase = 0; phrase < 5; ++phrase)
            QTest::keyClicks(window, "ego");
    }
    EXPECT_EQ(t.context.state.GameLevel, 14);
    QTest::keyClicks(window, "ego"); // the 66th phrase: 490 ticks at 1 ms
    EXPECT_EQ(text("Lv"), "LEVEL：15");
    EXPECT_EQ(gt->interval(), 1);
    runTicks(489, 1);
    EXPECT_TRUE(control("countm")->isHidden());
    runTicks(1, 1);
    EXPECT_EQ(text("countm"), "終了");
    EXPECT_EQ(t.context.state.GameLevel, 15);
}

// Closing the window mid-round stops the music and leaves the results alone; the next round
// in the same run starts from scratch at the stored position.
TEST_F(MaingameTest, closingMidRoundLeavesNoResultsAndTheNextRoundStartsFresh) {
    t.context.state.FinalScore = 777;
    t.context.state.NewRank = 3;
    open(4, 59);
    countdown();
    QTest::keyClicks(window, "feari-teiru");
    runTicks(450);
    EXPECT_EQ(text("Lv"), "LEVEL：1");
    window->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(t.media.commands.back(), "close \"music\\ifudoudou.mp3\"");
    EXPECT_TRUE(t.navigator.shown.empty());
    EXPECT_EQ(t.context.state.FinalScore, 777);
    EXPECT_EQ(t.context.state.MaxCombo, 11);

    open(1, 3);
    EXPECT_EQ(t.context.state.MaxCombo, 0);
    EXPECT_EQ(t.context.state.Combo, 0);
    EXPECT_EQ(t.context.state.NewRank, 0);
    EXPECT_EQ(text("score"), "SCORE：0");
    EXPECT_EQ(text("Lv"), "LEVEL：1");
    countdown();
    for (const char* lamp : {"T1", "T2", "T3", "T4", "T5"}) {
        EXPECT_TRUE(control<ShapeWidget>(lamp)->isVisible()) << lamp;
        EXPECT_EQ(control<ShapeWidget>(lamp)->fill(), QColor(0, 0, 192)) << lamp;
    }
    EXPECT_EQ(window->findChild<QTimer*>("GT")->interval(), 50);
}

// Without its settings file the round reports the file and does not start.
TEST_F(MaingameTest, missingSettingsFileIsReportedAndTheRoundDoesNotStart) {
    QFile::remove(dir.path("system/char.aty"));
    open(0, 3);
    ASSERT_EQ(t.errors.messages.size(), 1);
    EXPECT_TRUE(t.errors.messages.front().contains("char.aty"));
    EXPECT_FALSE(window->loaded());
    EXPECT_FALSE(window->findChild<QTimer*>("countt")->isActive());
}
