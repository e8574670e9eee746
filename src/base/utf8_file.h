// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Looking at, creating, opening and removing files by their UTF-8 names, the
// same on every platform (see utf8_path.h for why).

#include <cstddef>
#include <cstdio>
#include <string>

namespace dspprog {

// What the file system says of a name, symbolic links followed.
struct FileEntry {
    bool found = false;
    bool denied = false;  // the name could not be looked up for lack of permission
    bool ordinary = false;
    long long size = 0;  // of an ordinary file
};
FileEntry LookUpFile(const std::string& name);

// The name every symbolic link in `name` leads to, for a file that need not
// exist yet: two names of one file give one answer, so that what is kept
// beside a file (a lock) is found under either. `name` itself when it cannot
// be resolved.
std::string RealPath(const std::string& name);

// Anything at all under `name`, even a dangling symbolic link.
bool FilePresent(const std::string& name);

// The platform's own rule for a hidden file: a leading dot on POSIX systems,
// the hidden or system attribute on Windows (where ".img" is a visible file).
bool FileHidden(const std::string& name);

// Creates `name` new for writing; -1 with errno set when anything of that name
// exists (a symbolic link is never followed) or it cannot be created.
int CreateExclusive(const std::string& name);

// Opens `name` for writing in binary, emptied or (`append`) at its end,
// only when it is a regular file, or creates it exclusively when nothing has
// the name. A symbolic link (on Windows, any reparse point) is refused, not
// followed, so that a log never lands in whatever file a link leads to. The
// descriptor is not inherited by programs started later. -1 when refused.
int OpenRegularForWriting(const std::string& name, bool append);

// A stream over the descriptor `fd`, which then belongs to the stream;
// nullptr (and `fd` closed) when none can be made, or for an `fd` of -1.
std::FILE* StreamOverDescriptor(int fd, const char* mode);

// Opens `name` for reading in binary; nullptr when it cannot.
std::FILE* OpenForReading(const std::string& name);

// Appends what is left of `file` to `content`, but stops once it holds more
// than `limit` bytes: a device or an endless file must not fill the memory,
// and a file that holds more shows as longer than `limit`. False on a read
// error.
bool ReadUpTo(std::FILE* file, std::string& content, std::size_t limit);

// False when the file system cannot say that what was written is stored.
bool FlushToDisk(std::FILE* file);

// Removes `name`, quietly: a failure leaves it where it is.
void RemoveFile(const std::string& name) noexcept;

}  // namespace dspprog
