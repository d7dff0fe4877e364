#include "core/DurableFile.h"

#include "core/FileError.h"
#include "core/FileSystem.h"
#include "core/TextFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char SuffixLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int SuffixLength = 6;

[[noreturn]] void fail(const QString& gamePath, int error) {
    throw FileError(DurableFile::writeErrorMessage(gamePath, error));
}

// Syncs and closes the descriptor, closing it in every case. A write error of the disk itself
// (EIO, ENOSPC on some file systems) shows up only at the sync.
void syncClose(int fd, const QString& gamePath) {
    FileSystem& fs = FileSystem::current();
    if (fs.fsync(fd) != 0) {
        const int error = errno;
        fs.close(fd);
        fail(gamePath, error);
    }
    if (fs.close(fd) != 0)
        fail(gamePath, errno);
}

// Writes every byte, going on after a short write; closes the descriptor in every case.
void writeSyncClose(int fd, const QByteArray& bytes, const QString& gamePath) {
    FileSystem& fs = FileSystem::current();
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            fs.write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            fs.close(fd);
            fail(gamePath, error);
        }
        done += n;
    }
    syncClose(fd, gamePath);
}

QByteArray local(const QString& hostPath) {
    return QFile::encodeName(hostPath);
}

} // namespace

QString DurableFile::writeErrorMessage(const QString& gamePath, int error) {
    return QStringLiteral("ファイル「%1」に書き込めません（%2）。")
        .arg(gamePath, QString::fromLocal8Bit(std::strerror(error)));
}

QByteArray DurableFile::encode(const QString& text) {
    QByteArray bytes = text.toUtf8();
    if (text.startsWith(QChar(0xFEFF)))
        bytes.prepend("\xEF\xBB\xBF");
    return bytes;
}

void DurableFile::replace(const QString& gamePath, const QByteArray& bytes) {
    const QString temporary = writeTemporary(gamePath, bytes);
    try {
        rename(temporary, gamePath);
    } catch (const FileError&) {
        removeQuietly(temporary);
        throw;
    }
    syncFolder(gamePath);
}

QString DurableFile::writeTemporary(const QString& gamePath, const QByteArray& bytes) {
    const QString target = TextFile::hostPath(gamePath);
    FileSystem& fs = FileSystem::current();
    // A file the player made read-only stays as it is (a rename would replace it all the same),
    // and a replaced file keeps its permissions.
    struct stat existing {};
    const bool exists = ::stat(local(target).constData(), &existing) == 0;
    if (exists && ::access(local(target).constData(), W_OK) != 0)
        fail(gamePath, errno);
    QString path;
    int fd = -1;
    for (int attempt = 0; fd < 0; ++attempt) {
        QString suffix;
        for (int i = 0; i < SuffixLength; ++i)
            suffix += QLatin1Char(
                SuffixLetters[QRandomGenerator::global()->bounded(int(sizeof SuffixLetters) - 1)]);
        path = target + QLatin1Char('.') + suffix;
        fd = fs.open(local(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && (errno != EEXIST || attempt >= 100))
            fail(gamePath, errno);
    }
    try {
        if (exists && ::fchmod(fd, existing.st_mode & 07777) != 0) {
            const int error = errno;
            fs.close(fd);
            fail(gamePath, error);
        }
        writeSyncClose(fd, bytes, gamePath);
    } catch (const FileError&) {
        removeQuietly(path);
        throw;
    }
    return path;
}

void DurableFile::writeInPlace(const QString& gamePath, const QByteArray& bytes) {
    FileSystem& fs = FileSystem::current();
    const int fd = fs.open(local(TextFile::hostPath(gamePath)).constData(),
                           O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        fail(gamePath, errno);
    writeSyncClose(fd, bytes, gamePath);
}

void DurableFile::rename(const QString& fromHostPath, const QString& gamePath) {
    if (FileSystem::current().rename(local(fromHostPath).constData(),
                                     local(TextFile::hostPath(gamePath)).constData()) != 0)
        fail(gamePath, errno);
}

void DurableFile::syncFolder(const QString& gamePath) {
    // A rename or removal is durable only once the folder holding it is synced.
    FileSystem& fs = FileSystem::current();
    QString folder = QFileInfo(TextFile::hostPath(gamePath)).path();
    const int fd = fs.open(local(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (fd < 0)
        fail(gamePath, errno);
    syncClose(fd, gamePath);
}

void DurableFile::remove(const QString& gamePath) {
    if (FileSystem::current().unlink(local(TextFile::hostPath(gamePath)).constData()) != 0 &&
        errno != ENOENT)
        fail(gamePath, errno);
}

void DurableFile::removeQuietly(const QString& hostPath) {
    FileSystem::current().unlink(local(hostPath).constData());
}

bool DurableFile::isTemporaryOf(const QString& candidate, const QString& fileName) {
    if (candidate.size() != fileName.size() + 1 + SuffixLength || !candidate.startsWith(fileName) ||
        candidate.at(fileName.size()) != QLatin1Char('.'))
        return false;
    for (qsizetype i = fileName.size() + 1; i < candidate.size(); ++i) {
        const QChar c = candidate.at(i);
        if (c.unicode() == 0 || c.unicode() > 0x7F || !std::strchr(SuffixLetters, c.toLatin1()))
            return false;
    }
    return true;
}

void DurableFile::removeOrphans(const QString& gameFolder, const QStringList& fileNames) {
    const QDir folder(TextFile::hostPath(gameFolder));
    const QStringList entries = folder.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        for (const QString& name : fileNames) {
            if (isTemporaryOf(entry, name)) {
                FileSystem::current().unlink(local(folder.filePath(entry)).constData());
                break;
            }
        }
    }
}
