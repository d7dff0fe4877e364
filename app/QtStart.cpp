#include "app/QtStart.h"

#include "app/QuietMessages.h"
#include "app/SessionBus.h"
#include "screens/Fonts.h"

#include <QLibraryInfo>

QtStart::Before::Before() {
    SessionBus::noAutolaunch();
    QuietMessages::install();
}

QtStart::QtStart(int& argc, char** argv) : m_app(argc, argv) {
    Fonts::install();
    if (m_translation.load(QStringLiteral("qtbase_ja"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&m_translation);
}
