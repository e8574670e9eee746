// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image files on the disk: the one a read creates and the one a write sends.
// They move in the transfer's 4096-byte blocks or as text (a HEX or S-record
// file's lines); which form the content is in is the business of image/. A
// read's file is created under a temporary name and named only once it is
// whole, so that no partial or replaced file is ever left under a chosen name.

#include <cstdint>
#include <cstdio>
#include <string>

#include "operations/session.h"
#include "operations/unfinished_file_watch.h"

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

// The line that tells the operator a read did not finish and which file
// holds what it did read.
std::string IncompleteReadLine(const std::string& kept_in);

// The image file a read creates. The content goes to a hidden temporary file
// beside the chosen name and takes that name only once the read has
// succeeded, so the chosen name never holds a partial image. Never replaces
// or truncates an existing file.
class OutputImageFile {
public:
    // `watch`, when given, is told where the temporary is while it exists.
    explicit OutputImageFile(UnfinishedFileWatch* watch = nullptr) : watch_(watch) {}
    // Keeps what was written and not yet named or abandoned as NAME.part,
    // without a word in the log: the caller is expected to have abandoned it.
    ~OutputImageFile();
    OutputImageFile(const OutputImageFile&) = delete;
    OutputImageFile& operator=(const OutputImageFile&) = delete;

    // False when `name` exists in any form, or nothing can be created beside it.
    bool CreateNew(const std::string& name);
    // Writes one record; on failure keeps what was written (see Abandon),
    // shows "Ошибка при записи выходного файла" and ends the program.
    void WriteFileBlock(const DataBlock& block, Operator& op);
    // Writes text (a HEX or S-record file's lines) the same way.
    void WriteText(const std::string& text, Operator& op);
    // Puts the content on the disk and closes the file. A file system that
    // reports an error only now (network and FUSE file systems may) has not
    // kept the content: that is the same box and end as a failed record.
    void Finish(Operator& op);
    // Gives the finished file the chosen name. False, with the file still
    // waiting for Abandon, when that name has been taken meanwhile.
    bool Keep();
    // The read did not succeed: what was written goes under NAME.part (or,
    // when that name is taken, stays under the temporary name) and the log
    // says where. When nothing was written, nothing is kept or logged.
    void Abandon(Operator& op);
    bool is_open() const { return file_ != nullptr; }

private:
    void Write(const void* data, std::size_t size, Operator& op);
    bool CloseFile();
    // Where what was written now is; empty when nothing is kept.
    std::string Leave() noexcept;

    UnfinishedFileWatch* watch_ = nullptr;
    std::FILE* file_ = nullptr;
    std::string name_;
    std::string temporary_;
    std::uintmax_t written_ = 0;
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
