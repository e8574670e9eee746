// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Images: the three file forms, and the pipeline that makes a chip's bytes
// from files or buffers (placed, swapped, split, filled, a serial number laid
// over them), the same one a write and dspprog-cli's image command use.
// Every function throws BadInput with the reason when it cannot do its work.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dspprog/export.h"

namespace dspprog {
inline namespace v0 {

using Bytes = std::vector<std::uint8_t>;

enum class ImageFormat {
    Raw,       // the bytes as they are
    IntelHex,  // Intel HEX (.hex)
    SRecord,   // Motorola S-record (.s19, .s28, .s37, .srec)
};

// The 16-bit sum (bytes added modulo 65536) and zlib's CRC-32.
struct Sums {
    std::uint16_t sum16 = 0;
    std::uint32_t crc32 = 0;
};
DSPPROG_API Sums SumsOf(std::span<const std::uint8_t> bytes);

// The form a file's content is in, from the content alone.
DSPPROG_API ImageFormat RecogniseFormat(std::span<const std::uint8_t> content);

// A file's content in `format` made into `size` bytes: a HEX or S-record
// address A lands at A - offset, bytes no record gives are 0xFF; raw
// content must be exactly `size` bytes.
DSPPROG_API Bytes DecodeImage(std::span<const std::uint8_t> content, ImageFormat format,
                              std::uint32_t size, std::uint32_t offset = 0);
// `bytes` as the content of a file in `format`, byte 0 at file address `offset`.
DSPPROG_API Bytes EncodeImage(std::span<const std::uint8_t> bytes, ImageFormat format,
                              std::uint32_t offset = 0);

// The whole file (at most 64 MB), as it is.
DSPPROG_API Bytes ReadFileBytes(const std::string& path);
// Writes `bytes` encoded in `format` to a new file `path`. An existing file
// is replaced only with `replace`; the file appears whole or not at all.
DSPPROG_API void WriteImageFile(const std::string& path, std::span<const std::uint8_t> bytes,
                                ImageFormat format, std::uint32_t offset = 0, bool replace = false);

// One input of an image: a file, or a buffer given a name for messages;
// placed at `address` when one is given.
struct ImageSource {
    std::string name;
    std::optional<Bytes> bytes;  // without it, the file `name` is read
    std::optional<std::uint32_t> address;
};

// A serial number laid over the image: `number` as `width` bytes at
// `address`, in `form` ("le", "be", "bcd-le", "bcd-be" or "ascii").
struct SerialNumber {
    std::uint32_t address = 0;
    std::uint64_t number = 0;
    std::uint32_t width = 4;
    std::string form = "le";
};

// How an image is made.
struct ImageRecipe {
    std::vector<ImageSource> sources;
    // The form of every source; without it each one's content, then its
    // name, decide.
    std::optional<ImageFormat> format;
    std::uint32_t offset = 0;  // the file address of image address 0 (HEX, S-record)
    std::uint8_t fill = 0xFF;  // what no source gives
    bool swap = false;         // swap the two bytes of every 16-bit word
    // Keep one byte lane of a 16- or 32-bit bus: bytes lane, lane + lanes, ...
    unsigned lanes = 1;
    unsigned lane = 0;
    bool interleave = false;  // the sources are the lanes, to be interleaved
    bool pad = false;         // a short raw image is filled with 0xFF up to the chip
    std::optional<SerialNumber> serial;
};

// The image `recipe` makes: for a chip of `chip_size` bytes exactly that
// many; without one, up to `size` or the last byte given.
DSPPROG_API Bytes BuildImage(const ImageRecipe& recipe,
                             std::optional<std::uint32_t> chip_size = std::nullopt,
                             std::optional<std::uint64_t> size = std::nullopt);

}  // namespace v0
}  // namespace dspprog
