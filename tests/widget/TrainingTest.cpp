#include "screens/Training.h"
#include "screens/Navigator.h"
#include "stats/HistoryFile.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <random>

#include <gtest/gtest.h>

namespace {

const std::string playOk = "play \"music\\ok.wav\"";
const std::string playMiss = "play \"music\\miss.wav\"";

QColor colourOf(QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

void finishCountdown(Training* training) {
    for (int i = 0; i < 4; ++i)
        training->countt_Timer();
}

void type(Training* training, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QApplication::sendEvent(training, &press);
}

} // namespace

// "Get Set", 3, 2, 1, then the character; keys typed before that are neither judged nor
// sounded, and the music only starts once the drill runs.
TEST(Training, countdownIgnoresKeysThenShowsCharacterAndStartsMusic) {
    TempWorkDir dir; // the drill session goes into this folder's history
    TestContext t;
    t.random.pushDraw(44, 1, 69);
    Owned<Training> training(new Training(t.context));
    EXPECT_EQ(training->windowTitle(), QStringLiteral("カザミナへのタイピング～とれぇにんぐ～"));
    EXPECT_EQ(training->countm->text(), QStringLiteral("Get Set"));
    EXPECT_EQ(training->Label1->text(), QStringLiteral("ESCで終了さもないとエンドレス"));
    EXPECT_EQ(training->Q->text(), QStringLiteral("A"));
    EXPECT_TRUE(training->Q->isHidden());
    EXPECT_FALSE(training->Timer1->isActive());
    // A countdown step every second, a music poll every 100 ms.
    EXPECT_TRUE(training->countt->isActive());
    EXPECT_EQ(training->countt->interval(), 1000);
    EXPECT_EQ(training->Timer1->interval(), 100);

    const QStringList counts = {"3", "2", "1"};
    for (const QString& count : counts) {
        type(training.get(), QStringLiteral("A"));
        type(training.get(), QStringLiteral("x"));
        training->countt_Timer();
        EXPECT_EQ(training->countm->text(), count);
        EXPECT_TRUE(training->Q->isHidden());
    }
    EXPECT_TRUE(t.media.commands.empty());
    EXPECT_EQ(training->Q->text(), QStringLiteral("A"));

    training->countt_Timer();
    EXPECT_EQ(training->countdown(), 0);
    EXPECT_FALSE(training->countt->isActive());
    EXPECT_TRUE(training->countm->isHidden());
    EXPECT_FALSE(training->Q->isHidden());
    EXPECT_TRUE(training->Timer1->isActive());
    training->Timer1_Timer();
    EXPECT_EQ(t.media.count("play \"music\\nocturne.mp3\""), 1);
}

// Judging is case-exact and character-exact: "a" against "A", Enter, Space and Backspace
// are misses that keep the character red; the right key turns it white and draws anew.
// Effects are a play alone, never preceded by a close.
TEST(Training, caseExactJudgingWithMissesKeepingTheCharacter) {
    TempWorkDir dir; // the drill session goes into this folder's history
    TestContext t;
    t.random.pushDraw(44, 1, 69); // "A"
    Owned<Training> training(new Training(t.context));
    finishCountdown(training.get());
    t.media.commands.clear();

    QTest::keyClick(training.get(), Qt::Key_A); // no Shift: "a"
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Space, Qt::Key_Backspace})
        QTest::keyClick(training.get(), key);
    EXPECT_EQ(t.media.count(playMiss), 4);
    EXPECT_EQ(training->Q->text(), QStringLiteral("A"));
    EXPECT_EQ(colourOf(training->Q), QColor(255, 0, 0));

    // Keys that produce no character are not judged; nor are Delete and Alt+letter, which
    // X11 hands a DEL and the bare letter.
    QTest::keyClick(training.get(), Qt::Key_Shift);
    QTest::keyClick(training.get(), Qt::Key_Left);
    QTest::sendKeyEvent(QTest::Click, training.get(), Qt::Key_Delete, QStringLiteral("\x7f"),
                        Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Click, training.get(), Qt::Key_A, QStringLiteral("A"),
                        Qt::AltModifier);
    EXPECT_EQ(training->Q->text(), QStringLiteral("A"));
    EXPECT_EQ(t.media.commands.size(), 4u);

    const int reseedsBefore = t.random.reseeds;
    t.random.pushDraw(37, 1, 69); // "!"
    QTest::keyClick(training.get(), 'A', Qt::ShiftModifier);
    EXPECT_EQ(training->Q->text(), QStringLiteral("!"));
    EXPECT_EQ(colourOf(training->Q), QColor(255, 255, 255));
    EXPECT_EQ(t.random.reseeds, reseedsBefore + 1);
    EXPECT_EQ(t.media.commands.back(), playOk);
    EXPECT_EQ(t.media.count("close \"music\\ok.wav\"") + t.media.count("close \"music\\miss.wav\""),
              0);
}

