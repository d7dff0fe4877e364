#include "screens/KeyAccessible.h"

#include "screens/KeyboardAccessible.h"
#include "screens/KeyboardView.h"

KeyAccessible::KeyAccessible(KeyboardAccessible* keyboard, int index)
    : m_keyboard(keyboard), m_index(index) {}

char32_t KeyAccessible::key() const {
    const auto& keys = m_keyboard->view()->shownKeys();
    return static_cast<size_t>(m_index) < keys.size() ? keys[static_cast<size_t>(m_index)] : 0;
}

bool KeyAccessible::isValid() const {
    // The kana keyboard has more keys than QWERTY: the last ones go when it switches back.
    return m_keyboard && m_keyboard->isValid() && key() != 0;
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
    const KeyboardView* view = m_keyboard->view();
    if (!key())
        return {};
    switch (t) {
    case QAccessible::Name:
        return view->toolTip(key());
    case QAccessible::Description:
        return QStringLiteral("ミス率 %1").arg(view->capRate(key()));
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
