#include "screens/config.h"
#include "screens/GameContext.h"
#include "settings/SpellingGroups.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

const QByteArray allA = QByteArray("1\r0\r").repeated(9) + "1\r\r\n";
const QByteArray allB = QByteArray("0\r1\r").repeated(9) + "0\r\r\n";

QString checkedOptions(config* dialog) {
    QStringList names;
    for (int option = 1; option <= SpellingGroups::OptionCount; ++option)
        if (dialog->option(option)->isChecked())
            names << dialog->option(option)->objectName();
    return names.join(QLatin1Char(' '));
}

const QString allAOptions = QStringLiteral("ctya czya csya clya ctu csi czi cnn cla chu");

} // namespace

// Every button must stand for its own file line: choosing every right-hand option and
// closing must write the all-B file and set the table to the B spellings.
TEST(Config, framesAndOptionsWriteTheirOwnLines) {
    TempWorkDir dir;
    TestContext t;
    Owned<config> dialog(new config(t.context));
    ASSERT_TRUE(dialog->loaded());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("設定"));
    EXPECT_TRUE(dialog->windowFlags() & Qt::Tool);
    EXPECT_FALSE(dialog->windowFlags() & Qt::WindowMinMaxButtonsHint);
    EXPECT_EQ(dialog->minimumSize(), dialog->maximumSize());
    EXPECT_EQ(dialog->Command2->text(), QStringLiteral("閉じる"));
    EXPECT_EQ(dialog->Timer1->interval(), 10);
    EXPECT_TRUE(dialog->Timer1->isActive());

    // The frames as the player sees them: column and row, caption, and the two options with
    // their names and captions. Catches a frame in the wrong place or a mislabelled option.
    const struct {
        const char* frame;
        int column, row;
        const char* caption;
        const char *a, *aCaption, *b, *bCaption;
    } frames[] = {
        {"Frame4", 0, 0, "ちゃちゅちょ", "ctya", "tya,tyu,tyo", "ccha", "cha,chu,cho"},
        {"Frame5", 0, 1, "ぁぃぅぇぉ", "cla", "la,li,lu,le,lo", "cxa", "xa,xi,xu,xe,xo"},
        {"Frame7", 0, 2, "つ", "ctu", "tu", "ctsu", "tsu"},
        {"Frame11", 0, 3, "ん", "cnn", "nn", "cn", "n"},
        {"Frame3", 1, 0, "じゃじゅじょ", "czya", "zya,zyu,zyo", "cja", "ja,ju,jo"},
        {"Frame8", 1, 1, "ふ", "chu", "hu", "cfu", "fu"},
        {"Frame10", 1, 2, "し", "csi", "si", "cshi", "shi"},
        {"Frame2", 2, 0, "しゃしゅしょ", "csya", "sya,syu,syo", "csha", "sha,shu,sho"},
        {"Frame6", 2, 1, "ゃゅょ", "clya", "lya,lyu,lyo", "cxya", "xya,xyu,xyo"},
        {"Frame9", 2, 2, "じ", "czi", "zi", "cji", "ji"},
    };
    auto at = [&](const char* name) { return dialog->findChild<QGroupBox*>(name)->geometry(); };
    const QRect first = at("Frame4");
    const int columnX[] = {first.x(), at("Frame3").x(), at("Frame2").x()};
    const int rowY[] = {first.y(), at("Frame5").y(), at("Frame7").y(), at("Frame11").y()};
    // A grid of 250 x 50 px frames 8 px apart, the close button centred under it, the check
    // box under that, the file box on the し frame's right end; the dialog fits them all.
    EXPECT_EQ(first, QRect(8, 8, 250, 50));
    EXPECT_EQ(std::vector<int>(std::begin(columnX), std::end(columnX)),
              (std::vector<int>{8, 266, 524}));
    EXPECT_EQ(std::vector<int>(std::begin(rowY), std::end(rowY)),
              (std::vector<int>{8, 66, 124, 182}));
    EXPECT_EQ(dialog->width(), 782);
    EXPECT_EQ(dialog->Command2->geometry(), QRect(271, 240, 240, 28));
    EXPECT_EQ(dialog->FrameJudging->pos(), QPoint(8, 276));
    EXPECT_GE(dialog->FrameJudging->width(),
              dialog->FrameJudging->sizeHint().width()); // captions whole
    EXPECT_GE(dialog->height(), dialog->FrameJudging->geometry().bottom() + 1 + 8);
    EXPECT_EQ(dialog->Text1->geometry(), QRect(451, 136, 60, 34));
    for (QWidget* w :
         std::initializer_list<QWidget*>{dialog->Command2, dialog->FrameJudging, dialog->Text1})
        EXPECT_TRUE(dialog->rect().contains(w->geometry())) << w->objectName().toStdString();
    for (const auto& f : frames) {
        auto* frame = dialog->findChild<QGroupBox*>(f.frame);
        ASSERT_NE(frame, nullptr) << f.frame;
        EXPECT_EQ(frame->title(), QString::fromUtf8(f.caption)) << f.frame;
        EXPECT_EQ(frame->geometry(), QRect(QPoint(columnX[f.column], rowY[f.row]), first.size()))
            << f.frame;
        auto* a = frame->findChild<QRadioButton*>(f.a);
        auto* b = frame->findChild<QRadioButton*>(f.b);
        ASSERT_TRUE(a && b) << f.frame;
        EXPECT_EQ(a->text(), f.aCaption);
        EXPECT_EQ(b->text(), f.bCaption);
        EXPECT_LT(a->x(), b->x()) << f.frame; // A on the left
        for (QRadioButton* option : {a, b}) {
            EXPECT_TRUE(frame->rect().contains(option->geometry())) << f.frame;
            EXPECT_EQ(option->geometry().bottom(), 43) << f.frame; // 6 px above the frame's foot
        }
        EXPECT_EQ(b->x(), 128) << f.frame;
    }

    for (int option = 2; option <= SpellingGroups::OptionCount; option += 2)
        dialog->option(option)->click();
    // Enter on an option button does nothing: the close button is no default button.
    dialog->show();
    dialog->option(1)->setFocus();
    QTest::keyClick(dialog->option(1), Qt::Key_Return);
    QTest::keyClick(dialog->option(1), Qt::Key_Enter);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dir.readBytes("system/char.aty"), allA);
    dialog->Command2->setFocus();
    QTest::keyClick(dialog->Command2, Qt::Key_Return);
    EXPECT_EQ(dir.readBytes("system/char.aty"), allB);
    EXPECT_EQ(t.context.variants.get(Kana::Cha), QStringLiteral("cha"));
    EXPECT_EQ(t.context.variants.get(Kana::SmallO), QStringLiteral("xo"));
    EXPECT_EQ(t.context.variants.get(Kana::Fu), QStringLiteral("fu"));
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
}

