// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/image_file.h"

#include <cerrno>
#include <exception>
#include <limits>
#include <random>
#include <utility>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "base/new_file.h"
#include "base/no_replace_move.h"
#include "base/shown_text.h"
#include "base/utf8_file.h"
#include "link/fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kReadError = "Ошибка при чтении входного файла";
constexpr const char* kWriteError = "Ошибка при записи выходного файла";

constexpr const char* kPartSuffix = ".part";

}  // namespace

std::string IncompleteReadLine(const std::string& kept_in) {
    return "  Чтение не завершено! Считанное сохранено в файле: \"" + ShownText(kept_in) + "\".";
}

// Hidden files are the operator's business, not ours: they count as absent,
// and since a name taken in any form is refused, a hidden file of the chosen
// name is never overwritten either. Anything at all under a name, even a
// dangling symbolic link, keeps a read from taking it.
std::int32_t FileSizeByName(const std::string& name) {
    if (name.empty() || FileHidden(name)) return -1;
    const FileEntry entry = LookUpFile(name);
    if (!entry.ordinary) return -1;
    // A file past 2 GB must not pass for a small one by its low bits; it is
    // reported as the largest size there is, which no chip matches.
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    if (entry.size > kMax) return kMax;
    return static_cast<std::int32_t>(entry.size);
}

ImageFileAccess CheckImageFile(const std::string& name) {
    if (name.empty()) return ImageFileAccess::Missing;
    const FileEntry entry = LookUpFile(name);
    if (!entry.found) return entry.denied ? ImageFileAccess::Unreadable : ImageFileAccess::Missing;
    if (FileHidden(name)) return ImageFileAccess::Hidden;
    // Checked before anything opens it: opening a pipe would wait for a writer.
    if (!entry.ordinary) return ImageFileAccess::NotOrdinary;
    InputImageFile file;
    return file.Open(name) ? ImageFileAccess::Readable : ImageFileAccess::Unreadable;
}

OutputImageFile::~OutputImageFile() {
    Leave();
}

bool OutputImageFile::CreateNew(const std::string& name) {
    Leave();
    const std::size_t folder_end = name.find_last_of("/\\");
    if (name.empty() || folder_end == name.size() - 1 || FilePresent(name)) return false;
    std::random_device random;
    for (int attempt = 0; attempt < 100 && !file_; ++attempt) {
        const std::string temporary = TemporaryName(name, random);
        const int fd = CreateExclusive(temporary);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return false;  // the folder is missing or not writable
        }
#ifdef _WIN32
        file_ = _fdopen(fd, "wb");
        if (!file_) _close(fd);
#else
        file_ = fdopen(fd, "wb");
        if (!file_) ::close(fd);
#endif
        if (!file_) {
            RemoveFile(temporary);
            return false;
        }
        temporary_ = temporary;
    }
    if (!file_) return false;
    name_ = name;
    written_ = 0;
    // Unbuffered: a full disk shows up at the record that did not fit, and
    // what was read is on the disk, not in a buffer, should the program be
    // ended from outside.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    if (watch_) watch_->Started(temporary_, name_ + kPartSuffix);
    return true;
}

void OutputImageFile::WriteFileBlock(const DataBlock& block, Operator& op) {
    Write(block.data(), block.size(), op);
}

void OutputImageFile::WriteText(const std::string& text, Operator& op) {
    Write(text.data(), text.size(), op);
}

void OutputImageFile::Write(const void* data, std::size_t size, Operator& op) {
    if (file_) {
        const std::size_t moved = std::fwrite(data, 1, size, file_);
        written_ += moved;
        if (moved == size) return;
    }
    // The line saying where the partial content is comes before the box: in
    // the window the program ends when the box is closed.
    Abandon(op);
    op.ErrorBox(kWriteError);
    Terminate(kWriteError);
}

void OutputImageFile::Finish(Operator& op) {
    if (!file_) return;
    // The file is about to be named as saved: its content must be on the
    // disk, or the error must be known, before that.
    bool stored = FlushToDisk(file_);
    stored = CloseFile() && stored;
    if (!stored) {
        Abandon(op);
        op.ErrorBox(kWriteError);
        Terminate(kWriteError);
    }
}

bool OutputImageFile::Keep() {
    if (file_ || temporary_.empty()) return false;
    if (!MoveNoReplace(temporary_.c_str(), name_.c_str())) return false;
    temporary_.clear();
    if (watch_) watch_->Ended();
    return true;
}

void OutputImageFile::Abandon(Operator& op) {
    const std::string kept = Leave();
    if (!kept.empty()) op.Log(IncompleteReadLine(kept));
}

std::string OutputImageFile::Leave() noexcept {
    CloseFile();
    std::string kept;
    if (temporary_.empty()) return kept;
    if (written_ == 0) {
        RemoveFile(temporary_);  // nothing was read: nothing to keep
    } else {
        kept = std::move(temporary_);
        try {
            std::string partial = name_ + kPartSuffix;
            if (MoveNoReplace(kept.c_str(), partial.c_str())) kept = std::move(partial);
        } catch (const std::exception&) {
            // Out of memory: the content stays under the temporary name.
        }
    }
    temporary_.clear();
    if (watch_) watch_->Ended();
    return kept;
}

bool OutputImageFile::CloseFile() {
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
    file_ = OpenForReading(name);
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
    return file_ && ReadUpTo(file_, content, limit);
}

void InputImageFile::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

}  // namespace dspprog