// Over a long drill every one of the 69 characters comes up, in table order for the draws
// 1 to 69, and the extreme draws stay inside the table.
TEST(Training, everyCharacterComesUpAndTypingItDrawsTheNext) {
    const QString table =
        QStringLiteral("abcdefghijklmnopqrstuvwxyz1234567890!?-,.;:ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    TempWorkDir dir; // the drill session goes into this folder's history
    TestContext t;
    t.random.push({0.0f});
    Owned<Training> training(new Training(t.context));
    finishCountdown(training.get());
    EXPECT_EQ(training->Q->text(), QStringLiteral("a"));

    QString seen;
    for (int n = 2; n <= Training::CharacterCount; ++n) {
        t.random.pushDraw(n, 1, 69);
        type(training.get(), training->Q->text());
        seen += training->Q->text();
    }
    EXPECT_EQ(QStringLiteral("a") + seen, table);
    t.random.push({0.99999994f});
    type(training.get(), training->Q->text());
    EXPECT_EQ(training->Q->text(), QStringLiteral("Z"));
    EXPECT_EQ(t.media.count(playOk), 69);
    EXPECT_EQ(t.media.count(playMiss), 0);
}

// Escape leaves at any time, countdown included, for the menu; the training stores no
// position of its own, so the menu comes back where it stood; the music never started.
TEST(Training, escapeDuringCountdownReturnsToMenuWithoutStoringPosition) {
    TempWorkDir dir; // the drill session goes into this folder's history
    TestContext t;
    t.context.state.WindowLeft = 1200;
    t.context.state.WindowTop = 600;
    Owned<Training> training(new Training(t.context));
    EXPECT_EQ(training->pos(), QPoint(80, 40));
    training->show();
    training->move(300, 200);
    training->countt_Timer();
    QTest::keyClick(training.get(), Qt::Key_Escape);
    ASSERT_EQ(t.navigator.shown.size(), 1u);
    EXPECT_EQ(t.navigator.shown[0], Screen::Menu);
    EXPECT_FALSE(training.get() && training->isVisible());
    EXPECT_EQ(t.context.state.WindowLeft, 1200);
    EXPECT_EQ(t.context.state.WindowTop, 600);
    EXPECT_EQ(t.media.count("play \"music\\nocturne.mp3\""), 0);
    EXPECT_EQ(t.media.count("close \"music\\nocturne.mp3\""), 1);
}

namespace {
// The game's draws from a fixed seed, for counting how often characters come up.
class SeededRandom : public RandomSource {
public:
    void reseed() override {}
    float next() override { return std::uniform_real_distribution<float>(0.0f, 1.0f)(engine); }
    std::mt19937 engine{23};
};

// A drill of `characters` right keys with `random`; how often each character came up.
std::map<QString, int> drill(TestContext& t, RandomSource& random, int characters) {
    GameContext context(random, t.clock, t.media, t.navigator, t.errors);
    context.options = t.context.options;
    Owned<Training> training(new Training(context));
    finishCountdown(training.get());
    std::map<QString, int> seen;
    for (int i = 0; i < characters; ++i) {
        ++seen[training->Q->text()];
        t.clock.advanceMs(300);
        type(training.get(), training->Q->text());
    }
    training->close(); // the session goes into the history
    return seen;
}
} // namespace

// With weak-key practice on and a history in which q is always missed, q comes up well over
// twice as often as uniform over 200 characters while other characters still come up; with the
// option off the same history changes nothing: the draws are the original ones value for value.
// Catches the option ignored, the weights read from the wrong file or the wrong characters, and
// weights that leak into the original drill.
TEST(Training, weakKeyPracticeDrawsTheAlwaysMissedKeyMoreOften) {
    TempWorkDir dir;
    for (int i = 0; i < 5; ++i) {
        HistoryRecord r;
        r.time = QStringLiteral("2026-12-07T20:00:00+09:00");
        r.kind = HistoryRecord::Kind::Drill;
        r.keys = 69 + 4;
        r.misses = 4;
        for (int n = 1; n <= Training::CharacterCount; ++n)
            r.keysByKey.emplace_back(RoundFigures::codePoint(Training::character(n)), 1);
        r.keysByKey[16].second += 4; // q
        r.missesByKey = {{U'q', 4}};
        ASSERT_EQ(HistoryFile::append(r), QString());
    }
    TestContext t;
    t.context.options.weakKeys = true;
    SeededRandom weighted;
    const std::map<QString, int> seen = drill(t, weighted, 200);
    const double uniform = 200.0 / Training::CharacterCount;
    EXPECT_GE(seen.count("q") ? seen.at("q") : 0, 2 * uniform);
    EXPECT_GT(seen.size(), 40u);

    t.context.options.weakKeys = false;
    SeededRandom plain, reference;
    std::map<QString, int> expected;
    const std::map<QString, int> off = drill(t, plain, 200);
    for (int i = 0; i < 200; ++i)
        ++expected[Training::character(reference.draw(1, Training::CharacterCount))];
    EXPECT_EQ(off, expected);
    // Both drills went into the history as drill sessions, timed.
    const HistoryFile::Loaded history = HistoryFile::load();
    ASSERT_EQ(history.records.size(), 7u);
    EXPECT_EQ(history.records.back().kind, HistoryRecord::Kind::Drill);
    EXPECT_EQ(history.records.back().keys, 200);
    ASSERT_FALSE(history.records.back().timesByKey.empty());
    EXPECT_EQ(history.records.back().timesByKey.front().total,
              300 * history.records.back().timesByKey.front().count);
}
