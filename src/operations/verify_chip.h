// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Comparing the chip with an image file, on its own ("Сравнить") and as the
// last step of a write.

#include <cstdint>
#include <vector>

#include "operations/button_operation.h"
#include "operations/image_input.h"
#include "operations/session.h"

namespace dspprog {

// Where the chip and the image differ.
struct Differences {
    struct Byte {
        std::uint32_t address;  // chip offset
        std::uint8_t chip;
        std::uint8_t file;
    };
    static constexpr std::size_t kShown = 16;

    std::uint32_t count = 0;
    std::vector<Byte> first;  // the first kShown of them, in address order
    // The chip's whole content, kept only when its sums are to be printed.
    std::vector<std::uint8_t> chip;
};

// After an accepted verify kBurstRead: reads the chip's Size / 4096 blocks
// from MainIn and compares each with the image's next block, then reads the
// completion reply (its status is not examined: the bytes decide).
Differences CompareWithImage(Session& session, ImageInput& image);

// The verdict: `equal` when nothing differs; else "  Чип имеет: N ошибок(у/и)"
// and a line for each of the first differing addresses
// ("  Адрес 0x00001A: в чипе 0xFF, в файле 0x00"), then "  ... и ещё N" for
// the rest.
// and the lines of the chip's sums when there are any: when the chip differs,
// under "  Суммы чипа:", followed by the file's (`file`) under "  Суммы файла:".
void LogDifferences(Operator& op, const Differences& differences,
                    const std::vector<std::uint8_t>& file, const char* equal);

// The "Сравнить" button: identifies the chip, lets the operator pick an image
// file (the write's rules), reads the chip with the verify form of the burst
// read and compares. Succeeded only when every byte is equal.
extern const ButtonOperation kCompareButton;
Outcome VerifyChip(Session& session);

}  // namespace dspprog
