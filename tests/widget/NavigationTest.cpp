#include "app/ScreenNavigator.h"
#include "screens/GameContext.h"
#include "screens/Maingame.h"
#include "screens/Menu.h"
#include "screens/Title.h"
#include "screens/Training.h"
#include "screens/config.h"
#include "screens/ranking.h"
#include "screens/result.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The whole program's wiring with a real navigator; only the clock, the dice and the sound
// are pinned.
struct Program {
    ScriptedRandom random;
    FakeClock clock;
    RecordingMedia media;
    RecordingErrors errors;
    ScreenNavigator navigator{errors};
    GameContext context{random, clock, media, navigator, errors};

    Program() {
        navigator.registerScreen(Screen::Title, [this] { return new Title(context); });
        navigator.registerScreen(Screen::Menu, [this] { return new Menu(context); });
        navigator.registerScreen(Screen::Training, [this] { return new Training(context); });
        navigator.registerScreen(Screen::Maingame, [this] { return new Maingame(context); });
        navigator.registerScreen(Screen::Result, [this] { return new result(context); });
        navigator.registerScreen(Screen::Ranking, [this] { return new ranking(context); });
    }
    ~Program() {
        for (QWidget* w : visibleWindows())
            delete w;
    }

    // The one screen window on view; a second one would mean a screen forgot to unload.
    template <class W> W* current() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        const QWidgetList shown = visibleWindows();
        EXPECT_EQ(shown.size(), 1);
        return shown.size() == 1 ? dynamic_cast<W*>(shown[0]) : nullptr;
    }
};

QString highlighted(Menu* menu) {
    for (QLabel* entry : {menu->tre, menu->kazamina, menu->rank, menu->conf, menu->exitt})
        if (entry->palette().color(QPalette::WindowText) == QColor(255, 0, 0))
            return entry->objectName();
    return {};
}

} // namespace

