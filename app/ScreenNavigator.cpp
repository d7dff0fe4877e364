#include "app/ScreenNavigator.h"

#include "core/ErrorReporter.h"

#include <QWidget>

void ScreenNavigator::registerScreen(Screen screen, Factory factory) {
    m_factories[screen] = std::move(factory);
}

void ScreenNavigator::show(Screen screen) {
    auto it = m_factories.find(screen);
    if (it == m_factories.end())
        return;
    QWidget* window = it->second();
    if (!window)
        return;
    // A screen whose loading hit a fatal file error must not reappear while the program ends.
    if (m_errors.failed())
        window->close();
    else
        window->show();
}
