// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One block that crossed the wire, as the emulated programmer records it.

#include <cstdint>
#include <string>
#include <vector>

#include "emulator/pipe_role.h"

namespace dspprog::emu {

struct WireBlock {
    PipeRole pipe;
    std::vector<std::uint8_t> bytes;
};

// "<pipe> <bytes as upper-case hex pairs separated by single spaces>"
std::string FormatWireLine(const WireBlock& block);

}  // namespace dspprog::emu
