#include "core/ErrorReporter.h"

#include <QDebug>

void ErrorReporter::warn(const QString& message) {
    qWarning().noquote() << message;
}
