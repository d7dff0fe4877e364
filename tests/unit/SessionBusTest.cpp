#include "app/SessionBus.h"

#include <QSet>
#include <gtest/gtest.h>

// Without any session bus the game turns D-Bus off rather than letting the library launch a
// daemon that outlives it; a bus that exists is left to be used, so screen readers keep
// working. Catches: a player's bus overwritten, the standard socket overlooked, a socket
// looked for at /bus when XDG_RUNTIME_DIR is unset.
TEST(SessionBus, turnsDBusOffOnlyWhenNoSessionBusExists) {
    auto exists = [](QSet<QString> files) {
        return [files](const QString& path) { return files.contains(path); };
    };
    EXPECT_EQ(
        SessionBus::addressToSet("unix:path=/run/user/1000/bus", "/run/user/1000", exists({})),
        QByteArray());
    EXPECT_EQ(SessionBus::addressToSet({}, "/run/user/1000", exists({"/run/user/1000/bus"})),
              QByteArray());
    EXPECT_EQ(SessionBus::addressToSet({}, "/run/user/1000", exists({})), "disabled:");
    EXPECT_EQ(SessionBus::addressToSet({}, {}, exists({"/bus"})), "disabled:");
}
