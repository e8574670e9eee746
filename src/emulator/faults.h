// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ways the emulated programmer can be told to misbehave.

#include <array>
#include <cstdint>
#include <set>
#include <string>

#include "emulator/pipe_role.h"

namespace dspprog::emu {

struct Faults {
    std::set<std::uint8_t> refuse;           // opcodes answered with a non-zero status
    std::set<std::uint8_t> fail_completion;  // opcodes whose completion reply reports failure
    // Write opcodes whose data blocks the chip does not take: a write that
    // fails leaves the chip as it was, and the verify after it finds that.
    std::set<std::uint8_t> unwritten;
    // Per pipe: transfers from the n-th one on (0-based, counting the pipe's
    // completed transfers) never complete. -1: never.
    std::array<long, kPipeCount> stall_from{-1, -1, -1, -1};
    // Per pipe: transfers from the n-th one on move only part of the block
    // (64 bytes of a longer block, half of a block of 64 or less). -1: never.
    std::array<long, kPipeCount> short_from{-1, -1, -1, -1};
    std::uint32_t stuck = 0;          // bytes that keep `stuck_value` after an erase
    std::uint8_t stuck_value = 0x00;  // what they read: never 0xFF, which would pass as erased
    // Total completed transfers (all pipes) after which the device vanishes. -1: never.
    long disconnect_after = -1;
    // From the n-th command on (0-based, counting every command block the
    // programmer takes), identification answers with `reident` as reply bytes
    // 1..15 instead of the chip's own: a chip swapped in the socket. -1: never.
    long reident_from = -1;
    std::array<std::uint8_t, 15> reident{};
};

// Parses one fault word: refuse:OP | fail:OP | stall:PIPE[@N] | short:PIPE[@N] |
// stuck:N[=VV] | unplug@N | ident:CODE[@N]. OP is a hex opcode ("83"), PIPE a
// pipe name, CODE four hex digits (manufacturer, device), VV the two hex digits
// the stuck bytes read (00 when not given). False on a malformed word, with
// `error` saying why. fail:OP of a write opcode (B0, C0) also leaves the
// chip unwritten.
bool ParseFault(const std::string& word, Faults& faults, std::string& error);

}  // namespace dspprog::emu
