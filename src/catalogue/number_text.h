// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers written as text the catalogue's way: lenient, with a default. The
// strict reading of a typed number is in base/digits.h.

#include <cstdint>
#include <string>

namespace dspprog {

// Whole-text integer conversion with default 0: leading blanks, then a signed
// decimal or a "$", "x", "X", "0x", "0X" hexadecimal; anything else gives 0.
// The caller cuts the result to its field's width.
std::int64_t IntegerFromText(const std::string& text);

}  // namespace dspprog
