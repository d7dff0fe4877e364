#pragma once

#include <QAccessibleWidget>

// What screen readers see of a screen: the window is a frame named by its caption, and its
// content leaves out the pieces that another control already speaks for (the time lamps).
class ScreenAccessible : public QAccessibleWidget {
public:
    // Marks a control that screen readers should not be shown on its own.
    static void hide(QWidget* widget);
    // Installs the factory once; every screen window calls it.
    static void install();

    explicit ScreenAccessible(QWidget* stage);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    QList<QWidget*> shownChildren() const;
};
