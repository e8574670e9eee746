// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The emulated programmer's sense of time: a USB full-speed bulk link and the
// chip's erase and programming times. Off, everything happens at once.

#include <cstdint>

namespace dspprog::emu {

struct Timing {
    bool enabled = false;
    std::uint32_t packets_per_ms = 19;  // 64-byte bulk packets per 1 ms frame
    std::uint32_t erase_ms_flash = 1000;
    std::uint32_t program_us_per_byte_flash = 10;
    std::uint32_t program_us_per_byte_eprom = 50;
};

}  // namespace dspprog::emu
