#pragma once

#include <sys/types.h>

// The POSIX calls through which the game saves its files. A test installs a stand-in that fails
// any one of them, to see that every failure is noticed and leaves the files whole.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual int open(const char* path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const void* data, size_t size);
    virtual int fsync(int fd);
    virtual int close(int fd);
    virtual int rename(const char* from, const char* to);
    virtual int unlink(const char* path);

    // The calls in force: the real ones unless a stand-in is installed.
    static FileSystem& current();
    // Puts a stand-in in place (nullptr: the real calls again). The caller keeps it alive.
    static void install(FileSystem* standIn);
};
