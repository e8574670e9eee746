// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where several reads of one chip disagree: weak cells, a loose contact, a
// chip that moved. Each pass is the whole chip, in the same order.

#include <cstdint>
#include <span>
#include <vector>

namespace dspprog {

struct UnstableBytes {
    static constexpr std::size_t kShown = 16;
    struct Byte {
        std::uint32_t address;
        std::vector<std::uint8_t> values;  // what each pass read there, the first first
    };
    std::uint32_t count = 0;  // addresses where a later pass differs from the first
    std::uint8_t bits = 0;    // every bit that differed from the first pass anywhere
    std::vector<Byte> first;  // the lowest kShown of those addresses
};

// Compares every later pass, each as long as the first, with the first.
UnstableBytes FindUnstableBytes(std::span<const std::uint8_t> first,
                                std::span<const std::vector<std::uint8_t>> later);

}  // namespace dspprog
