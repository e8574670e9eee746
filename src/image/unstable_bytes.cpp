// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/unstable_bytes.h"

#include <algorithm>
#include <cassert>

namespace dspprog {

UnstableBytes FindUnstableBytes(std::span<const std::uint8_t> first,
                                std::span<const std::vector<std::uint8_t>> later) {
    UnstableBytes unstable;
    assert(std::all_of(later.begin(), later.end(), [&](const std::vector<std::uint8_t>& pass) {
        return pass.size() == first.size();
    }));
    for (std::size_t address = 0; address < first.size(); ++address) {
        std::uint8_t flipped = 0;
        for (const std::vector<std::uint8_t>& pass : later)
            flipped |= static_cast<std::uint8_t>(pass[address] ^ first[address]);
        if (flipped == 0) continue;
        ++unstable.count;
        unstable.bits |= flipped;
        if (unstable.first.size() == UnstableBytes::kShown) continue;
        UnstableBytes::Byte byte{static_cast<std::uint32_t>(address), {first[address]}};
        for (const std::vector<std::uint8_t>& pass : later) byte.values.push_back(pass[address]);
        unstable.first.push_back(std::move(byte));
    }
    return unstable;
}

}  // namespace dspprog
