// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/wire_block.h"

#include <cstdio>

namespace dspprog::emu {

std::string FormatWireLine(const WireBlock& block) {
    std::string line = PipeName(block.pipe);
    char hex[4];
    for (std::uint8_t b : block.bytes) {
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    return line;
}

}  // namespace dspprog::emu