// Title -> menu -> every entry and back, then out through the exit box. Each screen must
// open where the previous one stood (also after the player moved it), the menu must come
// back with the entry last chosen, Cancel must keep the menu and OK must leave no window.
TEST(Navigation, walksEveryScreenHandingOverPositionsAndLeavesThroughTheExitBox) {
    TempWorkDir dir;
    Program p;
    p.navigator.show(Screen::Title);

    Title* title = p.current<Title>();
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->windowTitle(), QStringLiteral("カザミナへのタイピング"));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint offCentre = title->frameGeometry().center() - area.center();
    EXPECT_LE(std::abs(offCentre.x()), 2);
    EXPECT_LE(std::abs(offCentre.y()), 2);

    title->move(40, 30);
    QTest::keyClick(title, Qt::Key_Space);
    QTest::keyClick(title, Qt::Key_Space);
    Menu* menu = p.current<Menu>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->windowTitle(), QStringLiteral("カザミナへのタイピング～めにゅ～"));
    EXPECT_EQ(menu->pos(), QPoint(40, 30));
    EXPECT_EQ(highlighted(menu), QStringLiteral("tre"));

    // Training, moved by the player, then Escape: the menu returns where it stood before.
    menu->move(100, 60);
    QTest::keyClick(menu, Qt::Key_Space);
    Training* training = p.current<Training>();
    ASSERT_NE(training, nullptr);
    EXPECT_EQ(training->windowTitle(), QStringLiteral("カザミナへのタイピング～とれぇにんぐ～"));
    EXPECT_EQ(training->pos(), QPoint(100, 60));
    training->move(300, 200);
    QTest::keyClick(training, Qt::Key_Escape);
    menu = p.current<Menu>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->pos(), QPoint(100, 60));
    EXPECT_EQ(highlighted(menu), QStringLiteral("tre"));

    // A round left untouched runs out; the result opens where the round stood when it
    // ended and hands back to the menu (the score takes no place in the table).
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Space);
    QPointer<Maingame> round = p.current<Maingame>();
    ASSERT_FALSE(round.isNull());
    EXPECT_EQ(round->windowTitle(), QStringLiteral("カザミナへのタイピング～カザミナへの道～"));
    EXPECT_EQ(round->pos(), QPoint(100, 60));
    round->move(120, 80);
    for (int i = 0; i < 4; ++i)
        round->countt_Timer();
    for (int s = 0; s < 600 && !round->judge().ended(); ++s) {
        p.clock.advanceMs(1000);
        round->GT_Timer();
    }
    ASSERT_TRUE(round->judge().ended());
    for (int s = 0; s < 3 && round; ++s) {
        round->Endwait_Timer();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    auto* outcome = p.current<result>();
    ASSERT_NE(outcome, nullptr);
    EXPECT_EQ(outcome->pos(), QPoint(120, 80));
    outcome->move(130, 90);
    for (int s = 0; s < 4; ++s)
        outcome->Timer5_Timer();
    menu = p.current<Menu>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->pos(), QPoint(130, 90));
    EXPECT_EQ(highlighted(menu), QStringLiteral("kazamina"));

    // The ranking, moved by the player, returns on any key.
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Space);
    auto* table = p.current<ranking>();
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->windowTitle(), QStringLiteral("カザミナへのタイピング～らんきんぐ～"));
    EXPECT_EQ(table->pos(), QPoint(130, 90));
    table->move(5, 7);
    QTest::keyClick(table, Qt::Key_Space);
    menu = p.current<Menu>();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->pos(), QPoint(5, 7));
    EXPECT_EQ(highlighted(menu), QStringLiteral("rank"));

    // The settings dialog opens over the menu at its place; moved and closed, it leaves its
    // own position behind, and the menu stays with the settings entry lit.
    QTest::keyClick(menu, Qt::Key_Down);
    QPoint dialogAt;
    {
        ModalAnswer close([&](QWidget* modal) {
            auto* dialog = qobject_cast<config*>(modal);
            ASSERT_NE(dialog, nullptr);
            EXPECT_EQ(dialog->windowTitle(), QStringLiteral("設定"));
            dialogAt = dialog->pos();
            dialog->move(9, 11);
            dialog->Command2->click();
        });
        QTest::keyClick(menu, Qt::Key_Space);
        EXPECT_TRUE(close.answered());
        EXPECT_FALSE(close.forced());
    }
    EXPECT_EQ(dialogAt, QPoint(5, 7));
    EXPECT_EQ(p.context.state.WindowLeft, 9 * 15);
    EXPECT_EQ(p.context.state.WindowTop, 11 * 15);
    EXPECT_EQ(p.current<Menu>(), menu);
    EXPECT_EQ(highlighted(menu), QStringLiteral("conf"));

    // The exit box: Cancel keeps the menu, OK ends the program.
    QTest::keyClick(menu, Qt::Key_Down);
    {
        ModalAnswer cancel([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box, menu->exitBox());
            EXPECT_EQ(box->text(), QStringLiteral("本当に終了しますか?"));
            EXPECT_EQ(box->windowTitle(), QStringLiteral("終了のお知らせ"));
            EXPECT_EQ(box->icon(), QMessageBox::Question);
            EXPECT_EQ(box->standardButtons(), QMessageBox::Ok | QMessageBox::Cancel);
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Ok));
            box->button(QMessageBox::Cancel)->click();
        });
        QTest::keyClick(menu, Qt::Key_Space);
        EXPECT_TRUE(cancel.answered());
    }
    EXPECT_EQ(p.current<Menu>(), menu);
    EXPECT_EQ(highlighted(menu), QStringLiteral("exitt"));
    EXPECT_TRUE(menu->Timer1->isActive());
    {
        // Enter takes the default button, OK.
        ModalAnswer ok([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Return); });
        QTest::keyClick(menu, Qt::Key_Space);
        EXPECT_TRUE(ok.answered());
        EXPECT_FALSE(ok.forced());
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(visibleWindows().isEmpty());
    EXPECT_TRUE(p.errors.messages.isEmpty());
}

// A screen whose files cannot be read reports the error once and must not open anyway
// while the program ends (the player would be left on a half-loaded screen).
TEST(Navigation, aScreenThatFailsToLoadIsNotShown) {
    TempWorkDir dir;
    QFile::remove(dir.path("system/Hiscore.aty"));
    Program p;
    p.navigator.show(Screen::Ranking);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(p.errors.messages.size(), 1);
    EXPECT_TRUE(visibleWindows().isEmpty());
}
