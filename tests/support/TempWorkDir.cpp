#include "tests/support/TempWorkDir.h"

#include <QDir>
#include <QFile>

TempWorkDir::TempWorkDir() : m_previous(QDir::currentPath()) {
    QDir(m_dir.path()).mkpath(QStringLiteral("system"));
    QDir(m_dir.path()).mkpath(QStringLiteral("music"));
    const QString defaults = QStringLiteral(KAZAMINA_SOURCE_DIR "/data/system/");
    for (const QString& name : QDir(defaults).entryList(QDir::Files)) {
        const QString target = path(QStringLiteral("system/") + name);
        QFile::copy(defaults + name, target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
    }
    QDir::setCurrent(m_dir.path());
}

TempWorkDir::~TempWorkDir() {
    QDir::setCurrent(m_previous);
}

QString TempWorkDir::path(const QString& relative) const {
    return m_dir.filePath(relative);
}

void TempWorkDir::writeBytes(const QString& relative, const QByteArray& bytes) const {
    QFile f(path(relative));
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}

QByteArray TempWorkDir::readBytes(const QString& relative) const {
    QFile f(path(relative));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}
