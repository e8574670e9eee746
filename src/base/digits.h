// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading digits strictly: what an operator typed on a command line and what
// an image file's records hold.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace dspprog {

// The value of each character as a hexadecimal digit; -1 where it is none.
// A table, since image files are read a digit at a time.
inline constexpr std::array<std::int8_t, 256> kHexDigitValues = [] {
    std::array<std::int8_t, 256> value{};
    value.fill(-1);
    for (int c = '0'; c <= '9'; ++c) value[c] = static_cast<std::int8_t>(c - '0');
    for (int c = 'A'; c <= 'F'; ++c) value[c] = static_cast<std::int8_t>(c - 'A' + 10);
    for (int c = 'a'; c <= 'f'; ++c) value[c] = static_cast<std::int8_t>(c - 'a' + 10);
    return value;
}();

// The value of one hexadecimal digit of either case; -1 for any other character.
inline int HexDigitValue(char c) {
    return kHexDigitValues[static_cast<unsigned char>(c)];
}

// `digits` as a number in `base` (10 or 16): digits of that base and nothing
// else, at most `max`. nullopt for an empty text, any other character, or a
// value past `max`.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base, std::uint64_t max);

// An address or a count as an operator types one: decimal digits, or "0x"/"0X"
// and hexadecimal digits of either case; at most 0xFFFFFFFF. Nothing for an
// empty text, a sign, blanks, any other character, or a value that does not
// fit 32 bits. Leading zeros of a decimal number do not make it octal.
std::optional<std::uint32_t> ParseNumber(std::string_view text);

}  // namespace dspprog
