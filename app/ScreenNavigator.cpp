#include "app/ScreenNavigator.h"

#include <QWidget>

void ScreenNavigator::registerScreen(Screen screen, Factory factory) {
    m_factories[screen] = std::move(factory);
}

void ScreenNavigator::show(Screen screen) {
    auto it = m_factories.find(screen);
    if (it == m_factories.end())
        return;
    if (QWidget* window = it->second())
        window->show();
}
