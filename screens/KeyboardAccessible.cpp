#include "screens/KeyboardAccessible.h"

#include "screens/KeyAccessible.h"
#include "screens/KeyboardView.h"

#include <algorithm>

KeyboardAccessible::KeyboardAccessible(KeyboardView* view)
    : QAccessibleWidget(view, QAccessible::Grouping, view->accessibleName()),
      m_children(KeyboardView::keys().size(), 0) {}

KeyboardAccessible::~KeyboardAccessible() {
    for (QAccessible::Id id : m_children)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

KeyboardView* KeyboardAccessible::view() const {
    return static_cast<KeyboardView*>(widget());
}

int KeyboardAccessible::childCount() const {
    return static_cast<int>(m_children.size());
}

QAccessibleInterface* KeyboardAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    QAccessible::Id& id = m_children[static_cast<size_t>(index)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(
            new KeyAccessible(const_cast<KeyboardAccessible*>(this), index));
    return QAccessible::accessibleInterface(id);
}

int KeyboardAccessible::indexOfChild(const QAccessibleInterface* child) const {
    for (size_t i = 0; i < m_children.size(); ++i)
        if (m_children[i] && QAccessible::accessibleInterface(m_children[i]) == child)
            return static_cast<int>(i);
    return -1;
}

QAccessibleInterface* KeyboardAccessible::childAt(int x, int y) const {
    const char32_t key = view()->keyAt(view()->mapFromGlobal(QPoint(x, y)));
    if (!key)
        return nullptr;
    const auto& keys = KeyboardView::keys();
    const auto it = std::find(keys.begin(), keys.end(), key);
    return child(static_cast<int>(it - keys.begin()));
}
