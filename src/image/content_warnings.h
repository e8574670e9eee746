// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a whole chip's bytes say about the way they reached the programmer: a
// data line that never changes, an upper half that only mirrors the lower, a
// socket that answers nothing but zeros. None of these proves a fault; each is
// a reason to look at the chip's seat before trusting the dump.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dspprog {

struct ContentWarning {
    enum class Kind {
        DataBit,         // one data line reads the same in every byte
        MirroredHalves,  // the upper half of the chip repeats the lower
        AllZero,         // every byte reads 00h
    } kind;
    int bit = 0;    // DataBit: the line, 0 for D0 to 7 for D7
    int value = 0;  // DataBit: what it reads everywhere, 0 or 1
    // The sentence for the operator, without the log's indentation.
    std::string text;
};

// The warnings a chip reading `chip` (its whole content) deserves, in this
// order: all zero; each data line, D0 first; the mirrored halves. A blank
// chip (all FFh) gets none, and neither does content such as compiled code,
// text or random data, whatever its length and padding.
std::vector<ContentWarning> CheckContent(std::span<const std::uint8_t> chip);

}  // namespace dspprog
