#include "screens/Title.h"
#include "screens/Fonts.h"
#include "screens/Navigator.h"
#include "tests/support/Fakes.h"
#include "tests/widget/NavigationSupport.h"

#include <QFontInfo>
#include <QLabel>
#include <QStringList>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

const std::string playTitleMusic = "play \"music\\kanpai.mp3\"";

} // namespace

// The two words must be typed out frame by frame and hand over to the prompt, the blink and
// the music only after the last frame of the second word; an off-by-one in either frame
// table or a timer left running would show here.
TEST(Title, animationRunsBothWordsThenStartsPromptBlinkAndMusic) {
    TestContext t;
    t.random.pushDraw(3, 1, 5);
    Owned<Title> title(new Title(t.context));
    EXPECT_EQ(t.random.reseeds, 1);
    EXPECT_EQ(title->brink->text(), QStringLiteral("スペースキーを押せ。さすれば道は開かれん"));
    EXPECT_TRUE(title->T1->isActive());
    EXPECT_FALSE(title->T2->isActive());
    // The pace: a word frame every 250 ms, the prompt blinks every 500 ms, the music poll
    // runs every 100 ms.
    EXPECT_EQ(title->T1->interval(), 250);
    EXPECT_EQ(title->T2->interval(), 250);
    EXPECT_EQ(title->Timer1->interval(), 500);
    EXPECT_EQ(title->Timer2->interval(), 100);
    // Where the words and the prompt stand (twips / 15), in which colour and face.
    const struct {
        QLabel* label;
        int left, top;
        QColor colour;
        double points;
        bool bold;
    } labels[] = {
        {title->l1, 86, 48, Qt::white, 48, false},
        {title->l2, 292, 142, Qt::white, 48, false},
        {title->brink, 168, 287, QColor(128, 128, 128), 15.75, true},
    };
    for (const auto& l : labels) {
        SCOPED_TRACE(l.label->objectName().toStdString());
        EXPECT_EQ(l.label->pos(), QPoint(l.left, l.top));
        EXPECT_EQ(l.label->palette().color(QPalette::WindowText), l.colour);
        EXPECT_DOUBLE_EQ(l.label->font().pointSizeF(), l.points);
        EXPECT_EQ(l.label->font().bold(), l.bold);
    }

    // Every frame of both words, in order: a mistyped or missing frame shows here.
    QStringList first;
    while (title->T1->isActive()) {
        fire(title->T1);
        first << title->l1->text();
        ASSERT_LT(first.size(), 20) << "T1 never stops";
    }
    EXPECT_EQ(first,
              QStringList({"k", "か", "かz", "かざ", "かざm", "かざみ", "かざみn", "かざみな",
                           "カザミナ", "カザミナh", "カザミナへ", "カザミナへn", "カザミナへの"}));
    EXPECT_TRUE(title->T2->isActive());
    EXPECT_TRUE(title->l2->text().isEmpty());

    QStringList second;
    for (int i = 0; i < 9; ++i) {
        fire(title->T2);
        second << title->l2->text();
    }
    EXPECT_FALSE(title->animationFinished());
    EXPECT_TRUE(title->brink->isHidden());
    fire(title->T2);
    second << title->l2->text();
    EXPECT_EQ(second, QStringList({"t", "た", "たい", "たいp", "たいぴ", "たいぴn", "たいぴん",
                                   "たいぴんg", "たいぴんぐ", "タイピング"}));
    EXPECT_FALSE(title->T2->isActive());
    EXPECT_TRUE(title->animationFinished());
    EXPECT_FALSE(title->brink->isHidden());
    EXPECT_TRUE(title->Timer1->isActive());
    EXPECT_TRUE(title->Timer2->isActive());
    EXPECT_TRUE(t.media.commands.empty());

    // Shown for the first half second, then hidden and shown in turn.
    fire(title->Timer1);
    EXPECT_TRUE(title->brink->isHidden());
    fire(title->Timer1);
    EXPECT_FALSE(title->brink->isHidden());

    fire(title->Timer2);
    EXPECT_EQ(t.media.count(playTitleMusic), 1);
    t.media.modes["music\\kanpai.mp3"] = "playing";
    fire(title->Timer2);
    EXPECT_EQ(t.media.count(playTitleMusic), 1);
}

// Space skips the animation, a second Space (before any music poll) goes on to the menu from
// where the window stands; no other key does anything, before or after the skip.
TEST(Title, spaceSkipsThenOpensMenuAndOtherKeysDoNothing) {
    TestContext t;
    Owned<Title> title(new Title(t.context));
    fire(title->T1);
    fire(title->T1);

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_A, Qt::Key_Down})
        QTest::keyClick(title.get(), key);
    EXPECT_EQ(title->l1->text(), QStringLiteral("か"));
    EXPECT_FALSE(title->animationFinished());

    QTest::keyClick(title.get(), Qt::Key_Space);
    EXPECT_TRUE(title->animationFinished());
    EXPECT_EQ(title->l1->text(), QStringLiteral("カザミナへの"));
    EXPECT_EQ(title->l2->text(), QStringLiteral("タイピング"));
    EXPECT_FALSE(title->T1->isActive());
    EXPECT_FALSE(title->T2->isActive());
    EXPECT_FALSE(title->brink->isHidden());
    EXPECT_TRUE(title->Timer1->isActive());
    EXPECT_TRUE(title->Timer2->isActive());

    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_A})
        QTest::keyClick(title.get(), key);
    EXPECT_TRUE(t.navigator.shown.empty());

    title->show();
    title->move(123, 45);
    QTest::keyClick(title.get(), Qt::Key_Space);
    ASSERT_EQ(t.navigator.shown.size(), 1u);
    EXPECT_EQ(t.navigator.shown[0], Screen::Menu);
    EXPECT_EQ(t.context.state.WindowLeft, 123 * 15);
    EXPECT_EQ(t.context.state.WindowTop, 45 * 15);
    EXPECT_FALSE(title->isVisible());
    // The music never started, and the unload closed it all the same.
    EXPECT_EQ(t.media.count(playTitleMusic), 0);
    EXPECT_EQ(t.media.count("close \"music\\kanpai.mp3\""), 1);
}

// The faces the screens ask for exist nowhere on Debian: each must land on one of the faces
// put in its place, never on whatever the font system guesses (a monospaced Japanese face
// overflows the title).
TEST(Title, everyFaceTheScreensAskForLandsOnAnInstalledStandIn) {
    for (const QString& face : {Fonts::Gothic, Fonts::Vineta, Fonts::Arial}) {
        const QStringList standIns = QFont::substitutes(face);
        const QString used = QFontInfo(QFont(face)).family();
        EXPECT_TRUE(standIns.contains(used, Qt::CaseInsensitive))
            << face.toStdString() << " -> " << used.toStdString() << " not in "
            << standIns.join(',').toStdString();
    }
}
