// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/file_lock.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "base/utf8_path.h"
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace dspprog {

#ifdef _WIN32

std::unique_ptr<FileLock> FileLock::Acquire(const std::string& name, Outcome& outcome) {
    const HANDLE handle = CreateFileW(WidePath(name).c_str(), GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        outcome = Outcome::CannotOpen;
        return nullptr;
    }
    OVERLAPPED at{};
    if (!LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at)) {
        outcome = GetLastError() == ERROR_LOCK_VIOLATION ? Outcome::Busy : Outcome::CannotOpen;
        CloseHandle(handle);
        return nullptr;
    }
    std::unique_ptr<FileLock> lock(new FileLock);
    lock->handle_ = handle;
    outcome = Outcome::Held;
    return lock;
}

FileLock::~FileLock() {
    // Closing the handle lets go of its lock.
    CloseHandle(static_cast<HANDLE>(handle_));
}

#else

std::unique_ptr<FileLock> FileLock::Acquire(const std::string& name, Outcome& outcome) {
    const int fd = open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (fd < 0) {
        outcome = Outcome::CannotOpen;
        return nullptr;
    }
    // flock, not fcntl: its lock belongs to this open file, so that a second
    // open in the same process is refused as well (the lanes of a gang, tests).
    int locked = 0;
    do {
        locked = flock(fd, LOCK_EX | LOCK_NB);
    } while (locked != 0 && errno == EINTR);
    if (locked != 0) {
        outcome = errno == EWOULDBLOCK ? Outcome::Busy : Outcome::CannotOpen;
        close(fd);
        return nullptr;
    }
    std::unique_ptr<FileLock> lock(new FileLock);
    lock->fd_ = fd;
    outcome = Outcome::Held;
    return lock;
}

FileLock::~FileLock() {
    // Closing the descriptor lets go of its lock.
    close(fd_);
}

#endif

}  // namespace dspprog
