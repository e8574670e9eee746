// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The 16-byte command block and the byte rules of every command variant.
//
// A fill sets only the bytes its command names; every other byte keeps what
// the previous command left there. Nothing ever clears a block as a whole.

#include <array>
#include <cstdint>

namespace dspprog {

using Block16 = std::array<std::uint8_t, 16>;

// Firmware opcodes.
inline constexpr std::uint8_t kGetIdent = 0x80;
inline constexpr std::uint8_t kBurstRead = 0x83;
inline constexpr std::uint8_t kEraseChip = 0xA0;       // Type 255 erase
inline constexpr std::uint8_t kEraseChipFC00 = 0xD0;   // Type 0xFC00 erase
inline constexpr std::uint8_t kWriteChip = 0xB0;       // algorithm write, Type 255
inline constexpr std::uint8_t kWriteChipPulse = 0xC0;  // pulse write, Types 0xFC00/0xFD00/0xFE00

// Chip type codes.
inline constexpr std::uint16_t kType255 = 0x00FF;
inline constexpr std::uint16_t kTypeFC00 = 0xFC00;
inline constexpr std::uint16_t kTypeFD00 = 0xFD00;
inline constexpr std::uint16_t kTypeFE00 = 0xFE00;

// Start address of a chip of `size` bytes: 0x80000 - size, so every chip ends
// at the top of the programmer's 512 KB address window (0 for 524288). Sizes
// other than the seven powers of two from 8192 to 524288 stop the program.
std::uint32_t CalcAddres(std::uint32_t size);

// Bytes 1 to 3 from the start address of a chip of `size` bytes; byte 3 loses
// every flag an earlier command left and gets bit 7.
void FillAddress(Block16& cmd, std::uint32_t size);

void FillGetIdent(Block16& cmd);                         // byte 0
void FillBurstRead(Block16& cmd, std::uint32_t size);    // bytes 0..3
void FillVerifyRead(Block16& cmd, std::uint32_t size);   // bytes 0..15

// Erase, Type 255: bytes 0 and 5..7 (after the address fill).
void FillErase255(Block16& cmd);
// Erase, Type 0xFC00: bytes 0 and 5..7, and the size flags in byte 3. False
// (bytes 0 and 5..7 set all the same) when the size is neither 32768 nor 65536.
bool FillEraseFC00(Block16& cmd, std::uint32_t size);
// Byte 4 and the 0x10 flag from tErase; false when tErase is not 4, 5, 0x84 or 0x85.
bool FillEraseMode(Block16& cmd, std::uint8_t t_erase);

// Algorithm write, Type 255: bytes 0..3, then byte 4 from tWrite. False when
// tWrite is not 1..4 or 0x81..0x84; bytes 0..3 are filled all the same.
bool FillAlgorithmWrite(Block16& cmd, std::uint32_t size, std::uint8_t t_write);

// Pulse write, Types 0xFC00, 0xFD00, 0xFE00: bytes 0..9.
void FillPulseWrite(Block16& cmd, std::uint32_t size, std::uint16_t type);

// SizeClass of the pulse write and its byte 3 flag.
struct SizeClass {
    std::uint8_t value;
    std::uint8_t flag;
};
SizeClass PulseSizeClass(std::uint32_t size);

}  // namespace dspprog
