// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/serial_source.h"

#include <cstdio>
#include <limits>

#include "base/digits.h"
#include "base/file_lock.h"
#include "base/new_file.h"
#include "base/utf8_file.h"
#include "base/utf8_path.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace dspprog {
namespace {

// The new file `fd` gets the mode and owner of the one it is to replace, so
// that a file kept from other users stays so. An owner that only the
// superuser may give is left; the group is still kept where it can be.
void KeepModeAndOwner([[maybe_unused]] int fd, [[maybe_unused]] const std::string& replaced) {
#ifndef _WIN32
    struct stat st;
    if (stat(replaced.c_str(), &st) != 0) return;
    if (fchown(fd, st.st_uid, st.st_gid) != 0 && fchown(fd, static_cast<uid_t>(-1), st.st_gid)) {
        // The file stays this user's.
    }
    fchmod(fd, st.st_mode & 07777);
#endif
}

std::string Quoted(const std::string& name) {
    return "\"" + name + "\"";
}

// The file's one line; nullopt when it is anything but decimal digits (and
// the line end).
std::optional<std::uint64_t> ReadNumber(std::FILE* file) {
    std::string text;
    char chunk[64];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0 && text.size() < 64)
        text.append(chunk, got);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return ParseDigits(text, 10, std::numeric_limits<std::uint64_t>::max());
}

}  // namespace

std::unique_ptr<SerialSource> SerialSource::Open(const SerialNumbering& numbering,
                                                 const std::optional<std::string>& file,
                                                 std::string& error) {
    std::unique_ptr<SerialSource> source(new SerialSource);
    source->numbering_ = numbering;
    source->next_ = numbering.start;
    if (!file) {
        if (EncodeSerial(source->next_, numbering.bytes, numbering.form)) return source;
        error = SerialTooWideText(source->next_, numbering);
        return nullptr;
    }

    // Two runs on one file would hand out the same numbers: the second is
    // refused while the first holds the lock, which its end lets go of. The
    // lock is named after the real file, so that a run given a symbolic link
    // and one given the file's own name meet at the same lock.
    source->real_file_ = RealPath(*file);
    const std::string lock = source->real_file_ + ".lock";
    FileLock::Outcome outcome = FileLock::Outcome::CannotOpen;
    source->lock_ = FileLock::Acquire(lock, outcome);
    if (!source->lock_) {
        error = outcome == FileLock::Outcome::Busy
                    ? "Файл серийных номеров " + Quoted(*file) + " занят другим запуском"
                    : "Файл серийных номеров " + Quoted(*file) +
                          " не удаётся заблокировать (не открывается " + Quoted(lock) + ")";
        return nullptr;
    }
    source->file_ = file;

    if (std::FILE* in = OpenForReading(source->real_file_)) {
        const std::optional<std::uint64_t> number = ReadNumber(in);
        std::fclose(in);
        if (!number) {
            error =
                "В файле серийных номеров " + Quoted(*file) + " должно быть одно десятичное число";
            return nullptr;
        }
        source->next_ = *number;
    } else if (FilePresent(source->real_file_)) {
        error = "Файл серийных номеров " + Quoted(*file) + " не удаётся прочитать";
        return nullptr;
    }
    // Nothing is written yet: a run refused here leaves the file as it was.
    if (!EncodeSerial(source->next_, numbering.bytes, numbering.form)) {
        error = SerialTooWideText(source->next_, numbering);
        return nullptr;
    }
    return source;
}

SerialSource::~SerialSource() = default;

std::optional<std::uint64_t> SerialSource::Take(std::string& error) {
    std::lock_guard guard(mutex_);
    if (!returned_.empty()) {
        const std::uint64_t number = *returned_.begin();
        returned_.erase(returned_.begin());
        return number;
    }
    if (exhausted_) {
        error = "Серийные номера закончились";
        return std::nullopt;
    }
    const std::uint64_t number = next_;
    if (number > std::numeric_limits<std::uint64_t>::max() - numbering_.step) {
        exhausted_ = true;
    } else {
        next_ = number + numbering_.step;
    }
    if (!Store(error)) return std::nullopt;
    return number;
}

bool SerialSource::GiveBack(std::uint64_t number, std::string& error) {
    std::lock_guard guard(mutex_);
    // The last number handed out goes back into the file, so that the next
    // run starts there; any other waits for the next chip of this run.
    if (!exhausted_ && number + numbering_.step == next_) {
        next_ = number;
        while (!returned_.empty() && *returned_.rbegin() + numbering_.step == next_) {
            next_ = *returned_.rbegin();
            returned_.erase(std::prev(returned_.end()));
        }
        return Store(error);
    }
    returned_.insert(number);
    return true;
}

bool SerialSource::Store(std::string& error) {
    if (!file_) return true;
    // A new file beside the old, then renamed over it: a crash leaves one or
    // the other whole, never a half-written number.
    const std::string temporary = real_file_ + ".tmp";
    RemoveFile(temporary);
    const int fd = CreateExclusive(temporary);
    if (fd >= 0) KeepModeAndOwner(fd, real_file_);
    std::FILE* out = StreamOverDescriptor(fd, "wb");
    bool stored = out != nullptr;
    if (out != nullptr) {
        const std::string line = std::to_string(next_) + "\n";
        stored = std::fwrite(line.data(), 1, line.size(), out) == line.size();
        stored = std::fflush(out) == 0 && FlushToDisk(out) && stored;
        stored = std::fclose(out) == 0 && stored;
    }
    if (!stored || !MoveOver(temporary, real_file_)) {
        RemoveFile(temporary);
        error = "Файл серийных номеров " + Quoted(*file_) + " не удаётся записать";
        return false;
    }
    return true;
}

}  // namespace dspprog
