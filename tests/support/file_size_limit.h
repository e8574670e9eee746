// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A full disk, as far as this process's writes can tell: a file size limit,
// with SIGXFSZ ignored so that a write past it fails instead of ending the
// process. POSIX systems only.

#ifndef _WIN32
#include <sys/resource.h>

#include <csignal>
#include <cstdint>

namespace dspprog::testing {

class FileSizeLimit {
public:
    // No file may grow past `bytes` until this is destroyed.
    explicit FileSizeLimit(std::uint64_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*old_handler_)(int) = SIG_DFL;
};

}  // namespace dspprog::testing
#endif
