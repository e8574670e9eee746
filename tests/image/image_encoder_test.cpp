// SPDX-License-Identifier: GPL-3.0-or-later
// Writing a chip as an image file block by block: the exact text of each
// form, and that every file reads back into the chip it came from.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "image/image_encoder.h"

namespace dspprog {
namespace {

std::vector<std::uint8_t> Counting(std::size_t size, std::uint8_t first = 0) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(first + i);
    return bytes;
}

// The whole file for `chip`, handed to the encoder the way a read does: in
// 4096-byte blocks at increasing offsets.
std::string Encode(ImageFormat format, const std::vector<std::uint8_t>& chip,
                   std::uint32_t offset) {
    const auto size = static_cast<std::uint32_t>(chip.size());
    auto encoder = MakeImageEncoder(format, size, offset);
    std::string file = encoder->Begin();
    for (std::uint32_t at = 0; at < size; at += 4096) {
        file += encoder->Data(at, chip.data() + at, std::min<std::uint32_t>(4096, size - at));
    }
    return file + encoder->End();
}

TEST(ImageEncoder, IntelHexLinesStopAtEach64KilobyteBoundary) {
    auto encoder = MakeImageEncoder(ImageFormat::IntelHex, 0x20000, 8);
    const std::vector<std::uint8_t> bytes = Counting(32);
    EXPECT_EQ(encoder->Begin(), "");
    EXPECT_EQ(encoder->Data(0xFFF0, bytes.data(), bytes.size()),
              ":08FFF8000001020304050607E5\r\n"
              ":020000040001F9\r\n"
              ":1000000008090A0B0C0D0E0F1011121314151617F8\r\n"
              ":0800100018191A1B1C1D1E1F0C\r\n");
    EXPECT_EQ(encoder->End(), ":00000001FF\r\n");
}

TEST(ImageEncoder, SRecordHeaderDataCountAndTermination) {
    auto encoder = MakeImageEncoder(ImageFormat::SRecord, 0x10000);
    const std::vector<std::uint8_t> bytes = Counting(16, 0xF0);
    EXPECT_EQ(encoder->Begin(), "S00A000064737070726F67F6\r\n");  // "dspprog"
    EXPECT_EQ(encoder->Data(0xFFF0, bytes.data(), bytes.size()),
              "S113FFF0F0F1F2F3F4F5F6F7F8F9FAFBFCFDFEFF85\r\n");
    EXPECT_EQ(encoder->End(), "S5030001FB\r\nS9030000FC\r\n");
}

TEST(ImageEncoder, SRecordKindIsTheSmallestForTheHighestAddress) {
    struct Case {
        std::uint32_t chip_size;
        std::uint32_t offset;
        const char* data_kind;
        const char* termination;
    };
    const std::vector<Case> cases = {
        {0x10000, 0, "S1", "S9030000FC\r\n"},
        {0x10000, 1, "S2", "S804000000FB\r\n"},
        {0x20000, 0, "S2", "S804000000FB\r\n"},
        {0x1000, 0xFFF000, "S2", "S804000000FB\r\n"},
        {0x1000, 0xFFF001, "S3", "S70500000000FA\r\n"},
        {0x80000, 0x08000000, "S3", "S70500000000FA\r\n"},
    };
    const std::uint8_t byte = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chip_size);
        auto encoder = MakeImageEncoder(ImageFormat::SRecord, c.chip_size, c.offset);
        EXPECT_EQ(encoder->Data(0, &byte, 1).substr(0, 2), c.data_kind);
        const std::string end = encoder->End();
        EXPECT_EQ(end.substr(end.find("\r\n") + 2), c.termination);
    }
}

TEST(ImageEncoder, EveryFormReadsBackIntoTheSameChip) {
    struct Case {
        ImageFormat format;
        std::uint32_t chip_size;
        std::uint32_t offset;
    };
    const std::vector<Case> cases = {
        {ImageFormat::Raw, 0x2000, 0},
        {ImageFormat::IntelHex, 0x2000, 0},
        {ImageFormat::IntelHex, 0x80000, 0},
        {ImageFormat::IntelHex, 0x20000, 0x1008},  // lines meet 64 KB boundaries mid-way
        {ImageFormat::IntelHex, 0x20000, 0xFFFE0000},
        {ImageFormat::SRecord, 0x10000, 0},
        {ImageFormat::SRecord, 0x80000, 0},
        {ImageFormat::SRecord, 0x20000, 0x08000000},
    };
    std::mt19937 random(7);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(ImageFormatName(c.format)) + " " + std::to_string(c.chip_size) +
                     " at " + std::to_string(c.offset));
        std::vector<std::uint8_t> chip(c.chip_size);
        for (auto& b : chip) b = static_cast<std::uint8_t>(random());
        std::fill(chip.begin() + 100, chip.begin() + 5000, std::uint8_t{0xFF});  // written too

        const std::string file = Encode(c.format, chip, c.offset);
        EXPECT_EQ(RecogniseImageFormat(file), c.format);
        std::vector<std::uint8_t> read;
        const std::optional<ImageDefect> defect =
            ConvertImage(file, c.format, c.chip_size, c.offset, read);
        ASSERT_FALSE(defect) << defect->line << ": " << defect->reason;
        EXPECT_EQ(read, chip);
    }
}

TEST(ImageEncoder, NoneWhenTheOffsetLeavesTheChipNoRoom) {
    EXPECT_EQ(MakeImageEncoder(ImageFormat::IntelHex, 0x20000, 0xFFFE0001), nullptr);
    EXPECT_EQ(MakeImageEncoder(ImageFormat::SRecord, 0x20000, 0xFFFE0001), nullptr);
    EXPECT_NE(MakeImageEncoder(ImageFormat::SRecord, 0x20000, 0xFFFE0000), nullptr);
}

}  // namespace
}  // namespace dspprog
