// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Going on by itself when the operator swaps the chip in the socket.

#include <cstdint>
#include <optional>

#include "catalogue/chip_record.h"
#include "operations/session.h"

namespace dspprog {

// The longest the socket is left unexamined, and the shortest time between
// two looks: twice a second is quick enough for a person and leaves the
// programmer and the CPU idle in between.
inline constexpr std::uint64_t kChipSwapPollMs = 500;

// Returns once the chip has been taken out (identification finds no chip the
// catalogue knows) and a chip of `row` put in (any catalogued chip without
// `row`). Sleeps on the link's clock between looks; logs nothing.
void WaitForChipSwap(Session& session, const std::optional<ChipRecord>& row);

}  // namespace dspprog
