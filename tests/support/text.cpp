// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/text.h"

#include <algorithm>
#include <cstdio>

namespace dspprog::testing {

std::string Hex(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    char pair[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, i ? " %02X" : "%02X", bytes[i]);
        text += pair;
    }
    return text;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

}  // namespace dspprog::testing
