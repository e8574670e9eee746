// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/bytes.h"

namespace dspprog::testing {

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed) {
    std::vector<std::uint8_t> bytes(size);
    // The high bits of the offset vary the pattern between 4096-byte blocks.
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 131 + seed) ^ (i >> 9));
    return bytes;
}

}  // namespace dspprog::testing
