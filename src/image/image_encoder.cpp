// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/image_encoder.h"

#include "image/image_format_table.h"

namespace dspprog {

std::unique_ptr<ImageEncoder> MakeImageEncoder(ImageFormat format, std::uint32_t chip_size,
                                               std::uint32_t offset) {
    return ImageFormatRowOf(format).make_encoder(chip_size, offset);
}

std::string EncodeImage(ImageFormat format, std::span<const std::uint8_t> bytes) {
    const auto encoder = MakeImageEncoder(format, static_cast<std::uint32_t>(bytes.size()));
    return encoder->Begin() + encoder->Data(0, bytes.data(), bytes.size()) + encoder->End();
}

}  // namespace dspprog
