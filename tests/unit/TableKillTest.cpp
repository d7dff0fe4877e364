#include "scores/HighScoreTable.h"
#include "scores/TableJournal.h"
#include "tests/support/TempWorkDir.h"

#include <QDir>
#include <QProcess>

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <thread>

// A registration killed with SIGKILL at any moment: after the next start the two files agree
// place by place (each name is "n" and its own score), the scores still descend, and no
// journal or temporary file is left in system/. Before the journal, a kill between the two
// renames left a name beside the score of the player below.
TEST(TableKill, aRegistrationKilledAtAnyMomentLeavesAWholeTableAfterTheNextStart) {
    constexpr int Kills = 200;
    TempWorkDir dir;
    dir.writeBytes("system/Hiscore.aty", "5\r\n4\r\n3\r\n2\r\n1\r\n\r\n");
    dir.writeBytes("system/Hiscorep.aty", "n5\r\nn4\r\nn3\r\nn2\r\nn1\r\n\r\n");
    const QStringList tableFolder = {"Hiscore.aty", "Hiscorep.aty", "char.aty"};
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> delayUs(0, 15000);

    int next = 100;
    int journals = 0;
    int leftovers = 0;
    int registered = 0;
    for (int kill = 0; kill < Kills; ++kill) {
        SCOPED_TRACE(kill);
        QProcess helper;
        helper.setWorkingDirectory(dir.path(QString()));
        helper.start(QStringLiteral(REGISTER_LOOP), {QString::number(next)});
        ASSERT_TRUE(helper.waitForReadyRead(10000));
        std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
        ::kill(static_cast<pid_t>(helper.processId()), SIGKILL);
        ASSERT_TRUE(helper.waitForFinished(10000));

        const QStringList before = QDir(dir.path("system")).entryList(QDir::Files);
        journals += before.contains(QStringLiteral("Hiscore.journal"));
        leftovers += static_cast<int>(before.size()) - 3 -
                     before.contains(QStringLiteral("Hiscore.journal"));

        TableJournal::tidyAtStart(); // the next start
        EXPECT_EQ(QDir(dir.path("system")).entryList(QDir::Files, QDir::Name), tableFolder);
        const HighScoreTable table = HighScoreTable::load();
        for (int place = 1; place <= HighScoreTable::Places; ++place) {
            EXPECT_EQ(table.name(place), QStringLiteral("n") + table.scoreText(place)) << place;
            if (place > 1) {
                EXPECT_GT(table.scoreText(place - 1).toInt(), table.scoreText(place).toInt());
            }
        }
        if (testing::Test::HasFailure())
            break;
        registered +=
            table.scoreText(1).toInt() >= next ? table.scoreText(1).toInt() - next + 1 : 0;
        next = table.scoreText(1).toInt() + 1;
    }
    std::printf("kills: %d, registrations that stood: %d, journals met: %d, temporary files "
                "met: %d\n",
                Kills, registered, journals, leftovers);
}
