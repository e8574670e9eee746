// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_encoder.h"

#include "image/image_format_table.h"

namespace dspprog {

std::unique_ptr<ImageEncoder> MakeImageEncoder(ImageFormat format, std::uint32_t chip_size,
                                               std::uint32_t offset) {
    return ImageFormatRowOf(format).make_encoder(chip_size, offset);
}

}  // namespace dspprog
