// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_file.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <limits>

#ifdef _WIN32
#include <io.h>
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "link/fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kReadError = "Ошибка при чтении входного файла";
constexpr const char* kWriteError = "Ошибка при записи выходного файла";

std::string BaseName(const std::string& name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string::npos ? name : name.substr(slash + 1);
}

#ifdef _WIN32
std::wstring Wide(const std::string& utf8) {
    if (utf8.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), n);
    return wide;
}
#endif

// Hidden files are the operator's business, not ours: they count as absent,
// and since creation is exclusive a hidden file of the chosen name is never
// overwritten either. What hides a file is the platform's own rule: a leading
// dot on POSIX systems, the hidden or system attribute on Windows, where a
// name such as ".img" is an ordinary, visible file.
bool Hidden(const std::string& name) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(Wide(name).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0;
#else
    const std::string base = BaseName(name);
    return !base.empty() && base[0] == '.';
#endif
}

// What the file system says of a name, symbolic links followed.
struct Entry {
    bool found = false;
    bool denied = false;  // the name could not be looked up for lack of permission
    bool ordinary = false;
};

Entry Look(const std::string& name) {
    Entry entry;
#ifdef _WIN32
    struct _stat64 st;
    const bool found = _wstat64(Wide(name).c_str(), &st) == 0;
    entry.ordinary = found && (st.st_mode & _S_IFMT) == _S_IFREG;
#else
    struct stat st;
    const bool found = stat(name.c_str(), &st) == 0;
    entry.ordinary = found && S_ISREG(st.st_mode);
#endif
    entry.found = found;
    entry.denied = !found && errno == EACCES;
    return entry;
}

}  // namespace

std::int32_t FileSizeByName(const std::string& name) {
    if (name.empty() || Hidden(name)) return -1;
#ifdef _WIN32
    struct _stat64 st;
    if (_wstat64(Wide(name).c_str(), &st) != 0) return -1;
    if ((st.st_mode & _S_IFMT) != _S_IFREG) return -1;
#else
    struct stat st;
    if (stat(name.c_str(), &st) != 0) return -1;
    if (!S_ISREG(st.st_mode)) return -1;
#endif
    // A file past 2 GB must not pass for a small one by its low bits; it is
    // reported as the largest size there is, which no chip matches.
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    if (st.st_size > kMax) return kMax;
    return static_cast<std::int32_t>(st.st_size);
}

ImageFileAccess CheckImageFile(const std::string& name) {
    if (name.empty()) return ImageFileAccess::Missing;
    const Entry entry = Look(name);
    if (!entry.found) return entry.denied ? ImageFileAccess::Unreadable : ImageFileAccess::Missing;
    if (Hidden(name)) return ImageFileAccess::Hidden;
    // Checked before anything opens it: opening a pipe would wait for a writer.
    if (!entry.ordinary) return ImageFileAccess::NotOrdinary;
    InputImageFile file;
    return file.Open(name) ? ImageFileAccess::Readable : ImageFileAccess::Unreadable;
}

OutputImageFile::~OutputImageFile() {
    Close();
}

bool OutputImageFile::CreateNew(const std::string& name) {
    Close();
    if (name.empty()) return false;
        // O_EXCL: the file must not exist in any form, hidden or not, and a
        // symbolic link is never followed.
#ifdef _WIN32
    const int fd = _wopen(Wide(name).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0) return false;
    file_ = _fdopen(fd, "wb");
    if (!file_) _close(fd);
#else
    const int fd = open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    file_ = fdopen(fd, "wb");
    if (!file_) ::close(fd);
#endif
    if (!file_) return false;
    // Unbuffered: a full disk shows up at the record that did not fit, not
    // silently at closing after the log has said the content was saved.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    return true;
}

void OutputImageFile::WriteFileBlock(const DataBlock& block, Operator& op) {
    if (!file_ || std::fwrite(block.data(), 1, block.size(), file_) != block.size()) {
        Close();
        op.ErrorBox(kWriteError);
        Terminate(kWriteError);
    }
}

void OutputImageFile::WriteText(const std::string& text, Operator& op) {
    if (!file_ || std::fwrite(text.data(), 1, text.size(), file_) != text.size()) {
        Close();
        op.ErrorBox(kWriteError);
        Terminate(kWriteError);
    }
}

void OutputImageFile::Finish(Operator& op) {
    if (!Close()) {
        op.ErrorBox(kWriteError);
        Terminate(kWriteError);
    }
}

bool OutputImageFile::Close() {
    if (!file_) return true;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return closed;
}

InputImageFile::~InputImageFile() {
    Close();
}

bool InputImageFile::Open(const std::string& name) {
    Close();
    if (name.empty()) return false;
#ifdef _WIN32
    file_ = _wfopen(Wide(name).c_str(), L"rb");
#else
    file_ = std::fopen(name.c_str(), "rb");
#endif
    return file_ != nullptr;
}

void InputImageFile::ReadFileBlock(DataBlock& block, Operator& op) {
    if (!file_ || std::fread(block.data(), 1, block.size(), file_) != block.size()) {
        Close();
        op.ErrorBox(kReadError);
        Terminate(kReadError);
    }
}

bool InputImageFile::ReadRest(std::string& content, std::size_t limit) {
    if (!file_) return false;
    char buffer[65536];
    while (content.size() <= limit) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file_);
        content.append(buffer, got);
        if (got < sizeof buffer) return std::ferror(file_) == 0;
    }
    return true;
}

void InputImageFile::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

}  // namespace dspprog
