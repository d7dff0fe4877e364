#include "core/PlayerFile.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemReason(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// Read in pieces of this size, so what is kept in memory follows what the file really holds.
constexpr qsizetype Piece = 64 * 1024;

} // namespace

QString PlayerFile::notRegularReason() {
    return QStringLiteral("通常のファイルではありません");
}

int PlayerFile::open(const QString& hostPath, int flags, mode_t mode, QString& reason,
                     bool& missing) {
    missing = false;
    const QByteArray path = QFile::encodeName(hostPath);
    // The real calls, not the save's test seam: opening changes no file, and a save's steps are
    // counted from its first write. Without O_NONBLOCK, opening a FIFO waits for a writer that
    // never comes.
    const int base = (flags & ~O_CREAT) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;
    int fd = ::open(path.constData(), base, 0);
    if (fd < 0 && errno == ENOENT) {
        struct stat link {};
        if (::lstat(path.constData(), &link) == 0) {
            // A link to nowhere is not a missing file: the player put it there, and creating
            // its target would write somewhere they never meant a file of ours to be.
            reason = QStringLiteral("リンク先がありません");
            return -1;
        }
        if (flags & O_CREAT) {
            fd = ::open(path.constData(), base | O_CREAT | O_EXCL, mode);
            // Another game made it in between: open the one that is there now.
            if (fd < 0 && errno == EEXIST)
                fd = ::open(path.constData(), base, 0);
        }
    }
    if (fd < 0) {
        const int error = errno;
        struct stat st {};
        // A socket refuses to open at all (ENXIO): say what it is rather than the system's
        // puzzling reason.
        if (error != ENOENT && ::stat(path.constData(), &st) == 0 && !S_ISREG(st.st_mode))
            reason = notRegularReason();
        else
            reason = systemReason(error);
        missing = error == ENOENT;
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int error = errno;
        reason = S_ISREG(st.st_mode) ? systemReason(error) : notRegularReason();
        ::close(fd);
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status < 0 || ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK) != 0) {
        reason = systemReason(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

PlayerFile::Contents PlayerFile::read(const QString& gamePath, qsizetype maxBytes) {
    Contents out;
    QString hostPath = gamePath;
    hostPath.replace(QLatin1Char('\\'), QLatin1Char('/'));
    bool missing = false;
    const int fd = open(hostPath, O_RDONLY, 0, out.reason, missing);
    if (fd < 0) {
        out.status = missing ? Status::Missing : Status::Failed;
        return out;
    }
    out = readOpen(fd, maxBytes);
    ::close(fd);
    return out;
}

PlayerFile::Contents PlayerFile::readOpen(int fd, qsizetype maxBytes) {
    Contents out;
    out.status = Status::Read;
    try {
        // One byte past the bound tells a file that is too large without reading the rest.
        while (out.bytes.size() <= maxBytes) {
            const qsizetype want = std::min(Piece, maxBytes + 1 - out.bytes.size());
            const qsizetype at = out.bytes.size();
            out.bytes.resize(at + want);
            const ssize_t n = ::read(fd, out.bytes.data() + at, static_cast<size_t>(want));
            if (n < 0 && errno == EINTR) {
                out.bytes.resize(at);
                continue;
            }
            if (n < 0) {
                const int error = errno;
                out = {};
                out.status = Status::Failed;
                out.reason = systemReason(error);
                return out;
            }
            out.bytes.resize(at + n);
            if (n == 0)
                break;
        }
    } catch (const std::bad_alloc&) {
        out = {};
        out.status = Status::Failed;
        out.reason = QStringLiteral("メモリが足りません");
    }
    return out;
}
