#include "screens/Menu.h"
#include "tests/support/Fakes.h"
#include "tests/widget/NavigationSupport.h"

#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Which entries are painted red, as a string of five 0/1, tre first.
QString redEntries(Menu* menu) {
    QString reds;
    for (QLabel* entry : {menu->tre, menu->kazamina, menu->rank, menu->conf, menu->exitt}) {
        const QColor c = entry->palette().color(QPalette::WindowText);
        reds += c == QColor(255, 0, 0) ? QLatin1Char('1') : QLatin1Char('0');
        if (c != QColor(255, 0, 0)) {
            EXPECT_EQ(c, Menu::buttonFace()) << entry->objectName().toStdString();
        }
    }
    return reds;
}

} // namespace

// The first visit starts on the training entry; Up from there wraps to the exit entry and
// Down from the exit wraps back, painting exactly one entry red with its description.
TEST(Menu, firstVisitHighlightsTrainingAndArrowsWrapAtBothEnds) {
    TestContext t;
    Owned<Menu> menu(new Menu(t.context));
    EXPECT_TRUE(t.context.state.MenuShown);
    EXPECT_EQ(t.context.state.MenuSelection, 1);
    EXPECT_EQ(redEntries(menu.get()), QStringLiteral("10000"));
    EXPECT_EQ(menu->setu->text(), QStringLiteral("画面に出るアルファベットを打とう!"));
    EXPECT_EQ(menu->windowTitle(), QStringLiteral("カザミナへのタイピング～めにゅ～"));
    // The staircase of entries and the description line under it (twips / 15), found by name.
    const struct {
        const char* name;
        const char* caption;
        QPoint at;
        double points;
    } labels[] = {
        {"tre", "とれ～にんぐ", {15, 7}, 48},   {"kazamina", "カザミナへの道", {96, 72}, 48},
        {"rank", "ランキング", {208, 144}, 48}, {"conf", "設定", {448, 216}, 48},
        {"exitt", "終了", {528, 288}, 48},      {"setu", nullptr, {8, 328}, 12}};
    for (const auto& l : labels) {
        QLabel* label = menu->findChild<QLabel*>(QString::fromLatin1(l.name));
        ASSERT_NE(label, nullptr) << l.name;
        if (l.caption) {
            EXPECT_EQ(label->text(), QString::fromUtf8(l.caption)) << l.name;
        }
        EXPECT_EQ(label->pos(), l.at) << l.name;
        EXPECT_DOUBLE_EQ(label->font().pointSizeF(), l.points) << l.name;
        EXPECT_FALSE(label->font().bold()) << l.name;
    }
    EXPECT_EQ(menu->setu->palette().color(QPalette::WindowText), QColor(255, 128, 128));

    QTest::keyClick(menu.get(), Qt::Key_Up);
    EXPECT_EQ(t.context.state.MenuSelection, 5);
    EXPECT_EQ(redEntries(menu.get()), QStringLiteral("00001"));
    EXPECT_EQ(menu->setu->text(), QStringLiteral("終了します"));

    QTest::keyClick(menu.get(), Qt::Key_Down);
    EXPECT_EQ(t.context.state.MenuSelection, 1);
    EXPECT_EQ(redEntries(menu.get()), QStringLiteral("10000"));

    // Key repeat walks the whole staircase.
    const QStringList descriptions = {
        QStringLiteral("限界を超えろ!時間切れになるまでにワードを打つのだ!"),
        QStringLiteral("あなたのランキングが見れます"), QStringLiteral("文字の設定はここからっ")};
    for (int s = 2; s <= 4; ++s) {
        QTest::keyClick(menu.get(), Qt::Key_Down);
        EXPECT_EQ(menu->setu->text(), descriptions[s - 2]);
    }
    EXPECT_EQ(redEntries(menu.get()), QStringLiteral("00010"));
    EXPECT_TRUE(t.navigator.shown.empty());
}

// A returning visit restores the remembered entry, and every key (not only the arrows)
// stores the window's position so a moved menu hands over where it stands.
TEST(Menu, laterVisitRestoresHighlightAndEveryKeyStoresPosition) {
    TestContext t;
    t.context.state.MenuShown = true;
    t.context.state.MenuSelection = 3;
    t.context.state.WindowLeft = 1500;
    t.context.state.WindowTop = 750;
    Owned<Menu> menu(new Menu(t.context));
    EXPECT_EQ(menu->pos(), QPoint(100, 50));
    EXPECT_EQ(redEntries(menu.get()), QStringLiteral("00100"));
    EXPECT_EQ(menu->setu->text(), QStringLiteral("あなたのランキングが見れます"));

    menu->show();
    menu->move(210, 33);
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_A}) {
        t.context.state.WindowLeft = 0;
        QTest::keyClick(menu.get(), key);
        EXPECT_EQ(t.context.state.WindowLeft, 210 * 15);
        EXPECT_EQ(t.context.state.WindowTop, 33 * 15);
    }
    EXPECT_EQ(t.context.state.MenuSelection, 3);
    EXPECT_EQ(redEntries(menu.get()), QStringLiteral("00100"));
    EXPECT_TRUE(menu->isVisible());
}

// Each of the six draws picks its loop (two draws per track); the poll plays only that
// track and the unload closes it.
TEST(Menu, drawPicksOneOfThreeLoopsThatThePollPlaysAndTheUnloadCloses) {
    const char* expected[] = {"music\\loop1.wav", "music\\loop2.wav", "music\\loop3.wav",
                              "music\\loop1.wav", "music\\loop2.wav", "music\\loop3.wav"};
    for (int draw = 0; draw < 6; ++draw) {
        TestContext t;
        t.random.pushDraw(draw, 0, 6);
        Owned<Menu> menu(new Menu(t.context));
        EXPECT_EQ(t.random.reseeds, 1);
        EXPECT_EQ(menu->track(), expected[draw]) << draw;
        EXPECT_TRUE(menu->Timer1->isActive());
        EXPECT_EQ(menu->Timer1->interval(), 100); // the music poll
        fire(menu->Timer1);
        EXPECT_EQ(t.media.commands.back(), "play \"" + std::string(expected[draw]) + "\"");
        menu->close();
        EXPECT_EQ(t.media.commands.back(), "close \"" + std::string(expected[draw]) + "\"");
    }
}
