// SPDX-License-Identifier: GPL-3.0-or-later
#include "image/checksums.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "image/sha_digest.h"

namespace dspprog {
std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
    uLong crc = crc32(0L, Z_NULL, 0);
    // zlib takes a 32-bit length a call.
    for (std::size_t at = 0; at < bytes.size();) {
        const uInt piece = static_cast<uInt>(std::min<std::size_t>(bytes.size() - at, 1u << 30));
        crc = crc32(crc, bytes.data() + at, piece);
        at += piece;
    }
    return static_cast<std::uint32_t>(crc);
}

std::uint16_t Sum16(std::span<const std::uint8_t> bytes) {
    // Eight bytes at a time: the bytes of each word are added in four 16-bit
    // lanes (even and odd bytes apart), flushed before a lane can overflow.
    std::uint64_t sum = 0;
    std::size_t at = 0;
    while (bytes.size() - at >= 8) {
        const std::size_t words = std::min<std::size_t>((bytes.size() - at) / 8, 128);
        std::uint64_t lanes = 0;
        for (std::size_t w = 0; w < words; ++w, at += 8) {
            std::uint64_t word;
            std::memcpy(&word, bytes.data() + at, 8);
            lanes += (word & 0x00FF00FF00FF00FFu) + (word >> 8 & 0x00FF00FF00FF00FFu);
        }
        for (int lane = 0; lane < 4; ++lane) sum += lanes >> (16 * lane) & 0xFFFF;
    }
    for (; at < bytes.size(); ++at) sum += bytes[at];
    return static_cast<std::uint16_t>(sum);
}

namespace {

template <std::size_t N>
std::string LowerHex(const std::array<std::uint8_t, N>& digest) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * N);
    for (std::uint8_t byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

}  // namespace

ImageSums ComputeSums(std::span<const std::uint8_t> bytes) {
    ImageSums sums;
    sums.sum16 = Sum16(bytes);
    sums.crc32 = Crc32(bytes);
    sums.sha1 = Sha1Digest(bytes);
    sums.sha256 = Sha256Digest(bytes);
    return sums;
}

std::vector<std::string> SumLines(const ImageSums& sums) {
    char sum16[8];
    std::snprintf(sum16, sizeof sum16, "%04X", static_cast<unsigned>(sums.sum16));
    char crc[12];
    std::snprintf(crc, sizeof crc, "%08lX", static_cast<unsigned long>(sums.crc32));
    return {std::string("  Сумма-16: ") + sum16, std::string("  CRC-32: ") + crc,
            "  SHA-1: " + LowerHex(sums.sha1), "  SHA-256: " + LowerHex(sums.sha256)};
}

}  // namespace dspprog
