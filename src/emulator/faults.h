// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ways the emulated programmer can be told to misbehave.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
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
    // Chip offsets of weak cells, each with the bits that flip on every read
    // of the chip: two reads in a row always differ there.
    std::map<std::uint32_t, std::uint8_t> flaky;
    // Data lines stuck whatever the chip drives: bits that read 0, bits that read 1.
    std::uint8_t data_low = 0;
    std::uint8_t data_high = 0;
    // Address lines that do not reach the chip: it sees them at 0.
    std::uint32_t open_address = 0;
};

// Parses one fault word: refuse:OP | fail:OP | stall:PIPE[@N] | short:PIPE[@N] |
// stuck:N[=VV] | unplug@N | ident:CODE[@N] | flaky:ADDR[:MASK] | pin:D<n>=0|1 |
// pin:A<n>. OP is a hex opcode ("83"), PIPE a pipe name, CODE four hex digits
// (manufacturer, device), VV the two hex digits the stuck bytes read (00 when
// not given); ADDR and MASK are decimal or 0x-prefixed hex (MASK 1 to 0xFF,
// 1 when not given), n 0 to 7 for a data line and 0 to 18 for an address
// line. False on a malformed word, with `error` saying why. fail:OP of a
// write opcode (B0, C0) also leaves the chip unwritten.
bool ParseFault(const std::string& word, Faults& faults, std::string& error);

// Why `faults` cannot apply to a chip of `chip_size` bytes (a weak cell or an
// address line beyond it); nothing when they can.
std::optional<std::string> FaultsMisfit(const Faults& faults, std::uint32_t chip_size);

}  // namespace dspprog::emu
