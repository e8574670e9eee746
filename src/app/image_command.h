// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Arranging an image without a programmer: the files placed, swapped and
// split (or lanes interleaved), written to a new file, with its sums.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/image_arrangement.h"
#include "image/image_format.h"
#include "operations/operator.h"

namespace dspprog {

struct ImageRequest {
    std::vector<PlacedName> inputs;
    std::uint32_t offset = 0;  // the file address of image address 0 in a HEX or S-record file
    std::optional<std::uint64_t> size;  // else up to the last byte given
    std::uint8_t fill = 0xFF;
    bool swap = false;
    ByteLane lane;
    // The inputs are the lanes of a 16- or 32-bit image, to be interleaved.
    bool interleave = false;
    std::string output;
    std::optional<ImageFormat> format;  // else the output's name decides
};

// The largest image made without --size.
inline constexpr std::uint64_t kMaxArrangedImage = 64u << 20;

enum class ImageMade {
    Written,
    Refused,  // the inputs make no image, or OUT exists: `problem` says why
};

// Makes the image and writes it to the new file request.output (never
// replacing one); logs "  Образ: "OUT", N байт." (with the form's title for
// a HEX or S-record file) and the four sum lines. A file that cannot be
// written ends the program as a read's output file does.
ImageMade MakeImageFile(const ImageRequest& request, Operator& op, std::string& problem);

}  // namespace dspprog
