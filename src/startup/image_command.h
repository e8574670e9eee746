// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Arranging an image without a programmer: the files placed, swapped and
// split (or lanes interleaved), written to a new file, with its sums.

#include <optional>
#include <string>

#include "image/image_format.h"
#include "image/image_pipeline.h"
#include "operations/operator.h"

namespace dspprog {

// The recipe of the image and the new file it goes to. Made without a chip:
// its refusals are all sentences that name their file.
struct ImageRequest : ImageRecipe {
    std::string output;
    std::optional<ImageFormat> format;  // else the output's name decides
};

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