// Opening and closing straight away must leave a file the game wrote byte for byte as it
// was, and the closed dialog hands its own (moved) position over to the menu.
TEST(Config, openAndCloseLeavesFileUnchangedAndStoresPosition) {
    TempWorkDir dir;
    const QByteArray mixed = "0\r1\r1\r0\r0\r1\r1\r0\r0\r1\r1\r0\r0\r1\r1\r0\r0\r1\r0\r\r\n";
    dir.writeBytes("system/char.aty", mixed);
    TestContext t;
    t.context.state.WindowLeft = 3000;
    t.context.state.WindowTop = 1500;
    Owned<config> dialog(new config(t.context));
    EXPECT_EQ(dialog->pos(), QPoint(200, 100));
    EXPECT_EQ(checkedOptions(dialog.get()),
              QStringLiteral("ccha czya csha clya ctsu csi cji cnn cxa cfu"));
    EXPECT_EQ(dialog->Text1->toPlainText(),
              QString::fromLatin1(mixed).replace('\r', "\n").chopped(1));

    dialog->show();
    dialog->move(77, 31);
    dialog->Text1->setPlainText(QStringLiteral("typed by the player"));
    // Command2 holds the focus, so Enter closes through it.
    ASSERT_EQ(dialog->focusWidget(), dialog->Command2);
    QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(dir.readBytes("system/char.aty"), mixed);
    EXPECT_EQ(t.context.state.WindowLeft, 77 * 15);
    EXPECT_EQ(t.context.state.WindowTop, 31 * 15);
    EXPECT_TRUE(t.errors.messages.isEmpty());
}

