// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An exclusive lock on a file that the system lets go of when its holder
// ends, however it ends: a run killed or interrupted leaves nothing that
// refuses the next one.

#include <memory>
#include <string>

namespace dspprog {

class FileLock {
public:
    enum class Outcome { Held, Busy, CannotOpen };

    // Opens `name` (made when missing) and locks it without waiting. The
    // file stays when the lock goes: removing it would let a third run lock a
    // new file while a second still holds the old one.
    static std::unique_ptr<FileLock> Acquire(const std::string& name, Outcome& outcome);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    FileLock() = default;
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
};

}  // namespace dspprog
