// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The image a write sends and a verify compares with, block by block. A raw
// file of exactly the chip's size is read from the disk record by record, as
// it always was; any other image (Intel HEX, S-record, a short raw image to be
// padded, or files to arrange) is made by the image pipeline when it is
// opened.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/image_format.h"
#include "image/image_pipeline.h"
#include "operations/image_file.h"
#include "operations/session.h"

namespace dspprog {

// How a file becomes the chip's bytes.
struct ImageReading {
    // The form the file was found in when it was chosen: one file taken as
    // it is is read in it.
    ImageFormat format = ImageFormat::Raw;
    std::uint32_t chip_size = 0;
    std::uint32_t offset = 0;  // the file address of chip offset 0 (HEX, S-record)
    bool pad = false;          // a raw image shorter than the chip is filled with 0xFF
    // With anything to arrange, the files are placed, swapped and split
    // into the chip's bytes when the image is opened.
    ImageLayout layout;
    // The form the operator named for every file; without it each file's
    // content, then its name, decide.
    std::optional<ImageFormat> forced_format;
    std::optional<ImagePatch> patch;  // laid over the chip's bytes (inside the chip)
    // Where the files' bytes come from; empty: the disk.
    ImageFileReader read;
};

// How many bytes the arranged image has before its lane is taken: the
// chip's size times the lanes.
std::uint64_t ArrangedSize(const ImageReading& reading);

class ImageInput {
public:
    enum class Opened {
        Ready,
        CannotOpen,  // the file cannot be opened or read
        Refused,     // the content is no image of the chip: see RefusalLine()
    };

    // Opens `name`, to be read from its first block on. A file that only
    // streams (a raw image of the chip's size) is opened, nothing more; any
    // other is made into the chip's bytes now.
    Opened Open(const std::string& name, const ImageReading& reading);
    // Opens the same file the same way again, from the disk: what is
    // compared is the file as it is now.
    Opened Reopen() { return Open(std::string(name_), ImageReading(reading_)); }
    // The log line that says why the image was refused.
    std::string RefusalLine() const;

    // The next block of the chip's bytes. A file that cannot be read shows
    // "Ошибка при чтении входного файла" and ends the program.
    void ReadBlock(DataBlock& block, Operator& op);
    void Close();

private:
    std::string name_;
    ImageReading reading_;
    InputImageFile file_;
    std::vector<std::uint8_t> bytes_;  // the image made, when there is one
    std::size_t next_ = 0;
    bool converted_ = false;
    ImageRefusal refusal_;  // why the last image was refused
};

// "  Ошибка в файле "NAME", строка N: REASON" (without the line part for a
// defect of the whole file).
std::string ImageDefectLine(const std::string& name, const ImageDefect& defect);

}  // namespace dspprog
