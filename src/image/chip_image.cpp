// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/chip_image.h"

#include <algorithm>

#include "image/record_text.h"

namespace dspprog {

ChipImage::ChipImage(std::uint32_t chip_size, std::uint32_t offset)
    : offset_(offset),
      // A chip that would reach past 4 GB keeps only what the 32-bit address
      // space can name; ConvertImage refuses such an offset anyway.
      end_(std::min<std::uint64_t>(std::uint64_t{offset} + chip_size, std::uint64_t{1} << 32)),
      size_(chip_size) {}

std::optional<std::string> ChipImage::Place(std::uint64_t address, const std::uint8_t* bytes,
                                            std::size_t size) {
    if (size == 0) return std::nullopt;
    if (address < offset_) {
        return "данные по адресу " + HexAddress(address) + " лежат ниже смещения " +
               HexAddress(offset_);
    }
    if (address + size > end_) {
        return "данные по адресу " + HexAddress(std::max(address, end_)) +
               " лежат за концом чипа (" + HexAddress(size_) + " байт)";
    }
    const std::size_t start = static_cast<std::size_t>(address - offset_);
    if (start + size > bytes_.size()) {
        bytes_.resize(start + size, 0xFF);
        given_mask_.resize(start + size, 0);
    }
    std::uint8_t* to = bytes_.data() + start;
    std::uint8_t* mask = given_mask_.data() + start;
    // Nearly always the record lands where none has: nothing to compare.
    if (std::find(mask, mask + size, std::uint8_t{1}) == mask + size) {
        std::copy(bytes, bytes + size, to);
        std::fill(mask, mask + size, std::uint8_t{1});
        given_ += size;
        return std::nullopt;
    }
    // Check before keeping anything, so that a refused record leaves no trace.
    std::size_t fresh = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (!mask[i]) {
            ++fresh;
        } else if (to[i] != bytes[i]) {
            return "адрес " + HexAddress(address + i) +
                   " получает два значения: " + HexByte(to[i]) + " и " + HexByte(bytes[i]);
        }
    }
    std::copy(bytes, bytes + size, to);
    std::fill(mask, mask + size, std::uint8_t{1});
    given_ += fresh;
    return std::nullopt;
}

std::vector<std::uint8_t> ChipImage::TakeBytes() {
    std::vector<std::uint8_t> bytes;
    bytes_.resize(size_, 0xFF);
    bytes.swap(bytes_);
    given_mask_.clear();
    given_ = 0;
    return bytes;
}

void ChipImage::TakeGiven(std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& given) {
    bytes.clear();
    given.clear();
    bytes.swap(bytes_);
    given.swap(given_mask_);
    given_ = 0;
}

}  // namespace dspprog
