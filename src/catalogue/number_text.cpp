// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/number_text.h"

#include <limits>

#include "base/digits.h"

namespace dspprog {

std::int64_t IntegerFromText(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n && text[i] == ' ') ++i;
    if (i == n) return 0;

    bool hex = false;
    if (text[i] == '$' || text[i] == 'x' || text[i] == 'X') {
        hex = true;
        ++i;
    } else if (text[i] == '0' && i + 1 < n && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }

    if (hex) {
        // Hexadecimal takes the full 32 bits and wraps into the signed range,
        // so "$FFFFFFFF" is -1; a value that needs more bits does not convert.
        if (i == n) return 0;
        std::uint64_t value = 0;
        for (; i < n; ++i) {
            const int digit = HexDigitValue(text[i]);
            if (digit < 0) return 0;
            value = value * 16 + static_cast<std::uint64_t>(digit);
            if (value > 0xFFFFFFFFu) return 0;
        }
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }

    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    if (i == n) return 0;
    // The magnitude may reach 2^31 only for a negative number.
    const std::uint64_t limit =
        static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max()) + (negative ? 1 : 0);
    std::uint64_t value = 0;
    for (; i < n; ++i) {
        if (text[i] < '0' || text[i] > '9') return 0;
        value = value * 10 + static_cast<std::uint64_t>(text[i] - '0');
        if (value > limit) return 0;
    }
    const auto magnitude = static_cast<std::int64_t>(value);
    return negative ? -magnitude : magnitude;
}

}  // namespace dspprog
