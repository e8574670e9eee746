// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers written as text: the catalogue's lenient reading of its fields, and
// the strict reading of a number someone typed on a command line.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dspprog {

// The value of one hexadecimal digit of either case; -1 for any other character.
int HexDigitValue(char c);

// `digits` as a number in `base` (10 or 16): digits of that base and nothing
// else, at most `max`. nullopt for an empty text, any other character, or a
// value past `max`.
std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base, std::uint64_t max);

// Whole-text integer conversion with default 0: leading blanks, then a signed
// decimal or a "$", "x", "X", "0x", "0X" hexadecimal; anything else gives 0.
// The caller cuts the result to its field's width.
std::int64_t IntegerFromText(const std::string& text);

}  // namespace dspprog
