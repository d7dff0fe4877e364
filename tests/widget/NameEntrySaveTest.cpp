#include "app/FileSystem.h"
#include "screens/rankInput.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"

#include <QLineEdit>
#include <QTest>

#include <cerrno>
#include <gtest/gtest.h>

namespace {

// A disk whose syncs report an I/O error, as a failing disk does long after the writes.
class FailingSyncs : public FileSystem {
public:
    FailingSyncs() { install(this); }
    ~FailingSyncs() override { install(nullptr); }
    int fsync(int) override {
        errno = EIO;
        return -1;
    }
};

} // namespace

// A sync error during registration used to end in success with both files "replaced": the
// player must get one message, and both files must stay as they were.
TEST(NameEntrySave, aSyncErrorIsToldAndChangesNeitherFile) {
    TempWorkDir dir;
    const QByteArray scores = dir.readBytes("system/Hiscore.aty");
    const QByteArray names = dir.readBytes("system/Hiscorep.aty");
    TestContext t;
    t.context.state.FinalScore = 999999;
    {
        rankInput entry(t.context);
        FailingSyncs failing;
        QTest::keyClick(entry.inp, Qt::Key_Return);
    }
    ASSERT_EQ(t.errors.messages.size(), 1);
    EXPECT_TRUE(t.errors.messages[0].contains(QStringLiteral("書き込めません")));
    EXPECT_EQ(dir.readBytes("system/Hiscore.aty"), scores);
    EXPECT_EQ(dir.readBytes("system/Hiscorep.aty"), names);
    EXPECT_TRUE(t.navigator.shown.empty());
}
