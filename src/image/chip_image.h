// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the data records of a HEX or S-record file land: the chip's bytes,
// and which of them some record has given already.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dspprog {

class ChipImage {
public:
    // A chip of `chip_size` bytes whose first byte has the file address
    // `offset`; every byte 0xFF until a record gives it.
    ChipImage(std::uint32_t chip_size, std::uint32_t offset);

    // Gives `size` bytes from file address `address` on. Nothing when they
    // all land in the chip; otherwise the reason, naming the first address
    // that does not land (below the offset, past the chip's end, or one an
    // earlier record gave another value), and nothing is kept. Addresses
    // from 2^32 on lie past the end of every chip. Bytes given twice with
    // the same value are no defect.
    std::optional<std::string> Place(std::uint64_t address, const std::uint8_t* bytes,
                                     std::size_t size);

    // How many bytes the records have given (each address counted once).
    std::size_t given() const { return given_; }
    // The chip's bytes; the image is empty afterwards.
    std::vector<std::uint8_t> TakeBytes();
    // The bytes up to the last one any record gave, and beside each a 1 where
    // a record gave it; the image is empty afterwards. Memory grows only as
    // far as the records reach, so a large window with few records is cheap.
    void TakeGiven(std::vector<std::uint8_t>& bytes, std::vector<std::uint8_t>& given);

private:
    std::uint64_t offset_;
    std::uint64_t end_;  // the file address just past the chip
    std::size_t size_;   // the chip's size; bytes_ grows up to it
    std::vector<std::uint8_t> bytes_;
    std::vector<std::uint8_t> given_mask_;
    std::size_t given_ = 0;
};

}  // namespace dspprog
