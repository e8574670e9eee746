// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/utf8_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <exception>

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "base/utf8_path.h"
#else
#include <limits.h>
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

#ifdef _WIN32

std::string RealPath(const std::string& name) {
    const HANDLE handle = CreateFileW(WidePath(name).c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return name;
    std::wstring path(MAX_PATH, L'\0');
    DWORD length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                             FILE_NAME_NORMALIZED);
    if (length >= path.size()) {
        // Too small: the length asked for counts the terminating null.
        path.resize(length);
        length = GetFinalPathNameByHandleW(handle, path.data(), static_cast<DWORD>(path.size()),
                                           FILE_NAME_NORMALIZED);
    }
    CloseHandle(handle);
    if (length == 0 || length >= path.size()) return name;
    path.resize(length);
    return Utf8FromPath(std::filesystem::path(path));
}

#else

namespace {

std::string Resolved(const std::string& path) {
    char* real = realpath(path.c_str(), nullptr);
    if (real == nullptr) return {};
    std::string resolved = real;
    std::free(real);
    return resolved;
}

}  // namespace

std::string RealPath(const std::string& name) {
    std::string path = name;
    // A link to a file not made yet still says where that file will be.
    for (int hop = 0; hop < 40; ++hop) {
        if (std::string resolved = Resolved(path); !resolved.empty()) return resolved;
        struct stat st;
        if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        char target[PATH_MAX];
        const ssize_t length = readlink(path.c_str(), target, sizeof target);
        if (length <= 0 || length == static_cast<ssize_t>(sizeof target)) return name;
        const std::size_t slash = path.find_last_of('/');
        const bool relative = target[0] != '/' && slash != std::string::npos;
        path = (relative ? path.substr(0, slash + 1) : "") +
               std::string(target, static_cast<std::size_t>(length));
    }
    // No such file: its folder resolved, its own name kept.
    const std::size_t slash = path.find_last_of('/');
    std::string folder = ".";
    if (slash != std::string::npos) folder = slash == 0 ? "/" : path.substr(0, slash);
    const std::string resolved = Resolved(folder);
    if (resolved.empty()) return path;
    return (resolved == "/" ? "" : resolved) + "/" + path.substr(slash + 1);
}

#endif

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

std::FILE* StreamOverDescriptor(int fd, const char* mode) {
    if (fd < 0) return nullptr;
#ifdef _WIN32
    std::FILE* stream = _fdopen(fd, mode);
    if (stream == nullptr) _close(fd);
#else
    std::FILE* stream = fdopen(fd, mode);
    if (stream == nullptr) close(fd);
#endif
    return stream;
}

int CreateExclusive(const std::string& name) {
#ifdef _WIN32
    return _wopen(WidePath(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                  _S_IREAD | _S_IWRITE);
#else
    return open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
#endif
}

#ifdef _WIN32

int OpenRegularForWriting(const std::string& name, bool append) {
    // OPEN_ALWAYS makes a missing file in the same step as it opens one.
    const HANDLE handle =
        CreateFileW(WidePath(name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return -1;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool regular =
        GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) == 0;
    if (!regular || (!append && !SetEndOfFile(handle))) {
        CloseHandle(handle);
        return -1;
    }
    const int fd =
        _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY | (append ? _O_APPEND : 0));
    if (fd < 0) CloseHandle(handle);
    return fd;
}

#else

int OpenRegularForWriting(const std::string& name, bool append) {
    // Not blocking: a FIFO without a reader is refused rather than waited on.
    const int flags = O_WRONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK | (append ? O_APPEND : 0);
    int fd = open(name.c_str(), flags);
    if (fd < 0 && errno == ENOENT) fd = open(name.c_str(), flags | O_CREAT | O_EXCL, 0666);
    if (fd < 0) return -1;
    struct stat st;
    const bool regular = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (!regular || fcntl(fd, F_SETFL, append ? O_APPEND : 0) != 0 ||
        (!append && ftruncate(fd, 0) != 0)) {
        close(fd);
        return -1;
    }
    return fd;
}

#endif

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
