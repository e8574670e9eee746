// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/utf8_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <exception>

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "base/utf8_path.h"
#else
#include <unistd.h>
#endif

namespace dspprog {

FileEntry LookUpFile(const std::string& name) {
    FileEntry entry;
#ifdef _WIN32
    struct _stat64 st;
    const bool found = _wstat64(WidePath(name).c_str(), &st) == 0;
    entry.ordinary = found && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat st;
    const bool found = stat(name.c_str(), &st) == 0;
    entry.ordinary = found && S_ISREG(st.st_mode);
#endif
    entry.found = found;
    entry.denied = !found && errno == EACCES;
    if (entry.ordinary) entry.size = static_cast<long long>(st.st_size);
    return entry;
}

bool FilePresent(const std::string& name) {
#ifdef _WIN32
    return GetFileAttributesW(WidePath(name).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st;
    return lstat(name.c_str(), &st) == 0;
#endif
}

bool FileHidden(const std::string& name) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(WidePath(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    return base < name.size() && name[base] == '.';
#endif
}

int CreateExclusive(const std::string& name) {
#ifdef _WIN32
    return _wopen(WidePath(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
#else
    return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
}

std::FILE* OpenForReading(const std::string& name) {
#ifdef _WIN32
    return _wfopen(WidePath(name).c_str(), L"rb");
#else
    return std::fopen(name.c_str(), "rb");
#endif
}

bool ReadUpTo(std::FILE* file, std::string& content, std::size_t limit) {
    char buffer[65536];
    while (content.size() <= limit) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        content.append(buffer, got);
        if (got < sizeof buffer) return std::ferror(file) == 0;
    }
    return true;
}

bool FlushToDisk(std::FILE* file) {
#ifdef _WIN32
    return _commit(_fileno(file)) == 0;
#else
    return fsync(fileno(file)) == 0;
#endif
}

void RemoveFile(const std::string& name) noexcept {
#ifdef _WIN32
    try {
        _wremove(WidePath(name).c_str());
    } catch (const std::exception&) {
        // Out of memory: the file stays.
    }
#else
    unlink(name.c_str());
#endif
}

}  // namespace dspprog
