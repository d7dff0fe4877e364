#include "screens/Fonts.h"
#include "tests/support/ModalWatchdog.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // Headless by default; CTest sets the same.
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    if (qgetenv("SDL_AUDIODRIVER").isEmpty())
        qputenv("SDL_AUDIODRIVER", "dummy");
    testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    Fonts::install();
    ModalWatchdog::install();
    return RUN_ALL_TESTS();
}
