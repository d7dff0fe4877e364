#pragma once

#include <QAccessibleWidget>

#include <vector>

class KeyboardView;

// What screen readers see of the progress window's keyboard: a group with one child per key,
// since a picture alone tells them nothing.
class KeyboardAccessible : public QAccessibleWidget {
public:
    explicit KeyboardAccessible(KeyboardView* view);
    ~KeyboardAccessible() override;

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;
    QAccessibleInterface* childAt(int x, int y) const override;

    KeyboardView* view() const;

private:
    mutable std::vector<QAccessible::Id> m_children; // 0 until a key is first asked for
};
