#include "app/QuietMessages.h"

namespace {

QtMessageHandler previous = nullptr;

void filter(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (QuietMessages::isHarmless(type, message))
        return;
    if (previous)
        previous(type, context, message);
}

} // namespace

bool QuietMessages::isHarmless(QtMsgType type, const QString& message) {
    return type == QtWarningMsg &&
           message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set,"));
}

void QuietMessages::install() {
    previous = qInstallMessageHandler(filter);
}
