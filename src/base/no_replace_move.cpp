// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/no_replace_move.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <exception>
#include <string>

#include "base/utf8_path.h"
#else
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#endif

namespace dspprog {

bool MoveNoReplace(const char* from, const char* to) noexcept {
#ifdef _WIN32
    try {
        // Without MOVEFILE_REPLACE_EXISTING the move fails on an existing name.
        return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), 0) != 0;
    } catch (const std::exception&) {
        return false;
    }
#else
#ifdef RENAME_NOREPLACE
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return true;
    // Only a file system that does not know the flag gets the second way.
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    // A hard link is refused on an existing name as well; the file then has
    // both names for a moment, never neither.
    if (link(from, to) != 0) return false;
    unlink(from);
    return true;
#endif
}

}  // namespace dspprog
