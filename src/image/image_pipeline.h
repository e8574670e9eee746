// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way files become an image, for a write, a verify and the image
// command alike: every file read and its form recognised; the files placed
// (or one file taken as it is for the chip, a short raw one padded) or the
// lanes interleaved; the bytes swapped; the chip's lane kept; and the serial
// number laid over the result last, so that neither the swap nor the lane
// moves it and no way of making an image can leave it out.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "image/image_arrangement.h"
#include "image/image_format.h"

namespace dspprog {

// Bytes laid over the image at a chip address before it is written or
// compared with (a serial number).
struct ImagePatch {
    std::uint32_t address = 0;
    std::vector<std::uint8_t> bytes;
};

// The most an image file may hold: several times the text of the largest
// chip, and little enough to read whole.
inline constexpr std::uintmax_t kMaxImageFileBytes = 64u << 20;
// The largest image made without a chip and without a size.
inline constexpr std::uint64_t kMaxArrangedImage = 64u << 20;

// What an image is made of and how.
struct ImageRecipe {
    std::vector<PlacedName> inputs;  // the first file, then those placed beside it
    // The form every file is taken in; without it each file's content, then
    // its name, decide.
    std::optional<ImageFormat> forced_format;
    std::uint32_t offset = 0;  // the file address of image address 0 in a HEX or S-record file
    std::optional<std::uint64_t> size;  // without a chip; else up to the last byte given
    std::uint8_t fill = 0xFF;
    bool swap = false;
    ByteLane lane;
    // The inputs are the lanes of a 16- or 32-bit image, to be interleaved.
    bool interleave = false;
    bool pad = false;  // a raw image shorter than the chip is filled with 0xFF
    std::optional<ImagePatch> patch;
};

// Why a recipe gives no image.
struct ImageRefusal {
    enum class Kind {
        Unreadable,  // the one file taken as it is cannot be opened or read
        Defect,      // `defect` of the first file
        Problem,     // `problem`, one Russian sentence naming its file
    };
    Kind kind = Kind::Problem;
    ImageDefect defect;
    std::string problem;
};

// The whole file `name`, or a little more than kMaxImageFileBytes of a larger
// one; nothing when it cannot be opened or read.
std::optional<std::string> ReadImageFile(const std::string& name);
using ImageFileReader = std::function<std::optional<std::string>(const std::string& name)>;

// Makes the image `recipe` describes, its files read by `read`. For a chip
// of `chip_size` bytes the image is that size: the files are placed in the
// chip's size times the lanes before the chip's lane is kept, and one file
// at no address, neither swapped, split nor filled, is taken as it is in its
// form (a short raw one padded when the recipe says so). Without a chip the
// files are placed up to recipe.size or the last byte given, at most
// kMaxArrangedImage, and every refusal is a Problem. On success returns
// nothing and `image` holds the bytes.
std::optional<ImageRefusal> BuildImage(const ImageRecipe& recipe,
                                       std::optional<std::uint32_t> chip_size,
                                       std::vector<std::uint8_t>& image,
                                       const ImageFileReader& read = ReadImageFile);

}  // namespace dspprog
