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
