// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/serial_source.h"

#include <cstdio>
#include <limits>

#include "base/digits.h"
#include "base/file_lock.h"
#include "base/utf8_file.h"
#include "base/utf8_path.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define DSPPROG_FDOPEN _fdopen
#define DSPPROG_CLOSE _close
#else
#include <unistd.h>
#define DSPPROG_FDOPEN fdopen
#define DSPPROG_CLOSE close
#endif

namespace dspprog {
namespace {

// `from` takes the place of `to` in one step.
bool ReplaceFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    return MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(from.c_str(), to.c_str()) == 0;
#endif
}

std::string Quoted(const std::string& name) {
    return "'" + name + "'";
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
    // refused while the first holds the lock, which its end lets go of.
    const std::string lock = *file + ".lock";
    FileLock::Outcome outcome = FileLock::Outcome::CannotOpen;
    source->lock_ = FileLock::Acquire(lock, outcome);
    if (!source->lock_) {
        error = outcome == FileLock::Outcome::Busy
                    ? "serial file " + Quoted(*file) + " is in use by another run"
                    : "cannot lock the serial file " + Quoted(*file) + " (" + Quoted(lock) +
                          " cannot be opened)";
        return nullptr;
    }
    source->file_ = file;

    if (std::FILE* in = OpenForReading(*file)) {
        const std::optional<std::uint64_t> number = ReadNumber(in);
        std::fclose(in);
        if (!number) {
            error = "serial file " + Quoted(*file) + " must hold one decimal number";
            return nullptr;
        }
        source->next_ = *number;
    } else if (FilePresent(*file)) {
        error = "cannot read the serial file " + Quoted(*file);
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
        error = "the serial numbers have run out";
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
    const std::string temporary = *file_ + ".tmp";
    RemoveFile(temporary);
    const int fd = CreateExclusive(temporary);
    std::FILE* out = fd < 0 ? nullptr : DSPPROG_FDOPEN(fd, "wb");
    if (out == nullptr && fd >= 0) DSPPROG_CLOSE(fd);
    bool stored = out != nullptr;
    if (out != nullptr) {
        const std::string line = std::to_string(next_) + "\n";
        stored = std::fwrite(line.data(), 1, line.size(), out) == line.size();
        stored = std::fflush(out) == 0 && FlushToDisk(out) && stored;
        stored = std::fclose(out) == 0 && stored;
    }
    if (!stored || !ReplaceFile(temporary, *file_)) {
        RemoveFile(temporary);
        error = "cannot write the serial file " + Quoted(*file_);
        return false;
    }
    return true;
}

}  // namespace dspprog
