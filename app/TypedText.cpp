#include "app/TypedText.h"

#include <QKeyEvent>

QString TypedText::of(const QKeyEvent* event) {
    if (event->key() == Qt::Key_Delete || event->modifiers().testFlag(Qt::AltModifier))
        return {};
    return event->text();
}
