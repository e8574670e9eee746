// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every fuzz target checks of the text a reader hands on.

#include <cstddef>
#include <string_view>

// Ends the run as a crash the fuzzer records.
inline void Require(bool condition) {
    if (!condition) __builtin_trap();
}

// Texts go into a UTF-8 log: whatever a reader makes of damaged input must
// still be valid UTF-8.
inline bool ValidUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        if (lead < 0x80) {
            length = 1;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        i += length;
    }
    return true;
}
