// SPDX-License-Identifier: GPL-3.0-or-later
// The content's warnings: every planted bad contact is named, and nothing else
// is, on random images of any length and padding, on blank chips and on real
// compiled code.

#include "image/content_warnings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <random>

#include "support/warning_names.h"

namespace dspprog {
namespace {

std::vector<std::string> Named(std::span<const std::uint8_t> chip) {
    return testing::WarningNames(CheckContent(chip));
}

using Names = std::vector<std::string>;

TEST(ContentWarnings, RandomImagesTripNothingAndEachPlantedContactIsNamedAlone) {
    std::mt19937 random(31);
    for (int n = 0; n < 1000; ++n) {
        // One draw per statement: the order of two in one expression is the
        // compiler's to choose.
        const std::uint32_t size = 8192u << (random() % 7);
        // Data of any length from one byte to the whole chip, short ones as
        // often as long ones, padded with FFh or 00h.
        const std::uint32_t longest = std::min(size, 2u << random() % 19);
        const auto length = static_cast<std::uint32_t>(1 + random() % longest);
        const std::uint8_t pad = random() % 2 ? 0xFF : 0x00;
        std::vector<std::uint8_t> chip(size, pad);
        for (std::uint32_t i = 0; i < length; ++i) chip[i] = static_cast<std::uint8_t>(random());
        // A few zero bytes padded with zeros are a chip of nothing but zeros.
        const bool all_zero = std::all_of(chip.begin(), chip.end(), [](auto b) { return b == 0; });
        ASSERT_EQ(Named(chip), all_zero ? Names{"zero"} : Names{})
            << "chip " << n << ": " << length << " of " << size;
        // The faults need enough data to show against: half the chip.
        if (length < size / 2) continue;
        const int bit = static_cast<int>(random() % 8);
        std::vector<std::uint8_t> low = chip;
        std::vector<std::uint8_t> high = chip;
        for (std::uint8_t& byte : low) byte &= static_cast<std::uint8_t>(~(1u << bit));
        for (std::uint8_t& byte : high) byte |= static_cast<std::uint8_t>(1u << bit);
        const std::string line = "D" + std::to_string(bit);
        EXPECT_EQ(Named(low), Names{line + "=0"}) << "chip " << n;
        EXPECT_EQ(Named(high), Names{line + "=1"}) << "chip " << n;
        if (size < 65536) continue;
        std::copy(chip.begin(), chip.begin() + size / 2, chip.begin() + size / 2);
        EXPECT_EQ(Named(chip), Names{"half"}) << "chip " << n;
    }
}

TEST(ContentWarnings, ChipsOfOneValue) {
    const struct {
        std::uint32_t size;
        std::uint8_t value;
        Names expected;
    } cases[] = {
        {8192, 0xFF, {}},                // blank
        {524288, 0xFF, {}},              // blank, and its halves alike
        {65536, 0x00, {"zero"}},         // nothing but zeros: no line named
        {131072, 0x7F, {"D7=0"}},        // blank through a line stuck at 0
        {8192, 0xF6, {"D0=0", "D3=0"}},  // ... through two
    };
    for (const auto& c : cases)
        EXPECT_EQ(Named(std::vector<std::uint8_t>(c.size, c.value)), c.expected)
            << c.size << " x " << int{c.value};
}

// Compiled code (coreutils' ls) at the start of chips of every size, padded
// with FFh or 00h, and text with its bit 7 always 0 filling a chip whole.
TEST(ContentWarnings, RealCodeAndTextTripNothing) {
    for (const char* name : {"/bin/ls", "/usr/share/common-licenses/GPL-3"}) {
        std::ifstream in(name, std::ios::binary);
        const std::vector<std::uint8_t> file{std::istreambuf_iterator<char>(in), {}};
        if (file.size() < 32768) GTEST_SKIP() << name << " is not there";
        for (std::uint32_t size = 8192; size <= 524288; size *= 2) {
            for (const int pad : {0xFF, 0x00}) {
                std::vector<std::uint8_t> chip(size, static_cast<std::uint8_t>(pad));
                std::copy_n(file.begin(), std::min<std::size_t>(size, file.size()), chip.begin());
                EXPECT_EQ(Named(chip), Names{}) << name << " in " << size << " bytes";
            }
        }
    }
}

}  // namespace
}  // namespace dspprog
