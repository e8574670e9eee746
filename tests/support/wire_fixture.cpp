// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/wire_fixture.h"

#include <cstdio>

namespace dspprog::testing {

std::vector<std::string> WireBench::WireLines() const {
    std::vector<std::string> lines;
    for (const emu::WireBlock& block : firmware.wire())
        lines.push_back(emu::FormatWireLine(block));
    return lines;
}

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

}  // namespace dspprog::testing
