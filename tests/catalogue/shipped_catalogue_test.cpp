// SPDX-License-Identifier: GPL-3.0-or-later
// The catalogue built from data/chips.sql: every row must be usable by the
// operations, and every chip must be found by its own code.

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <string>

#include "catalogue/chip_table.h"
#include "catalogue/lookup.h"

namespace dspprog {
namespace {

bool IsCode(const std::string& code) {
    if (code.size() != 4) return false;
    for (char c : code) {
        if (!std::isdigit(static_cast<unsigned char>(c)) && (c < 'A' || c > 'F')) return false;
    }
    return true;
}

std::uint8_t HexByte(const std::string& text) {
    return static_cast<std::uint8_t>(std::stoul(text, nullptr, 16));
}

// Converts a field and insists that the text really was a number, so that a
// typo does not pass as a silent 0.
std::int64_t Number(const std::string& text) {
    const auto value = IntegerFromText(text);
    EXPECT_TRUE(value != 0 || text == "0") << "\"" << text << "\" is not a number";
    return value;
}

TEST(CatalogueShipped, EveryRowIsUsable) {
    ASSERT_TRUE(std::filesystem::exists(DSPPROG_SHIPPED_CATALOGUE));
    auto table = MakeChipTable(DSPPROG_SHIPPED_CATALOGUE);
    ASSERT_TRUE(table->Open());

    std::set<std::string> codes;
    int rows = 0;
    for (table->First(); !table->Eof(); table->Next()) {
        ++rows;
        const std::string code = table->Field("Code");
        SCOPED_TRACE(code + " " + table->Field("Name"));
        EXPECT_TRUE(IsCode(code));
        EXPECT_TRUE(codes.insert(code).second) << "duplicate code";
        EXPECT_FALSE(table->Field("Name").empty());

        const auto size = SizeFromText(table->Field("Size"));
        ASSERT_TRUE(size.has_value());
        // A 1 MB chip could be identified but never read, erased or written.
        EXPECT_LE(*size, 524288u);

        const auto type = Number(table->Field("Type"));
        const auto erase = Number(table->Field("tErase"));
        const auto write = Number(table->Field("tWrite"));
        switch (type) {
            case 255:
                EXPECT_TRUE(erase == 4 || erase == 5 || erase == 0x84 || erase == 0x85) << erase;
                EXPECT_TRUE((write >= 1 && write <= 4) || (write >= 0x81 && write <= 0x84))
                    << write;
                break;
            case 0xFC00:
                EXPECT_TRUE(*size == 32768 || *size == 65536) << "only these sizes erase";
                EXPECT_TRUE(erase == 4 || erase == 5 || erase == 0x84 || erase == 0x85) << erase;
                break;
            case 0xFD00:
            case 0xFE00:
                EXPECT_EQ(erase, 0) << "UV EPROMs do not erase electrically";
                EXPECT_EQ(write, 0);
                break;
            default:
                ADD_FAILURE() << "unknown Type " << type;
        }
    }
    table->Close();
    EXPECT_GE(rows, 30);
}

TEST(CatalogueShipped, EveryChipIsFoundByItsOwnCode) {
    auto table = MakeChipTable(DSPPROG_SHIPPED_CATALOGUE);
    ASSERT_TRUE(table->Open());
    std::vector<std::pair<std::string, std::string>> chips;
    for (table->First(); !table->Eof(); table->Next()) {
        chips.emplace_back(table->Field("Code"), table->Field("Name"));
    }
    table->Close();
    ASSERT_FALSE(chips.empty());

    for (const auto& [code, name] : chips) {
        ChipRecord chip;
        chip.ManufCode = HexByte(code.substr(0, 2));
        chip.DevCode = HexByte(code.substr(2, 2));
        EXPECT_TRUE(LookupChip(*table, chip)) << code;
        EXPECT_EQ(chip.Name, name);
    }
}

}  // namespace
}  // namespace dspprog
