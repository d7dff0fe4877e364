#include "core/FileSystem.h"
#include "screens/rankInput.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"

#include <QLineEdit>
#include <QTest>

#include <cerrno>
#include <gtest/gtest.h>

namespace {

// A disk whose first sync reports an I/O error, as a failing disk does long after the writes
// went through; every later call succeeds, so nothing but that one result can stop the save.
class FailingSyncs : public FileSystem {
public:
    FailingSyncs() { install(this); }
    ~FailingSyncs() override { install(nullptr); }
    int fsync(int fd) override {
        if (m_failed)
            return FileSystem::fsync(fd);
        m_failed = true;
        errno = EIO;
        return -1;
    }

private:
    bool m_failed = false;
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
