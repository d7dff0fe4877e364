#include "screens/GameContext.h"
#include "screens/Maingame.h"
#include "screens/config.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QByteArray allA = QByteArray("1\r0\r").repeated(9) + "1\r\r\n";
const QByteArray onFile = "[typing]\nacceptBothSpellings=true\n";

float phraseValue(int n) {
    return (static_cast<float>(n % 100) + 0.5f) / 100.0f;
}

} // namespace

// The judging group must sit below everything that was there, in a dialog grown just for it:
// the frames, the close button and the text box keep their places, sizes and captions, and
// the group starts on the exact judging when there is no options file.
TEST(EitherSpellingDialog, theJudgingGroupSitsBelowAndNothingElseMoves) {
    TempWorkDir dir;
    TestContext t;
    Owned<config> dialog(new config(t.context));
    ASSERT_TRUE(dialog->loaded());
    QGroupBox* box = dialog->findChild<QGroupBox*>(QStringLiteral("FrameJudging"));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->title(), QStringLiteral("綴りの判定"));
    const char* const captions[][2] = {{"JudgeExact", "設定した綴りだけ"},
                                       {"JudgeBoth", "どちらの綴りでも"},
                                       {"JudgeIme", "IMEで打てる綴りならすべて"},
                                       {"JudgeCustom", "自分のローマ字表（system/romaji.tsv）"}};
    for (const auto& [name, caption] : captions) {
        QRadioButton* option = box->findChild<QRadioButton*>(QLatin1String(name));
        ASSERT_NE(option, nullptr) << name;
        EXPECT_EQ(option->text(), QString::fromUtf8(caption));
        EXPECT_EQ(option->isChecked(), QLatin1String(name) == QLatin1String("JudgeExact"));
        EXPECT_TRUE(box->rect().contains(option->geometry())) << name;
    }

    // Where the controls stood before the check box came.
    EXPECT_EQ(dialog->width(), 782);
    EXPECT_EQ(dialog->Command2->geometry(), QRect(271, 240, 240, 28));
    EXPECT_EQ(dialog->Command2->text(), QStringLiteral("閉じる"));
    EXPECT_EQ(dialog->findChild<QGroupBox*>("Frame4")->geometry(), QRect(8, 8, 250, 50));
    EXPECT_EQ(dialog->findChild<QGroupBox*>("Frame11")->geometry(), QRect(8, 182, 250, 50));
    EXPECT_EQ(dialog->findChild<QGroupBox*>("Frame9")->geometry(), QRect(524, 124, 250, 50));
    EXPECT_EQ(dialog->Text1->geometry(), QRect(451, 136, 60, 34));

    // One gap below the button, one margin below the group: just enough, no more.
    EXPECT_EQ(box->geometry().topLeft(), QPoint(8, 276));
    EXPECT_EQ(box->height(), box->sizeHint().height());
    EXPECT_LE(box->geometry().right(), dialog->width());
    // The input method's frame follows one gap lower, the weak-key box half a gap below it, then
    // the screen sizes one gap lower; the dialog ends one margin below those.
    EXPECT_EQ(dialog->inputFrame->y(), 276 + box->sizeHint().height() + 8);
    EXPECT_EQ(dialog->WeakKeys->y(), dialog->inputFrame->geometry().bottom() + 1 + 4);
    const QRect sizes = dialog->scaleFrame()->geometry();
    EXPECT_EQ(sizes.topLeft(), QPoint(8, dialog->WeakKeys->geometry().bottom() + 1 + 8));
    EXPECT_EQ(dialog->height(), sizes.bottom() + 1 + 8);
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
}

// 閉じる writes the option together with the spellings, and the spellings file keeps its
// exact 40 bytes; the option takes effect in the running game at once.
TEST(EitherSpellingDialog, closeButtonSavesTheOptionBesideTheSameFortyBytes) {
    TempWorkDir dir;
    TestContext t;
    Owned<config> dialog(new config(t.context));
    dialog->findChild<QRadioButton*>(QStringLiteral("JudgeBoth"))->click();
    fire(dialog->Timer1);
    EXPECT_TRUE(t.context.options.acceptBothSpellings());
    dialog->Command2->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/char.aty")), allA);
    const QByteArray ini = dir.readBytes(QStringLiteral("system/options.ini"));
    EXPECT_TRUE(ini.contains("[typing]")) << ini.constData();
    EXPECT_TRUE(ini.contains("judging=both")) << ini.constData();
    EXPECT_TRUE(t.context.options.acceptBothSpellings());
    EXPECT_TRUE(t.errors.messages.isEmpty());

    Owned<config> again(new config(t.context));
    EXPECT_TRUE(again->findChild<QRadioButton*>(QStringLiteral("JudgeBoth"))->isChecked());
}

