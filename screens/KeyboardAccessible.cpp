#include "screens/KeyboardAccessible.h"

#include "screens/KeyAccessible.h"
#include "screens/KeyboardView.h"

#include <algorithm>

KeyboardAccessible::KeyboardAccessible(KeyboardView* view)
    : QAccessibleWidget(view, QAccessible::Grouping, view->accessibleName()),
      m_children(view->shownKeys().size(), 0) {}

KeyboardAccessible::~KeyboardAccessible() {
    for (QAccessible::Id id : m_children)
        if (id)
            QAccessible::deleteAccessibleInterface(id);
}

KeyboardView* KeyboardAccessible::view() const {
    return static_cast<KeyboardView*>(widget());
}

int KeyboardAccessible::childCount() const {
    return static_cast<int>(view()->shownKeys().size());
}

QAccessibleInterface* KeyboardAccessible::child(int index) const {
    if (index < 0 || index >= childCount())
        return nullptr;
    if (m_children.size() < static_cast<size_t>(childCount()))
        m_children.resize(static_cast<size_t>(childCount()), 0);
    QAccessible::Id& id = m_children[static_cast<size_t>(index)];
    if (!id)
        id = QAccessible::registerAccessibleInterface(
            new KeyAccessible(const_cast<KeyboardAccessible*>(this), index));
    return QAccessible::accessibleInterface(id);
}

int KeyboardAccessible::indexOfChild(const QAccessibleInterface* child) const {
    const auto shown = std::min(m_children.size(), static_cast<size_t>(childCount()));
    for (size_t i = 0; i < shown; ++i)
        if (m_children[i] && QAccessible::accessibleInterface(m_children[i]) == child)
            return static_cast<int>(i);
    return -1;
}

QAccessibleInterface* KeyboardAccessible::childAt(int x, int y) const {
    const char32_t key = view()->keyAt(view()->mapFromGlobal(QPoint(x, y)));
    if (!key)
        return nullptr;
    const auto& keys = view()->shownKeys();
    const auto it = std::find(keys.begin(), keys.end(), key);
    return child(static_cast<int>(it - keys.begin()));
}
