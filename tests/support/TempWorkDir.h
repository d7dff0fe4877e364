#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh working directory holding system/ with the game's default files; the test runs
// inside it and the previous working directory comes back when it ends.
class TempWorkDir {
public:
    TempWorkDir();
    ~TempWorkDir();

    QString path(const QString& relative) const;
    void writeBytes(const QString& relative, const QByteArray& bytes) const;
    QByteArray readBytes(const QString& relative) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
