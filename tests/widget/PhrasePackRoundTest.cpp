#include "screens/Maingame.h"
#include "tests/support/Fakes.h"
#include "tests/support/TempWorkDir.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class PhrasePackRoundTest : public testing::Test {
protected:
    ~PhrasePackRoundTest() override {
        if (window)
            window->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        delete window.data();
    }
    // Opens the round with the first draw pinned to r.
    Maingame& open(float r) {
        t.random.pushDraw(0, 0, 6);
        t.random.push({r});
        window = new Maingame(t.context);
        return *window;
    }
    QString text(const char* name) {
        return window->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }

    TempWorkDir dir;
    TestContext t;
    QPointer<Maingame> window;
};

const QByteArray Pack = "# two phrases\r\n"
                        "\xE8\x8C\xB6\t\xE3\x81\x8A\xE3\x81\xA1\xE3\x82\x83\r\n" // 茶	おちゃ
                        "\xE6\xB9\xAF\t\xE3\x81\x8A\xE3\x82\x86\r\n";            // 湯	おゆ

} // namespace

// With system/phrases.txt the round shows the pack's phrases in the spellings of the settings
// file, and a finished phrase draws the next one from the pack too.
TEST_F(PhrasePackRoundTest, theRoundShowsThePacksPhrases) {
    dir.writeBytes(QStringLiteral("system/phrases.txt"), Pack);
    Maingame& w = open(0.75f); // floor(0.75 * 2) = 1
    ASSERT_TRUE(w.loaded());
    EXPECT_TRUE(t.errors.warnings.isEmpty());
    EXPECT_EQ(text("mon"), "茶");
    EXPECT_EQ(text("Q"), "otya"); // the default settings file selects tya
    for (int i = 0; i < 4; ++i)
        w.countt_Timer();
    t.random.push({0.0f}); // 0 stands for the last phrase
    QTest::keyClicks(&w, QStringLiteral("otya"));
    EXPECT_EQ(text("mon"), "湯");
    EXPECT_EQ(text("Q"), "oyu");
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/phrases.txt")), Pack);
}

// A broken pack is reported once, naming the file and line, and the round goes on with the
// built-in phrases; the file stays as it was and the program does not end.
TEST_F(PhrasePackRoundTest, aBrokenPackFallsBackToTheBuiltInPhrases) {
    const QByteArray broken = Pack + "\xE5\xA3\x8A\xE3\x82\x8C\xE3\x81\x9F\r\n"; // 壊れた, no tab
    dir.writeBytes(QStringLiteral("system/phrases.txt"), broken);
    Maingame& w = open(0.035f); // phrase 3 of the built-in catalogue
    ASSERT_TRUE(w.loaded());
    ASSERT_EQ(t.errors.warnings.size(), 1);
    EXPECT_TRUE(t.errors.warnings[0].contains(QDir::currentPath() + "/system/phrases.txt"));
    EXPECT_TRUE(t.errors.warnings[0].contains("4 行目"));
    EXPECT_FALSE(t.errors.failed());
    EXPECT_EQ(text("mon"), "エゴ");
    EXPECT_EQ(text("Q"), "ego");
    EXPECT_EQ(dir.readBytes(QStringLiteral("system/phrases.txt")), broken);
}
