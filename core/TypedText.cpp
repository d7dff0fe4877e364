#include "core/TypedText.h"

#include <QKeyEvent>

QString TypedText::of(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->modifiers().testFlag(Qt::AltModifier))
        return {};
    // Shift+Tab arrives as Backtab without text, yet types the same tab character as Tab.
    if (event->key() == Qt::Key_Backtab && event->text().isEmpty())
        return QStringLiteral("\t");
    return event->text();
}
