// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>

namespace dspprog {

// What the host knows of the chip in the socket: its identification bytes and
// what the catalogue says of them.
struct ChipRecord {
    std::uint8_t ManufCode = 0;
    std::uint8_t DevCode = 0;
    std::string Name;         // empty after a failed lookup
    std::uint16_t Type = 0;   // 255, 0xFC00, 0xFD00, 0xFE00
    std::uint8_t tErase = 0;  // erase algorithm; 0 = none
    std::uint8_t tWrite = 0;  // write algorithm of Type 255 chips
    std::uint32_t Size = 0;   // bytes; 0 after a failed lookup

    bool operator==(const ChipRecord&) const = default;
};

}  // namespace dspprog
