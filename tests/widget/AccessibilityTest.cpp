#include "screens/Maingame.h"
#include "screens/Menu.h"
#include "screens/rankInput.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString accessible(QObject* object, QAccessible::Text what) {
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(what) : QStringLiteral("<none>");
}

} // namespace

// What a screen reader hears: the name box is named after its prompt, the menu's red
// highlight is spoken too, and the romaji label keeps its text as its name (an accessible
// name set on it would hide the very text the player must type).
TEST(Accessibility, screenReadersHearTheNameBoxTheHighlightAndTheRomaji) {
    TempWorkDir dir;
    TestContext t;
    t.context.state.NewRank = 1;
    rankInput entry(t.context);
    EXPECT_EQ(accessible(entry.inp, QAccessible::Name), QStringLiteral("名前"));

    Owned<Menu> menu(new Menu(t.context));
    EXPECT_EQ(accessible(menu->tre, QAccessible::Description), QStringLiteral("選択中"));
    QTest::keyClick(menu.get(), Qt::Key_Down);
    EXPECT_EQ(accessible(menu->tre, QAccessible::Description), QString());
    EXPECT_EQ(accessible(menu->kazamina, QAccessible::Description), QStringLiteral("選択中"));
    EXPECT_EQ(accessible(menu->kazamina, QAccessible::Name), QStringLiteral("カザミナへの道"));

    Owned<Maingame> round(new Maingame(t.context));
    auto* romaji = round->findChild<QLabel*>(QStringLiteral("Q"));
    ASSERT_NE(romaji, nullptr);
    EXPECT_FALSE(romaji->text().isEmpty());
    EXPECT_EQ(accessible(romaji, QAccessible::Name), romaji->text());
    EXPECT_EQ(accessible(romaji, QAccessible::Description), QStringLiteral("ローマ字"));
}

// A screen is a frame named by its caption (not a "filler"); the menu's new entry is announced
// as the keyboard focus moving to it; the five lamps are one object that says how many are left,
// the lamps themselves are not read one by one.
TEST(Accessibility, screensAreFramesTheMenuAnnouncesAndTheLampsReadAsOne) {
    TempWorkDir dir;
    TestContext t;
    Owned<Menu> menu(new Menu(t.context));
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(menu.get());
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->role(), QAccessible::Window);
    EXPECT_EQ(frame->text(QAccessible::Name), menu->windowTitle());

    ASSERT_EQ(menu->focusWidget(), menu->tre);
    QTest::keyClick(menu->focusWidget(), Qt::Key_Down); // through the entry, as a real key goes
    EXPECT_EQ(t.context.state.MenuSelection, 2);
    EXPECT_EQ(menu->focusWidget(), menu->kazamina);

    Owned<Maingame> round(new Maingame(t.context));
    auto* time = round->findChild<QWidget*>(QStringLiteral("Shape1"));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(accessible(time, QAccessible::Name), QStringLiteral("残り時間 5/5"));
    QAccessibleInterface* stage = QAccessible::queryAccessibleInterface(round->stage());
    ASSERT_NE(stage, nullptr);
    int lampsRead = 0;
    bool timeRead = false;
    for (int i = 0; i < stage->childCount(); ++i) {
        QObject* child = stage->child(i)->object();
        lampsRead +=
            child->objectName().startsWith(QLatin1Char('T')) && child->objectName().size() == 2;
        timeRead |= child == time;
        EXPECT_EQ(stage->indexOfChild(stage->child(i)), i);
    }
    EXPECT_EQ(lampsRead, 0);
    EXPECT_TRUE(timeRead);
}
