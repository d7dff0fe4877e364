#include "screens/ScreenScale.h"
#include "core/Twips.h"
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

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <cmath>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

namespace {

// Puts the factor back whatever a test does, so no other test runs at another size.
struct ScaleGuard {
    explicit ScaleGuard(double scale) { Twips::setScale(scale); }
    ~ScaleGuard() { Twips::setScale(1.0); }
};

int px(double twips, double scale) {
    return static_cast<int>(std::lround(twips * scale / 15));
}

// A control placed in twips that nothing moves afterwards, with its font size (0: no font).
struct Placed {
    const char* name;
    int left;
    int top;
    double points;
};

struct ScreenCase {
    const char* screen;
    std::function<ScreenWindow*(TestContext&)> make;
    bool opensAtStoredPlace;
    std::vector<Placed> placed;
};

const std::vector<ScreenCase>& screenCases() {
    static const std::vector<ScreenCase> cases = {
        {"Title",
         [](TestContext& t) { return new Title(t.context); },
         false,
         {{"l1", 1290, 720, 48}, {"l2", 4380, 2130, 48}, {"brink", 2520, 4305, 15.75}}},
        {"Menu",
         [](TestContext& t) { return new Menu(t.context); },
         true,
         {{"tre", 225, 105, 48},
          {"kazamina", 1440, 1080, 48},
          {"rank", 3120, 2160, 48},
          {"conf", 6720, 3240, 48},
          {"exitt", 7920, 4320, 48},
          {"setu", 120, 4920, 12}}},
        {"Maingame",
         [](TestContext& t) {
             t.random.pushDraw(0, 0, 6);
             t.random.push({0.005f});
             return new Maingame(t.context);
         },
         true,
         {{"countm", 2580, 1965, 72},
          {"score", 90, 4845, 14.25},
          {"Label1", 2753, 4830, 14.25},
          {"Lv", 7560, 4800, 14.25},
          {"Shape1", 3458, 4665, 0},
          {"T1", 3473, 4680, 0},
          {"T5", 3473 + 4 * 750, 4680, 0}}},
        {"Training",
         [](TestContext& t) { return new Training(t.context); },
         true,
         {{"countm", 2355, 1860, 72}, {"Label1", 0, 0, 9}, {"Q", 4380, 1335, 99.75}}},
        {"ranking",
         [](TestContext& t) { return new ranking(t.context); },
         true,
         {{"Label1", 960, 600, 28},
          {"Label5", 960, 600 + 4 * 900, 28},
          {"ran1", 2880, 660, 24},
          {"ran5", 2880, 660 + 4 * 900, 24}}},
        {"result",
         [](TestContext& t) { return new result(t.context); },
         true,
         {{"Label2", 480, 240, 36}}},
    };
    return cases;
}

} // namespace

// Every screen at 150% and 200%: the window is the client area times the factor, each control
// stands at its twips times the factor with its font grown alike, and no label cuts its text
// or reaches past the window. Catches a size, a place or a font left at the original size.
TEST(ScreenScale, everyScreenGrowsByTheFactorWithItsTextWhole) {
    for (const double scale : {1.5, 2.0}) {
        for (const ScreenCase& c : screenCases()) {
            TempWorkDir dir;
            ScaleGuard guard(scale);
            TestContext t;
            t.context.state.WindowLeft = 1500; // window places are desktop pixels: never scaled
            t.context.state.WindowTop = 750;
            Owned<ScreenWindow> window(c.make(t));
            const std::string where = std::string(c.screen) + " at " + std::to_string(scale);

            EXPECT_EQ(window->size(), QSize(px(10020, scale), px(5385, scale))) << where;
            if (scale == 2.0) {
                EXPECT_EQ(window->size(), QSize(1336, 718)) << where;
            }
            if (c.opensAtStoredPlace) {
                EXPECT_EQ(window->pos(), QPoint(100, 50)) << where;
            }
            for (const Placed& p : c.placed) {
                auto* control = window->findChild<QWidget*>(QString::fromLatin1(p.name));
                ASSERT_NE(control, nullptr) << where << " " << p.name;
                EXPECT_EQ(control->pos(), QPoint(px(p.left, scale), px(p.top, scale)))
                    << where << " " << p.name;
                if (p.points > 0) {
                    EXPECT_DOUBLE_EQ(control->font().pointSizeF(), p.points * scale)
                        << where << " " << p.name;
                }
            }
            const QRect area = window->stage()->rect();
            for (QLabel* label : window->stage()->findChildren<QLabel*>()) {
                if (label->text().isEmpty() || label->isHidden())
                    continue;
                const QSize need = label->sizeHint();
                EXPECT_GE(label->width(), need.width())
                    << where << " " << label->objectName().toStdString();
                // A fixed box may be as tight as the letters (TIME has no descenders).
                EXPECT_GE(label->height(), label->fontMetrics().ascent())
                    << where << " " << label->objectName().toStdString();
                EXPECT_TRUE(area.contains(label->geometry()))
                    << where << " " << label->objectName().toStdString();
            }
        }
    }
}

