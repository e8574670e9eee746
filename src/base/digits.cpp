// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/digits.h"

namespace dspprog {

std::optional<std::uint64_t> ParseDigits(std::string_view digits, int base, std::uint64_t max) {
    if (digits.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : digits) {
        const int digit = base == 16 ? HexDigitValue(c) : (c >= '0' && c <= '9' ? c - '0' : -1);
        if (digit < 0) return std::nullopt;
        // Checked before it can overflow: (max - digit) / base is the largest
        // value that may still take another digit. A digit above max alone
        // is past it already (and would wrap the subtraction).
        if (static_cast<std::uint64_t>(digit) > max ||
            value > (max - static_cast<std::uint64_t>(digit)) / static_cast<std::uint64_t>(base))
            return std::nullopt;
        value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    return value;
}

std::optional<std::uint32_t> ParseNumber(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    const std::optional<std::uint64_t> value = ParseDigits(text, base, 0xFFFFFFFF);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
}

}  // namespace dspprog
