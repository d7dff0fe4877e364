#include "screens/ScreenAccessible.h"

#include "screens/ScreenWindow.h"

namespace {
const char* const HiddenProperty = "kazaminaAccessibleHidden";

QAccessibleInterface* screenFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget)
        return nullptr;
    // A plain widget would be a "filler": a screen is a frame, as every top-level window is.
    if (qobject_cast<ScreenWindow*>(widget) && widget->isWindow())
        return new QAccessibleWidget(widget, QAccessible::Window);
    auto* screen = qobject_cast<ScreenWindow*>(widget->parentWidget());
    if (screen && screen->stage() == widget)
        return new ScreenAccessible(widget);
    return nullptr;
}
} // namespace

void ScreenAccessible::hide(QWidget* widget) {
    widget->setProperty(HiddenProperty, true);
}

void ScreenAccessible::install() {
    static bool installed = false;
    if (installed)
        return;
    installed = true;
    QAccessible::installFactory(screenFactory);
}

ScreenAccessible::ScreenAccessible(QWidget* stage) : QAccessibleWidget(stage, QAccessible::Pane) {}

QList<QWidget*> ScreenAccessible::shownChildren() const {
    QList<QWidget*> shown;
    for (QObject* object : widget()->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (child && !child->isWindow() && !child->property(HiddenProperty).toBool())
            shown.append(child);
    }
    return shown;
}

int ScreenAccessible::childCount() const {
    return static_cast<int>(shownChildren().size());
}

QAccessibleInterface* ScreenAccessible::child(int index) const {
    const QList<QWidget*> shown = shownChildren();
    if (index < 0 || index >= shown.size())
        return nullptr;
    return QAccessible::queryAccessibleInterface(shown.at(index));
}

int ScreenAccessible::indexOfChild(const QAccessibleInterface* child) const {
    if (!child || !child->object())
        return -1;
    return static_cast<int>(shownChildren().indexOf(qobject_cast<QWidget*>(child->object())));
}
