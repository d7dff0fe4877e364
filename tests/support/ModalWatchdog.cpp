#include "tests/support/ModalWatchdog.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

ModalWatchdog::ModalWatchdog(QObject* parent) : QObject(parent), m_timer(new QTimer(this)) {
    // Its ticks come only while an event loop runs, which in a test means a modal window's.
    m_timer->setInterval(20);
    connect(m_timer, &QTimer::timeout, this, &ModalWatchdog::check);
    m_timer->start();
}

void ModalWatchdog::install() {
    new ModalWatchdog(qApp);
}

void ModalWatchdog::check() {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || s_expected > 0)
        return;
    ++s_closed;
    ADD_FAILURE() << "an unexpected modal window opened: " << modal->metaObject()->className()
                  << " \"" << modal->windowTitle().toStdString() << "\"";
    // done() rather than reject(): a dialog may refuse Escape by overriding reject().
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->done(QDialog::Rejected);
    else
        modal->close();
    if (modal->isVisible())
        modal->hide();
}
