#pragma once

#include <QAccessibleInterface>

class KeyboardAccessible;

// One key of the progress window's keyboard for screen readers: its name, miss rate and counts.
class KeyAccessible : public QAccessibleInterface {
public:
    KeyAccessible(KeyboardAccessible* keyboard, int index);

    bool isValid() const override;
    QObject* object() const override;
    QWindow* window() const override;
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override;

    char32_t key() const;

private:
    KeyboardAccessible* m_keyboard;
    int m_index;
};
