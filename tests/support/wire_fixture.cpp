// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/wire_fixture.h"

namespace dspprog::testing {

std::vector<std::string> WireBench::WireLines() const {
    std::vector<std::string> lines;
    for (const emu::WireBlock& block : firmware.wire())
        lines.push_back(emu::FormatWireLine(block));
    return lines;
}

}  // namespace dspprog::testing
