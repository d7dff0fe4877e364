#pragma once

#include <QByteArray>
#include <QString>

#include <sys/types.h>

// The one way the game opens a player's file, for reading or appending: it never waits on a
// FIFO or a device, takes regular files only, and reads no more than its bound whatever size the
// file claims, so a file that is not a file ends in a message instead of a hang or a crash.
class PlayerFile {
public:
    enum class Status { Read, Missing, Failed };

    struct Contents {
        Status status = Status::Missing;
        // At most maxBytes + 1 bytes: one more than the bound tells a file that is too large.
        QByteArray bytes;
        // Why it failed, for the message ("通常のファイルではありません", the system's reason).
        QString reason;
        bool opened() const { return status == Status::Read; }
        bool tooLarge(qsizetype maxBytes) const { return bytes.size() > maxBytes; }
    };

    // The reason given for a FIFO, socket, device or folder in place of a file.
    static QString notRegularReason();

    // Opens a host path with `flags` (O_RDONLY, or O_RDWR | O_CREAT to append); returns the
    // descriptor, in blocking mode, or -1 with `reason` set and `missing` telling a file that is
    // not there. A link to nowhere is refused, not missing, and O_CREAT never creates its target.
    static int open(const QString& hostPath, int flags, mode_t mode, QString& reason,
                    bool& missing);

    // Reads a whole file of the game's ("system\history.csv"), bounded by the bytes read.
    // Never throws: running out of memory is a reason like any other.
    static Contents read(const QString& gamePath, qsizetype maxBytes);
    // The same for a descriptor already open.
    static Contents readOpen(int fd, qsizetype maxBytes);
};
