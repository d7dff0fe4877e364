#include "app/MessageBoxErrorReporter.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxErrorReporter::fatal(const QString& message) {
    if (m_failed)
        return;
    m_failed = true;
    QMessageBox::critical(nullptr, QStringLiteral("カザミナへのタイピング"), message);
    // Closing every window runs their unload handlers (music stops) and ends the event loop.
    QApplication::closeAllWindows();
    QCoreApplication::quit();
}

void MessageBoxErrorReporter::warn(const QString& message) {
    QMessageBox::warning(nullptr, QStringLiteral("カザミナへのタイピング"), message);
}
