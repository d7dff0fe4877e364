#include "screens/GameContext.h"
#include "screens/Maingame.h"
#include "screens/Training.h"
#include "screens/config.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"
#include "typing/KanaLayout.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace {

const std::string playOk = "play \"music\\ok.wav\"";
const std::string playMiss = "play \"music\\miss.wav\"";

// A key by its X key code. The character is what a layout other than the kana one would make
// of it: it must not matter where the key has a kana.
void pressKeyCode(QWidget* window, int keycode, bool shift,
                  const QString& text = QStringLiteral("x")) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, shift ? Qt::ShiftModifier : Qt::NoModifier,
                    static_cast<quint32>(keycode), 0, 0, text);
    QApplication::sendEvent(window, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown,
                      shift ? Qt::ShiftModifier : Qt::NoModifier, static_cast<quint32>(keycode), 0,
                      0, text);
    QApplication::sendEvent(window, &release);
}

// Types kana by the JIS positions of their keys.
void typeKana(QWidget* window, const QString& kana) {
    for (const QChar c : kana) {
        const auto key = KanaLayout::keyFor(c);
        ASSERT_TRUE(key) << QString(c).toStdString();
        pressKeyCode(window, key->keycode, key->shift);
    }
}

float phraseValue(int n) {
    return (static_cast<float>(n % 100) + 0.5f) / 100.0f;
}

class KanaRoundTest : public testing::Test {
protected:
    ~KanaRoundTest() override {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete window.data();
    }
    // Opens a kana round with the first draws pinned and plays past the countdown.
    Maingame& open(std::initializer_list<float> draws) {
        t.context.options.input = GameOptions::Input::Kana;
        t.random.pushDraw(0, 0, 6);
        t.random.push(draws);
        window = new Maingame(t.context);
        for (int i = 0; i < 4; ++i)
            window->countt_Timer();
        return *window;
    }
    QString text(const char* name) {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    TempWorkDir dir;
    TestContext t;
    QPointer<Maingame> window;
};

} // namespace

// A kana round in the real window: a phrase the layout cannot type (MP5) is drawn again, the
// line under the phrase is the reading left and shows a half-typed voiced kana as its base
// kana, keys count by position whatever character they type, a miss costs as in romaji and is
// counted against the kana due, and a finished phrase scores as in romaji.
TEST_F(KanaRoundTest, aPhraseIsTypedByPositionAndTheLineShowsTheKanaLeft) {
    Maingame& w = open({phraseValue(5), phraseValue(12)});
    ASSERT_TRUE(w.loaded());
    EXPECT_EQ(text("mon"), QStringLiteral("バンドやろうぜ"));
    EXPECT_EQ(text("Q"), QStringLiteral("バンドやろうぜ"));
    typeKana(&w, QStringLiteral("は"));
    EXPECT_EQ(text("Q"), QStringLiteral("ハンドやろうぜ"));
    typeKana(&w, QStringLiteral("゛"));
    EXPECT_EQ(text("Q"), QStringLiteral("ンドやろうぜ"));
    pressKeyCode(&w, 24, false, QStringLiteral("n")); // た, though X typed the ん key's n
    EXPECT_EQ(text("Q"), QStringLiteral("ンドやろうぜ"));
    EXPECT_EQ(t.media.count(playMiss), 1);
    EXPECT_EQ(t.context.state.figures.weakKeys(), std::vector<char32_t>{U'ん'});
    t.random.push({phraseValue(3)});
    typeKana(&w, QStringLiteral("んと゛やろうせ゛"));
    EXPECT_EQ(text("mon"), QStringLiteral("エゴ"));
    EXPECT_EQ(text("Q"), QStringLiteral("エゴ"));
    // 10 right keys, 1 miss, then 100 × level 1 + 10 × a combo of 8.
    EXPECT_EQ(text("score"), QStringLiteral("SCORE：%1").arg(10 * 10 - 20 + 100 + 80));
    EXPECT_EQ(t.context.state.figures.rightKeys(), 10);
    EXPECT_EQ(t.media.count(playMiss), 1);
}

// Every key code the X server knows, with and without Shift, reaches the round without harm:
// a key with a kana is judged, a key without one that types nothing is not, and the round goes
// on drawing phrases it can type.
TEST_F(KanaRoundTest, everyKeyCodeWithAndWithoutShiftIsSafe) {
    t.random.fallback = phraseValue(3);
    Maingame& w = open({phraseValue(3)});
    int withKana = 0;
    for (const bool shift : {false, true}) {
        for (int code = 0; code <= 255; ++code) {
            pressKeyCode(&w, code, shift, QString());
            withKana += KanaLayout::kanaAt({code, shift}).isNull() || code < 8 ? 0 : 1;
        }
    }
    EXPECT_EQ(withKana, 2 * int(KanaLayout::entries().size()));
    EXPECT_EQ(t.context.state.figures.keys(), withKana);
    EXPECT_TRUE(w.judge().playing());
    EXPECT_EQ(text("mon"), QStringLiteral("エゴ"));
}

