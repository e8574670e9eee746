// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text forms that tests compare against: bytes as the wire log writes them,
// and the search of a program's output for one whole line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dspprog::testing {

// "80 00 00 ..." for a block of bytes.
std::string Hex(const std::uint8_t* bytes, std::size_t count);
template <typename Container>
std::string Hex(const Container& c) {
    return Hex(c.data(), c.size());
}

// True when `line` is one of `lines`, whole.
bool Contains(const std::vector<std::string>& lines, const std::string& line);

}  // namespace dspprog::testing
