// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/raw_image.h"

#include <string>

#include "image/record_text.h"

namespace dspprog {
namespace {

class RawEncoder final : public ImageEncoder {
public:
    std::string Begin() override { return {}; }
    std::string Data(std::uint32_t, const std::uint8_t* bytes, std::size_t size) override {
        return std::string(reinterpret_cast<const char*>(bytes), size);
    }
    std::string End() override { return {}; }
};

}  // namespace

std::optional<ImageDefect> ConvertRawImage(std::string_view content, std::uint32_t chip_size,
                                           std::uint32_t offset, std::vector<std::uint8_t>& chip) {
    // An offset given for a raw image means the file is not what the
    // operator thinks it is.
    if (offset != 0) {
        return ImageDefect{0,
                           "смещение " + HexAddress(offset) + " не применимо к двоичному образу"};
    }
    if (content.size() != chip_size) {
        return ImageDefect{0, "размер двоичного образа " + HexAddress(content.size()) +
                                  " байт не равен размеру чипа (" + HexAddress(chip_size) +
                                  " байт)"};
    }
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(content.data());
    chip.assign(bytes, bytes + content.size());
    return std::nullopt;
}

std::unique_ptr<ImageEncoder> MakeRawEncoder(std::uint32_t, std::uint32_t) {
    return std::make_unique<RawEncoder>();
}

}  // namespace dspprog