// A pack is drawn from in kana input as the built-in phrases are, leaving out what the layout
// cannot type; a pack with nothing typable is set aside with a word to the player, and the
// round plays the built-in phrases. The pack file is never touched.
TEST_F(KanaRoundTest, packsLeaveOutWhatTheLayoutCannotType) {
    const QByteArray mixed = "ABC\tABC\r\n"
                             "\xE8\x8C\xB6\t\xE3\x81\x8A\xE3\x81\xA1\xE3\x82\x83\r\n"; // 茶 おちゃ
    dir.writeBytes(QStringLiteral("system/phrases.txt"), mixed);
    {
        Maingame& w = open({0.75f}); // ABC, then a fixed fallback that keeps drawing it
        EXPECT_TRUE(t.errors.warnings.isEmpty());
        EXPECT_EQ(text("mon"), QStringLiteral("茶"));
        EXPECT_EQ(text("Q"), QStringLiteral("おちゃ"));
        typeKana(&w, QStringLiteral("おちゃ"));
        EXPECT_EQ(text("mon"), QStringLiteral("茶"));
        EXPECT_EQ(t.media.count(playMiss), 0);
        w.close();
    }
    const QByteArray none = "ABC\tABC\r\nMP5\tMP5\r\n";
    dir.writeBytes(QStringLiteral("system/phrases.txt"), none);
    t.random.queue.clear();
    open({phraseValue(3)});
    ASSERT_EQ(t.errors.warnings.size(), 1);
    EXPECT_TRUE(t.errors.warnings.front().contains(QStringLiteral("phrases.txt")));
    EXPECT_EQ(text("mon"), QStringLiteral("エゴ"));
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/phrases.txt")), none);
}

// Romaji input, the default, judges what the key typed and never its position.
TEST_F(KanaRoundTest, romajiInputIgnoresPositions) {
    t.random.pushDraw(0, 0, 6);
    t.random.push({phraseValue(3)});
    window = new Maingame(t.context);
    for (int i = 0; i < 4; ++i)
        window->countt_Timer();
    EXPECT_EQ(text("Q"), QStringLiteral("ego"));
    pressKeyCode(window, 26, false, QStringLiteral("e")); // the い key typing e
    pressKeyCode(window, 42, false, QStringLiteral("x")); // the き key typing x
    EXPECT_EQ(text("Q"), QStringLiteral("go"));
    EXPECT_EQ(t.media.count(playMiss), 1);
}

// The drill in kana input draws the layout's kana in table order for the draws 1 to the last,
// each typed by its key's position is right and draws the next; a key with another kana, and a
// key without one that types a character, are misses; keys typing nothing are not judged.
TEST(KanaTraining, drawsTheLayoutsKanaAndJudgesKeysByPosition) {
    TestContext t;
    t.context.options.input = GameOptions::Input::Kana;
    const int count = Training::kanaCount();
    ASSERT_EQ(count, 63);
    t.random.pushDraw(1, 1, count);
    Owned<Training> training(new Training(t.context));
    for (int i = 0; i < 4; ++i)
        training->countt_Timer();
    EXPECT_EQ(training->Q->text(), QStringLiteral("ぬ"));

    pressKeyCode(training.get(), 11, false); // ふ
    pressKeyCode(training.get(), 23, false, QStringLiteral("\t"));
    pressKeyCode(training.get(), 50, true, QString());  // Shift alone
    pressKeyCode(training.get(), 67, false, QString()); // F1
    EXPECT_EQ(t.media.count(playMiss), 2);
    EXPECT_EQ(training->Q->text(), QStringLiteral("ぬ"));

    QString seen = training->Q->text();
    for (int n = 2; n <= count; ++n) {
        t.random.pushDraw(n, 1, count);
        typeKana(training.get(), training->Q->text());
        seen += training->Q->text();
    }
    EXPECT_EQ(seen, KanaLayout::allKana());
    EXPECT_EQ(t.media.count(playOk), count - 1);
    EXPECT_EQ(t.media.count(playMiss), 2);
}

// 入力方式 sits below everything else in a dialog grown for it, starts on ローマ字 without an
// options file, and 閉じる saves the choice as typing/input; the next opening shows it.
TEST(KanaInputDialog, theInputMethodIsChosenSavedAndShownAgain) {
    TempWorkDir dir;
    TestContext t;
    {
        Owned<config> dialog(new config(t.context));
        ASSERT_TRUE(dialog->loaded());
        ASSERT_NE(dialog->inputFrame, nullptr);
        EXPECT_EQ(dialog->inputFrame->title(), QStringLiteral("入力方式"));
        EXPECT_EQ(dialog->inputRomaji->text(), QStringLiteral("ローマ字"));
        EXPECT_EQ(dialog->inputKana->text(), QStringLiteral("かな（JIS配列）"));
        EXPECT_TRUE(dialog->inputRomaji->isChecked());
        EXPECT_GT(dialog->inputFrame->y(), dialog->Command2->geometry().bottom());
        EXPECT_LE(dialog->inputFrame->geometry().bottom(), dialog->height());
        dialog->inputKana->click();
        dialog->Timer1_Timer();
        EXPECT_EQ(t.context.options.input, GameOptions::Input::Kana);
        dialog->Command2->click();
    }
    const QByteArray ini = dir.readBytes(QStringLiteral("system/options.ini"));
    EXPECT_TRUE(ini.contains("input=kana")) << ini.constData();
    EXPECT_TRUE(t.errors.messages.isEmpty());
    Owned<config> again(new config(t.context));
    EXPECT_TRUE(again->inputKana->isChecked());
    again->inputRomaji->click();
    again->Command2->click();
    EXPECT_TRUE(dir.readBytes(QStringLiteral("system/options.ini")).contains("input=romaji"));
    EXPECT_EQ(t.context.options.input, GameOptions::Input::Romaji);
}
