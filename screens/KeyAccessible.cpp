#include "screens/KeyAccessible.h"

#include "screens/KeyboardAccessible.h"
#include "screens/KeyboardView.h"
#include "stats/ProgressModel.h"

KeyAccessible::KeyAccessible(KeyboardAccessible* keyboard, int index)
    : m_keyboard(keyboard), m_index(index) {}

char32_t KeyAccessible::key() const {
    return KeyboardView::keys()[static_cast<size_t>(m_index)];
}

bool KeyAccessible::isValid() const {
    return m_keyboard && m_keyboard->isValid();
}

QObject* KeyAccessible::object() const {
    return nullptr;
}

QWindow* KeyAccessible::window() const {
    return m_keyboard->window();
}

QAccessibleInterface* KeyAccessible::parent() const {
    return m_keyboard;
}

QString KeyAccessible::text(QAccessible::Text t) const {
    const ProgressModel& model = m_keyboard->view()->model();
    switch (t) {
    case QAccessible::Name:
        return model.toolTip(key());
    case QAccessible::Description:
        return QStringLiteral("ミス率 %1").arg(model.capRate(key()));
    default:
        return {};
    }
}

QRect KeyAccessible::rect() const {
    const KeyboardView* view = m_keyboard->view();
    const QRect local = view->keyRect(key()).toAlignedRect();
    return QRect(view->mapToGlobal(local.topLeft()), local.size());
}

QAccessible::State KeyAccessible::state() const {
    QAccessible::State s;
    s.readOnly = true;
    return s;
}
