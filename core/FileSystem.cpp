#include "core/FileSystem.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace {
FileSystem realCalls;
FileSystem* inForce = &realCalls;
} // namespace

int FileSystem::open(const char* path, int flags, mode_t mode) {
    return ::open(path, flags, mode);
}

ssize_t FileSystem::write(int fd, const void* data, size_t size) {
    return ::write(fd, data, size);
}

int FileSystem::fsync(int fd) {
    return ::fsync(fd);
}

int FileSystem::close(int fd) {
    return ::close(fd);
}

int FileSystem::rename(const char* from, const char* to) {
    return ::rename(from, to);
}

int FileSystem::unlink(const char* path) {
    return ::unlink(path);
}

FileSystem& FileSystem::current() {
    return *inForce;
}

void FileSystem::install(FileSystem* standIn) {
    inForce = standIn ? standIn : &realCalls;
}
