// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sums people compare an image by: the 16-bit sum printed on a chip's
// label, and the CRC-32 and SHA-1 that ROM sets list, with SHA-256 beside.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace dspprog {

struct ImageSums {
    std::uint16_t sum16 = 0;  // the bytes added modulo 65536
    std::uint32_t crc32 = 0;  // zlib's (ISO-HDLC) CRC-32
    std::array<std::uint8_t, 20> sha1{};
    std::array<std::uint8_t, 32> sha256{};
};

// The two cheap ones alone, for records that keep only these.
std::uint16_t Sum16(std::span<const std::uint8_t> bytes);
std::uint32_t Crc32(std::span<const std::uint8_t> bytes);

// All four sums of `bytes`.
ImageSums ComputeSums(std::span<const std::uint8_t> bytes);

// "  Сумма-16: XXXX", "  CRC-32: XXXXXXXX", "  SHA-1: <lower-case hex>",
// "  SHA-256: <lower-case hex>", in that order: the sums as upper-case hex
// the way the log writes numbers, the digests as sha1sum and sha256sum print
// them.
std::vector<std::string> SumLines(const ImageSums& sums);

}  // namespace dspprog
