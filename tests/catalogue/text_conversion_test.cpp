// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue's text forms: capacity texts and whole-text integers.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/lookup.h"

namespace dspprog {
namespace {

struct IntegerCase {
    std::string text;
    std::int64_t value;
};

void ExpectIntegers(const std::vector<IntegerCase>& cases) {
    for (const auto& c : cases) {
        EXPECT_EQ(IntegerFromText(c.text), c.value) << "text \"" << c.text << "\"";
    }
}

TEST(CatalogueIntegerText, Decimal) {
    ExpectIntegers({{"0", 0},
                    {"4", 4},
                    {"132", 132},
                    {"64512", 64512},
                    {"+7", 7},
                    {"-7", -7},
                    {"-0", 0},
                    {"00012", 12},
                    {"08", 8},
                    {"   255", 255},
                    {" -5", -5}});
}

TEST(CatalogueIntegerText, HexadecimalWithEveryPrefixAndDigitCase) {
    ExpectIntegers({{"$84", 0x84},
                    {"$fc00", 0xFC00},
                    {"$FC00", 0xFC00},
                    {"x1A", 0x1A},
                    {"X1a", 0x1A},
                    {"0x85", 0x85},
                    {"0XfC00", 0xFC00},
                    {"  $85", 0x85},
                    {"$0", 0}});
}

TEST(CatalogueIntegerText, RangeOfThirtyTwoBits) {
    ExpectIntegers({{"2147483647", 2147483647},
                    {"-2147483648", -2147483648LL},
                    {"2147483648", 0},
                    {"-2147483649", 0},
                    {"99999999999999999999999", 0},
                    // Hexadecimal fills all 32 bits and wraps into the signed range.
                    {"$7FFFFFFF", 0x7FFFFFFF},
                    {"$80000000", -2147483648LL},
                    {"$FFFFFFFF", -1},
                    {"$000000000FF", 0xFF},
                    {"$100000000", 0}});
}

TEST(CatalogueIntegerText, TextsThatDoNotConvertAsAWholeGiveZero) {
    ExpectIntegers({{"", 0},     {"   ", 0},   {"4 ", 0},    {"1 2", 0},
                    {"abc", 0},  {"12abc", 0}, {"1.5", 0},   {"1e3", 0},
                    {"+", 0},    {"-", 0},     {"$", 0},     {"0x", 0},
                    {"$G1", 0},  {"-$10", 0},  {"+$10", 0},  {"$-10", 0},
                    {"$ 10", 0}, {"- 5", 0},   {"0x0x5", 0}, {std::string("5\0", 2), 0}});
}

TEST(CatalogueSizeText, TheEightCapacityTexts) {
    EXPECT_EQ(SizeFromText("64K"), 8192u);
    EXPECT_EQ(SizeFromText("128K"), 16384u);
    EXPECT_EQ(SizeFromText("256K"), 32768u);
    EXPECT_EQ(SizeFromText("512K"), 65536u);
    EXPECT_EQ(SizeFromText("1M"), 131072u);
    EXPECT_EQ(SizeFromText("2M"), 262144u);
    EXPECT_EQ(SizeFromText("4M"), 524288u);
    EXPECT_EQ(SizeFromText("8M"), 1048576u);
}

TEST(CatalogueSizeText, AnythingElseIsNoSize) {
    for (const char* text :
         {"", "64k", "4m", " 64K", "64K ", "64", "32K", "16M", "1024K", "8192", "1 M", "64KB"}) {
        EXPECT_FALSE(SizeFromText(text).has_value()) << "text \"" << text << "\"";
    }
}

}  // namespace
}  // namespace dspprog