// Files that select nothing for a group leave its left option; line 19 other than "1"
// selects fu, and so does a "1" on line 20 (never written by the game), while lines past 20
// select nothing; an empty file therefore shows all A and writes the all-A file.
TEST(Config, emptyFileShowsAllAAndLine19ZeroSelectsFu) {
    TempWorkDir dir;
    {
        dir.writeBytes("system/char.aty", "");
        TestContext t;
        Owned<config> dialog(new config(t.context));
        EXPECT_EQ(checkedOptions(dialog.get()), allAOptions);
        dialog->Command2->click();
        EXPECT_EQ(dir.readBytes("system/char.aty"), allA);
        EXPECT_EQ(t.context.variants.get(Kana::Fu), QStringLiteral("hu"));
    }
    {
        dir.writeBytes("system/char.aty", QByteArray("1\r0\r").repeated(9) + "0\r\r\n");
        TestContext t;
        Owned<config> dialog(new config(t.context));
        EXPECT_TRUE(dialog->option(20)->isChecked());
        fire(dialog->Timer1);
        EXPECT_EQ(t.context.variants.get(Kana::Fu), QStringLiteral("fu"));
        EXPECT_EQ(t.context.variants.get(Kana::Cha), QStringLiteral("tya"));
    }
    {
        dir.writeBytes("system/char.aty", allA.chopped(3) + "\r1\r1\r1\r");
        TestContext t;
        Owned<config> dialog(new config(t.context));
        EXPECT_EQ(checkedOptions(dialog.get()),
                  QStringLiteral("ctya czya csya clya ctu csi czi cnn cla cfu"));
        dialog->Command2->click();
        EXPECT_EQ(dir.readBytes("system/char.aty"), QByteArray("1\r0\r").repeated(9) + "0\r\r\n");
    }
}

// After a round has been played, a spelling picked and the dialog left by its close box
// rules later rounds of the run, yet the file and the stored position stay as they were:
// a new run gets the file's choice back.
TEST(Config, closeBoxKeepsTheTimersSpellingForLaterRoundsButWritesNothing) {
    TempWorkDir dir;
    TestContext t;
    t.context.roundLoader.load(t.context.variants); // the first round of the run
    EXPECT_EQ(t.context.variants.get(Kana::N), QStringLiteral("nn"));

    t.context.state.WindowLeft = 450;
    Owned<config> dialog(new config(t.context));
    dialog->show();
    dialog->move(300, 300);
    dialog->findChild<QRadioButton*>("cn")->click();
    fire(dialog->Timer1);
    EXPECT_EQ(t.context.variants.get(Kana::N), QStringLiteral("n"));
    // Escape is no third way out.
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
    dialog->close();
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_EQ(dir.readBytes("system/char.aty"), allA);
    EXPECT_EQ(t.context.state.WindowLeft, 450);

    t.context.roundLoader.load(t.context.variants); // a later round
    EXPECT_EQ(t.context.variants.get(Kana::N), QStringLiteral("n"));

    TestContext nextRun;
    nextRun.context.roundLoader.load(nextRun.context.variants);
    EXPECT_EQ(nextRun.context.variants.get(Kana::N), QStringLiteral("nn"));
}

// A missing settings file is reported by name and the dialog is not to be shown.
TEST(Config, missingFileIsReportedAndDialogNotLoaded) {
    TempWorkDir dir;
    QFile::remove(dir.path("system/char.aty"));
    TestContext t;
    Owned<config> dialog(new config(t.context));
    EXPECT_FALSE(dialog->loaded());
    EXPECT_FALSE(dialog->Timer1->isActive());
    ASSERT_EQ(t.errors.messages.size(), 1);
    EXPECT_TRUE(t.errors.messages[0].contains(QStringLiteral("char.aty")));
}
