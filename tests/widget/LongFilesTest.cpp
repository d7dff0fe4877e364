#include "scores/TableJournal.h"
#include "screens/config.h"
#include "screens/rankInput.h"
#include "screens/ranking.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"
#include "tests/widget/NavigationSupport.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QRadioButton>

#include <gtest/gtest.h>

#include <functional>

// Laying out one long file in the dialog's narrow box froze it for minutes: the box shows the
// first 40 lines, each cut at 80 characters, while every line still counts for the choices.
TEST(LongFiles, theSettingsBoxShowsFortyLinesOfEightyCharactersAtMost) {
    TempWorkDir dir;
    QByteArray file = "0\r1\r";
    for (int i = 0; i < 100; ++i)
        file += QByteArray(200, char('a' + i % 26)) + "\r";
    dir.writeBytes("system/char.aty", file);
    TestContext t;
    Owned<config> dialog(new config(t.context));
    ASSERT_TRUE(dialog->loaded());
    EXPECT_TRUE(dialog->option(2)->isChecked()); // line 2: ccha
    const QStringList shown = dialog->Text1->toPlainText().split('\n');
    ASSERT_EQ(shown.size(), 41); // 40 lines and the break after the last
    EXPECT_EQ(shown[0], "0");
    EXPECT_EQ(shown[2], QString(80, 'a') + QChar(0x2026));
    EXPECT_EQ(shown[39], QString(80, QLatin1Char('a' + 37 % 26)) + QChar(0x2026));
    EXPECT_TRUE(t.errors.messages.isEmpty());
}

// A 20 MB one-line file in any of the three files gives every screen that reads it one
// message naming the file and the line, and nothing is written.
TEST(LongFiles, aHugeOneLineFileIsOneMessageOnEveryScreen) {
    const QByteArray huge(20 * 1024 * 1024, '9');
    struct Case {
        const char* file;
        std::function<void(TestContext&)> open;
    };
    const Case cases[] = {
        {"system/char.aty", [](TestContext& t) { Owned<config> dialog(new config(t.context)); }},
        {"system/Hiscore.aty", [](TestContext& t) { ranking board(t.context); }},
        {"system/Hiscorep.aty", [](TestContext& t) { ranking board(t.context); }},
        {"system/Hiscorep.aty", [](TestContext& t) { rankInput entry(t.context); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempWorkDir dir;
        dir.writeBytes(c.file, huge);
        TestContext t;
        c.open(t);
        ASSERT_EQ(t.errors.messages.size(), 1);
        EXPECT_TRUE(t.errors.messages[0].contains(QString::fromLatin1(c.file).replace('/', '\\')));
        EXPECT_TRUE(t.errors.messages[0].contains(QStringLiteral("1行目が長すぎます")));
        EXPECT_LT(t.errors.messages[0].size(), 200);
        EXPECT_EQ(dir.readBytes(c.file).size(), huge.size());
    }
}

// The ranking screen completes a registration cut short before it shows the table, so a name
// never stands beside another player's score.
TEST(LongFiles, theRankingScreenCompletesAnInterruptedRegistrationFirst) {
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", "900\r\n800\r\n700\r\n600\r\n500\r\n\r\n");
    dir.writeBytes("system/Hiscorep.aty", "新\r\nA\r\nB\r\nC\r\nD\r\n\r\n"); // already replaced
    dir.writeBytes(
        "system/Hiscore.journal",
        TableJournal::encode({{"system\\Hiscorep.aty", "新\r\nA\r\nB\r\nC\r\nD\r\n\r\n"},
                              {"system\\Hiscore.aty", "950\r\n900\r\n800\r\n700\r\n600\r\n\r\n"}}));
    TestContext t;
    ranking board(t.context);
    EXPECT_EQ(board.findChild<QLabel*>("ran1")->text(), QStringLiteral("新：950点"));
    EXPECT_EQ(board.findChild<QLabel*>("ran5")->text(), QStringLiteral("D：600点"));
    EXPECT_TRUE(t.errors.messages.isEmpty());
}
