#include "app/QuietMessages.h"

#include <gtest/gtest.h>

// Only Qt's note about an unset XDG_RUNTIME_DIR is dropped. Catches: a filter so wide that a
// real problem with the runtime folder, or any other warning or error, no longer shows.
TEST(QuietMessages, dropsOnlyTheNoteAboutAnUnsetRuntimeFolder) {
    EXPECT_TRUE(QuietMessages::isHarmless(
        QtWarningMsg, "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-me'"));
    EXPECT_FALSE(QuietMessages::isHarmless(
        QtWarningMsg, "QStandardPaths: wrong permissions on runtime directory /run/user/1000, "
                      "0755 instead of 0700"));
    EXPECT_FALSE(QuietMessages::isHarmless(QtWarningMsg, "QStandardPaths: error creating runtime "
                                                         "directory '/tmp/runtime-me'"));
    EXPECT_FALSE(QuietMessages::isHarmless(
        QtCriticalMsg, "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/x'"));
    EXPECT_FALSE(
        QuietMessages::isHarmless(QtWarningMsg, "qt.qpa.xcb: could not connect to display"));
}
