// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image files: the chip's raw content, in whole 4096-byte records.

#include <cstdint>
#include <cstdio>
#include <string>

#include "operations/session.h"

namespace dspprog {

// Size of the ordinary file `name`, or -1 when there is none (directories and
// hidden files count as none).
std::int32_t FileSizeByName(const std::string& name);

// Whether `name`, given as an image to send or compare with, can be read, or
// what keeps it from it.
enum class ImageFileAccess {
    Readable,
    Missing,      // nothing of that name
    Hidden,       // there is one, but hidden files count as none
    NotOrdinary,  // a directory, device, pipe or the like
    Unreadable,   // an ordinary file that cannot be opened for reading
};
ImageFileAccess CheckImageFile(const std::string& name);

// The image file a read creates. Never replaces or truncates an existing file.
class OutputImageFile {
public:
    OutputImageFile() = default;
    ~OutputImageFile();
    OutputImageFile(const OutputImageFile&) = delete;
    OutputImageFile& operator=(const OutputImageFile&) = delete;

    // Creates `name` new; false when it exists already or cannot be created.
    bool CreateNew(const std::string& name);
    // Writes one record; on failure shows "Ошибка при записи выходного файла"
    // and ends the program.
    void WriteFileBlock(const DataBlock& block, Operator& op);
    // Writes text (a HEX or S-record file's lines) the same way.
    void WriteText(const std::string& text, Operator& op);
    // Closes the finished file. A file system that reports an error only now
    // (network and FUSE file systems may) has not kept the content: that is
    // the same box and end as a failed record.
    void Finish(Operator& op);
    // Closes without a verdict, for a file given up on. False when closing failed.
    bool Close();
    bool is_open() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
};

// The image file a write sends and verifies against.
class InputImageFile {
public:
    InputImageFile() = default;
    ~InputImageFile();
    InputImageFile(const InputImageFile&) = delete;
    InputImageFile& operator=(const InputImageFile&) = delete;

    bool Open(const std::string& name);
    // Reads the next record; on failure or a short record shows "Ошибка при
    // чтении входного файла" and ends the program.
    void ReadFileBlock(DataBlock& block, Operator& op);
    // Appends what is left of the file to `content`, but no more than `limit`
    // bytes and one: a file that holds more shows as longer than `limit`.
    // False on a read error.
    bool ReadRest(std::string& content, std::size_t limit);
    void Close();
    bool is_open() const { return file_ != nullptr; }

private:
    std::FILE* file_ = nullptr;
};

}  // namespace dspprog
