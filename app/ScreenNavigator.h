#pragma once

#include "screens/Navigator.h"

#include <functional>
#include <map>

class ErrorReporter;
class QWidget;

// The real navigator: each screen is made by a factory that main() registers.
class ScreenNavigator : public Navigator {
public:
    using Factory = std::function<QWidget*()>;
    explicit ScreenNavigator(const ErrorReporter& errors) : m_errors(errors) {}
    void registerScreen(Screen screen, Factory factory);
    void show(Screen screen) override;

private:
    const ErrorReporter& m_errors;
    std::map<Screen, Factory> m_factories;
};