// F11 and back: at full screen the content is centred at the largest size that fits, black
// around it; back in the window every control returns to its place within a pixel. The key
// reaches no screen's own handler (the menu does not move its highlight on it).
TEST(ScreenScale, fullScreenCentresTheContentAndComesBack) {
    TempWorkDir dir;
    TestContext t;
    Owned<Menu> menu(new Menu(t.context));
    menu->show();
    const QRect before = menu->tre->geometry();
    const QSize windowSize = menu->size();

    QTest::keyClick(menu.get(), Qt::Key_F11);
    QCoreApplication::processEvents(); // the platform answers with the screen's geometry
    EXPECT_TRUE(ScreenWindow::fullScreenChosen());
    const QSize screen = menu->size();
    const double fit = ScreenScale::fitFactor(screen);
    EXPECT_DOUBLE_EQ(Twips::scale(), fit);
    const QRect stage = menu->stage()->geometry();
    EXPECT_EQ(stage.size(), QSize(px(10020, fit), px(5385, fit)));
    EXPECT_LE(std::abs(stage.center().x() - menu->rect().center().x()), 1);
    EXPECT_LE(std::abs(stage.center().y() - menu->rect().center().y()), 1);
    EXPECT_TRUE(stage.width() == screen.width() || stage.height() == screen.height());
    EXPECT_GE(menu->tre->width(), menu->tre->sizeHint().width());
    EXPECT_NEAR(menu->tre->font().pointSizeF(), 48 * fit, 0.01);
    EXPECT_EQ(t.context.state.MenuSelection, 1);

    QTest::keyClick(menu.get(), Qt::Key_F11);
    QCoreApplication::processEvents();
    EXPECT_FALSE(ScreenWindow::fullScreenChosen());
    EXPECT_EQ(Twips::scale(), 1.0);
    EXPECT_EQ(menu->size(), windowSize);
    EXPECT_EQ(menu->stage()->pos(), QPoint(0, 0));
    EXPECT_NEAR(menu->tre->x(), before.x(), 1);
    EXPECT_NEAR(menu->tre->y(), before.y(), 1);
    EXPECT_EQ(menu->tre->font().pointSizeF(), 48);
    Twips::setScale(1.0);
}

// The factor an option stands for: the fixed sizes as chosen, and "fit" the largest whole
// client area inside the desktop less the window frame (never below half size).
TEST(ScreenScale, fitIsTheLargestFactorThatFitsTheDesktop) {
    EXPECT_EQ(ScreenScale::factorFor(1.5, QSize(800, 600)), 1.5);
    EXPECT_EQ(ScreenScale::factorFor(2, QSize(800, 600)), 2.0);
    EXPECT_DOUBLE_EQ(ScreenScale::factorFor(0, QSize(1336 + 16, 2000)), 2.0);
    EXPECT_DOUBLE_EQ(ScreenScale::factorFor(0, QSize(4000, 718 + 48)), 2.0);
    EXPECT_DOUBLE_EQ(ScreenScale::fitFactor(QSize(1920, 1080)), 1920 * 15.0 / 10020);
    EXPECT_DOUBLE_EQ(ScreenScale::fitFactor(QSize(100, 100)), 0.5);
}

// The settings dialog: Tab walks the frames as they stand on screen (row by row, left to
// right), then the check box, the screen sizes and 閉じる; the file box is read-only and
// hands Tab on. The chosen size is saved by 閉じる, and the dialog grows with the factor.
TEST(ScreenScale, settingsDialogOrdersTabsAndSavesTheScreenSize) {
    TempWorkDir dir;
    TestContext t;
    {
        config dialog(t.context);
        ASSERT_TRUE(dialog.loaded());
        EXPECT_TRUE(dialog.Text1->isReadOnly());
        EXPECT_TRUE(dialog.Text1->tabChangesFocus());
        QStringList order;
        QWidget* w = dialog.Command2;
        do {
            w = w->nextInFocusChain();
            if (w->focusPolicy() & Qt::TabFocus)
                order << w->objectName();
        } while (w != dialog.Command2 && order.size() < 60);
        const QStringList expected = {"ctya",        "ccha",      "czya",     "cja",
                                      "csya",        "csha", // ちゃ じゃ しゃ
                                      "cla",         "cxa",       "chu",      "cfu",
                                      "clya",        "cxya", // ぁ ふ ゃ
                                      "ctu",         "ctsu",      "csi",      "cshi",
                                      "Text1", // つ し and the file box on it
                                      "czi",         "cji",       "cnn",      "cn", // じ ん
                                      "JudgeExact",  "JudgeBoth", "JudgeIme", "JudgeCustom",
                                      "inputRomaji", "inputKana", "WeakKeys", "scale100",
                                      "scale150",    "scale200",  "scaleFit", "Command2"};
        EXPECT_EQ(order, expected);
        EXPECT_TRUE(dialog.findChild<QRadioButton*>("scale100")->isChecked());
        dialog.findChild<QRadioButton*>("scale200")->click();
        dialog.Command2->click();
    }
    EXPECT_TRUE(dir.readBytes(QStringLiteral("system/options.ini")).contains("scale=2"));
    t.context.options.scale = 2;

    ScaleGuard guard(2.0);
    config dialog(t.context);
    EXPECT_TRUE(dialog.findChild<QRadioButton*>("scale200")->isChecked());
    EXPECT_EQ(dialog.width(), 2 * 782);
    EXPECT_EQ(dialog.frame(0)->geometry(), QRect(16, 16, 500, 100));
    EXPECT_DOUBLE_EQ(dialog.font().pointSizeF(), 18);
    for (QRadioButton* button : dialog.findChildren<QRadioButton*>())
        EXPECT_GE(button->width(), button->sizeHint().width())
            << button->objectName().toStdString();
}
