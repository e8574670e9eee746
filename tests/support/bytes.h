// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Chip contents for tests: bytes that differ from block to block and from
// seed to seed, so that a misplaced, repeated or lost block shows.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace dspprog::testing {

std::vector<std::uint8_t> Pattern(std::size_t size, unsigned seed = 0);

}  // namespace dspprog::testing
