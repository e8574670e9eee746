// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A raw image: the chip's bytes as they are, exactly the chip's size.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "image/image_encoder.h"
#include "image/image_format.h"

namespace dspprog {

// `content` as the chip's bytes. A raw image has no addresses to shift, so
// it takes no offset, and it must be exactly `chip_size` bytes.
std::optional<ImageDefect> ConvertRawImage(std::string_view content, std::uint32_t chip_size,
                                           std::uint32_t offset, std::vector<std::uint8_t>& chip);

// Writes the bytes as they are; the offset plays no part.
std::unique_ptr<ImageEncoder> MakeRawEncoder(std::uint32_t chip_size, std::uint32_t offset);

}  // namespace dspprog