// Each of the four choices is saved under its own name by 閉じる, reaches the running game, and
// is shown again by the next opening.
TEST(EitherSpellingDialog, everyJudgingIsSavedByNameAndShownAgain) {
    const std::pair<const char*, GameOptions::Judging> choices[] = {
        {"JudgeIme", GameOptions::Judging::Ime},
        {"JudgeCustom", GameOptions::Judging::Custom},
        {"JudgeBoth", GameOptions::Judging::Both},
        {"JudgeExact", GameOptions::Judging::Exact}};
    const char* const names[] = {"exact", "both", "ime", "custom"};
    TempWorkDir dir;
    TestContext t;
    for (const auto& [button, judging] : choices) {
        Owned<config> dialog(new config(t.context));
        dialog->findChild<QRadioButton*>(QLatin1String(button))->click();
        dialog->Command2->click();
        EXPECT_EQ(t.context.options.judging, judging) << button;
        const QByteArray ini = dir.readBytes(QStringLiteral("system/options.ini"));
        EXPECT_TRUE(ini.contains(QByteArray("judging=") + names[int(judging)])) << ini.constData();
        Owned<config> again(new config(t.context));
        EXPECT_EQ(again->judging(), judging) << button;
    }
}

// The close box, like for the spellings, keeps the change for this run and writes nothing:
// the file still says on, and the next opening shows (and applies) the file's value again.
TEST(EitherSpellingDialog, closeBoxKeepsTheOptionForThisRunOnly) {
    TempWorkDir dir;
    dir.writeBytes(QStringLiteral("system/options.ini"), onFile);
    TestContext t;
    {
        Owned<config> dialog(new config(t.context));
        EXPECT_TRUE(dialog->findChild<QRadioButton*>(QStringLiteral("JudgeBoth"))->isChecked());
        dialog->show();
        dialog->findChild<QRadioButton*>(QStringLiteral("JudgeExact"))->click();
        fire(dialog->Timer1);
        dialog->close();
        EXPECT_EQ(dialog->result(), QDialog::Rejected);
    }
    EXPECT_FALSE(t.context.options.acceptBothSpellings());
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/options.ini")), onFile);
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/char.aty")), allA);

    Owned<config> reopened(new config(t.context));
    EXPECT_TRUE(reopened->findChild<QRadioButton*>(QStringLiteral("JudgeBoth"))->isChecked());
    reopened->Timer1_Timer();
    EXPECT_TRUE(t.context.options.acceptBothSpellings());
}

// Typed into the real round window: with the option on, phrase 50 in spelling B under the
// settings' spelling A is a flawless phrase and the romaji line follows the keys; with it
// off, the same keys are misses as they always were.
TEST(EitherSpellingRound, theRoundWindowTakesTheOtherSpellingOnlyWithTheOption) {
    TempWorkDir dir;
    const QString keys = QStringLiteral("nitibeishuukoutsuushoujouyaku");
    for (bool on : {true, false}) {
        TestContext t;
        t.context.options.judging = on ? GameOptions::Judging::Both : GameOptions::Judging::Exact;
        t.random.pushDraw(0, 0, 6);
        t.random.push({phraseValue(50)});
        Owned<Maingame> w(new Maingame(t.context));
        for (int i = 0; i < 4; ++i)
            w->countt_Timer();
        QLabel* q = w->findChild<QLabel*>(QStringLiteral("Q"));
        QLabel* score = w->findChild<QLabel*>(QStringLiteral("score"));
        EXPECT_EQ(q->text(), QStringLiteral("nitibeisyuukoutuusyouzyouyaku"));
        QTest::keyClicks(w.get(), keys.left(9));
        if (on) {
            EXPECT_EQ(q->text(), QStringLiteral("uukoutuusyouzyouyaku"));
            t.random.push({phraseValue(3)});
            QTest::keyClicks(w.get(), keys.mid(9));
            const int n = static_cast<int>(keys.size());
            EXPECT_EQ(score->text(), QStringLiteral("SCORE：%1").arg(n * 10 + 100 + n * 10));
            EXPECT_EQ(q->text(), QStringLiteral("ego"));
            EXPECT_EQ(t.media.count("play \"music\\miss.wav\""), 0);
        } else {
            EXPECT_EQ(t.media.count("play \"music\\miss.wav\""), 1); // the h
            EXPECT_EQ(q->text(), QStringLiteral("yuukoutuusyouzyouyaku"));
        }
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// 「苦手なキーを多めに出す」 shows what the options file holds, takes effect in the running game
// within a tick, and 閉じる saves it beside the spellings; unticked again it saves false.
// Catches the box not read from the file, not applied, or saved under the wrong key.
TEST(WeakKeysBox, showsSavesAndAppliesTheOption) {
    TempWorkDir dir;
    TestContext t;
    {
        Owned<config> dialog(new config(t.context));
        ASSERT_TRUE(dialog->loaded());
        EXPECT_EQ(dialog->WeakKeys->text(), QStringLiteral("苦手なキーを多めに出す"));
        EXPECT_FALSE(dialog->WeakKeys->isChecked());
        EXPECT_FALSE(dialog->WeakKeys->geometry().intersects(dialog->FrameJudging->geometry()));
        dialog->WeakKeys->click();
        dialog->Timer1_Timer();
        EXPECT_TRUE(t.context.options.weakKeys);
        dialog->Command2->click();
    }
    EXPECT_TRUE(dir.readBytes(QStringLiteral("system/options.ini")).contains("weakKeys=true"));
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/char.aty")), allA);
    Owned<config> again(new config(t.context));
    EXPECT_TRUE(again->WeakKeys->isChecked());
    EXPECT_NE(again->judging(), GameOptions::Judging::Both);
    again->WeakKeys->click();
    again->Command2->click();
    EXPECT_FALSE(t.context.options.weakKeys);
    EXPECT_TRUE(dir.readBytes(QStringLiteral("system/options.ini")).contains("weakKeys=false"));
}
