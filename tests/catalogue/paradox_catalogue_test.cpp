// SPDX-License-Identifier: GPL-3.0-or-later
// LookupChip over legacy Paradox catalogues written by a table library:
// code pages, stored types, record order, and which rows are looked at.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/chip_record.h"
#include "catalogue/chip_table.h"
#include "catalogue/lookup.h"
#include "catalogue/paradox_chip_table.h"
#include "catalogue/paradox_image_check.h"
#include "catalogue/pxlib.h"
#include "link/fatal_stop.h"
#include "support/paradox_writer.h"
#include "support/temp_catalogue.h"
#include "support/expect_fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kBadSize = "Размер чипа в базе chips.db указан не верно!";

class ParadoxCatalogueLookup : public ::testing::Test {
protected:
    bool Lookup(std::uint8_t manuf, std::uint8_t dev) {
        chip.ManufCode = manuf;
        chip.DevCode = dev;
        return LookupChip(*table, chip);
    }

    TempCatalogue catalogue;
    std::unique_ptr<ChipTable> table = MakeChipTable(catalogue.path());
    ChipRecord chip;
};

std::vector<std::string> Codes(ChipTable& table) {
    std::vector<std::string> codes;
    EXPECT_TRUE(table.Open());
    table.First();
    while (!table.Eof()) {
        codes.push_back(table.Field("Code"));
        table.Next();
    }
    table.Close();
    return codes;
}

TEST_F(ParadoxCatalogueLookup, CyrillicNamesOfCodePage1251ReadAsUtf8) {
    WriteParadoxTable(catalogue.path(),
                      ParadoxCatalogue({{"0115", "AMD Am27C64", "64K", "0", "0", "64768"},
                                        {"8F01", "К573РФ5", "128K", "0", "0", "64768"},
                                        {"8F02", "КМ1609РР2 №2", "4M", "5", "3", "255"}}));
    ASSERT_TRUE(Lookup(0x8F, 0x01));
    EXPECT_EQ(chip.Name, "К573РФ5");
    EXPECT_EQ(chip.Size, 16384u);
    EXPECT_EQ(chip.Type, 0xFD00);
    // "№" has no two-byte form in UTF-8; the library's own recoding loses it.
    ASSERT_TRUE(Lookup(0x8F, 0x02));
    EXPECT_EQ(chip.Name, "КМ1609РР2 №2");
    EXPECT_EQ(chip.tErase, 5);
    EXPECT_EQ(chip.tWrite, 3);
}

TEST_F(ParadoxCatalogueLookup, NamesOfADosTableReadFromItsOwnCodePage) {
    WriteParadoxTable(
        catalogue.path(),
        ParadoxCatalogue({{"8F01", "К573РФ5 (ДОС)", "128K", "0", "0", "64768"}}, 866));
    ASSERT_TRUE(Lookup(0x8F, 0x01));
    EXPECT_EQ(chip.Name, "К573РФ5 (ДОС)");
}

TEST_F(ParadoxCatalogueLookup, NumericFieldsReadAsTheirDecimalText) {
    ParadoxTableDef table_def;
    table_def.fields = {{"Code", pxfAlpha, 4}, {"Name", pxfAlpha, 20}, {"Size", pxfAlpha, 4},
                        {"tErase", pxfShort},  {"tWrite", pxfLong},    {"Type", pxfNumber}};
    table_def.rows = {
        {std::string("01A4"), std::string("Am29F040"), std::string("4M"), 5L, 3L, 255.0},
        {std::string("8986"), std::string("i28F512"), std::string("512K"), 132L, 130L, 64512.0},
        {std::string("0001"), std::string("Empty"), std::string("64K"), ParadoxNull{},
         ParadoxNull{}, ParadoxNull{}},
    };
    WriteParadoxTable(catalogue.path(), table_def);

    ASSERT_TRUE(Lookup(0x89, 0x86));
    EXPECT_EQ(chip.tErase, 0x84);
    EXPECT_EQ(chip.tWrite, 0x82);
    EXPECT_EQ(chip.Type, 0xFC00);
    ASSERT_TRUE(Lookup(0x01, 0xA4));
    EXPECT_EQ(chip.Type, 255);

    // Empty numbers are empty texts, which convert to 0.
    chip.tErase = chip.tWrite = 9;
    chip.Type = 9;
    ASSERT_TRUE(Lookup(0x00, 0x01));
    EXPECT_EQ(chip.tErase, 0);
    EXPECT_EQ(chip.tWrite, 0);
    EXPECT_EQ(chip.Type, 0);

    ParadoxChipTable direct(catalogue.path());
    ASSERT_TRUE(direct.Open());
    direct.First();
    direct.Next();
    EXPECT_EQ(direct.Field("tErase"), "132");
    EXPECT_EQ(direct.Field("tWrite"), "130");
    EXPECT_EQ(direct.Field("Type"), "64512");
}

TEST_F(ParadoxCatalogueLookup, FieldsFoundByNameInAnyOrderAndCase) {
    ParadoxTableDef table_def;
    table_def.fields = {{"TYPE", pxfAlpha, 6}, {"Remark", pxfAlpha, 10}, {"twrite", pxfAlpha, 4},
                        {"SIZE", pxfAlpha, 4}, {"code", pxfAlpha, 4},    {"TErase", pxfAlpha, 4},
                        {"Name", pxfAlpha, 20}};
    table_def.rows = {{std::string("255"), std::string("x"), std::string("3"), std::string("2M"),
                       std::string("01B0"), std::string("5"), std::string("Am29F002T")}};
    WriteParadoxTable(catalogue.path(), table_def);
    ASSERT_TRUE(Lookup(0x01, 0xB0));
    EXPECT_EQ(chip.Name, "Am29F002T");
    EXPECT_EQ(chip.Size, 262144u);
    EXPECT_EQ(chip.tErase, 5);
    EXPECT_EQ(chip.tWrite, 3);
    EXPECT_EQ(chip.Type, 255);
}

TEST_F(ParadoxCatalogueLookup, BadSizeOfAnotherRowIsNeverLookedAt) {
    WriteParadoxTable(catalogue.path(),
                      ParadoxCatalogue({{"0001", "Before", "64k", "0", "0", "65024"},
                                        {"AB05", "Good", "256K", "0", "0", "65024"},
                                        {"0002", "After", "huge", "0", "0", "65024"}}));
    ASSERT_TRUE(Lookup(0xAB, 0x05));
    EXPECT_EQ(chip.Size, 32768u);
    EXPECT_FALSE(Lookup(0x12, 0x34));
    EXPECT_EQ(ExpectFatalStop([&] { Lookup(0x00, 0x01); }).message(), kBadSize);
}

TEST_F(ParadoxCatalogueLookup, UnkeyedTableKeepsItsEntryOrderAndFirstMatchWins) {
    WriteParadoxTable(catalogue.path(),
                      ParadoxCatalogue({{"FF00", "Later code first", "64K", "0", "0", "65024"},
                                        {"01A4", "First", "4M", "5", "3", "255"},
                                        {"0100", "Lowest", "64K", "0", "0", "65024"},
                                        {"01A4", "Second", "2M", "4", "1", "65024"}}));
    EXPECT_EQ(Codes(*table), (std::vector<std::string>{"FF00", "01A4", "0100", "01A4"}));
    ASSERT_TRUE(Lookup(0x01, 0xA4));
    EXPECT_EQ(chip.Name, "First");
}

TEST_F(ParadoxCatalogueLookup, EmptyTableFindsNothingWithoutMessage) {
    // A catalogue table that the engine left empty: the lookup finds nothing
    // and stops nothing.
    WriteParadoxTable(catalogue.path(), ParadoxCatalogue({}));
    EXPECT_FALSE(Lookup(0xAB, 0x05));
    EXPECT_EQ(chip.Size, 0u);
}

TEST_F(ParadoxCatalogueLookup, RecognisedByContentNotByName) {
    const std::string other = (catalogue.dir() / "CHIPS.DB").string();
    WriteParadoxTable(other, ParadoxCatalogue({{"AB05", "x", "64K", "0", "0", "65024"}}));
    auto by_other_name = MakeChipTable(other);
    EXPECT_EQ(Codes(*by_other_name), std::vector<std::string>{"AB05"});
}

// --- Keyed tables ----------------------------------------------------------

// Rows of the catalogue's records that fit one 2048-byte block.
constexpr int kRowsPerBlock = 29;

// A keyed catalogue (key: Code, then Name) of `count` rows, entered in key
// order, with two rows of one code at the seam between the first two blocks.
ParadoxTableDef KeyedCatalogue(int count) {
    std::vector<CatalogueRow> rows;
    const int seam = kRowsPerBlock;
    for (int i = 0; i < count; ++i) {
        const int number = 0x1000 + (i < seam ? i : i - 1);
        const std::string code = ChipKey(static_cast<std::uint8_t>(number >> 8),
                                         static_cast<std::uint8_t>(number & 0xFF));
        const std::string name = i == seam - 1 ? "Alpha"
                                 : i == seam   ? "Beta"
                                               : "Chip " + std::to_string(i);
        rows.push_back({code, name, "64K", "0", "0", "65024"});
    }
    ParadoxTableDef table_def = ParadoxCatalogue(rows);
    table_def.key_fields = 2;
    return table_def;
}

// Rearranges the data blocks in the file the way the table engine leaves a
// keyed table after splitting blocks: the chain, which keeps key order, no
// longer follows the blocks' places in the file. Here the places are
// reversed and the links rewritten to keep the chain's order.
void ReverseBlockPlaces(const std::string& path) {
    std::string bytes = ReadBytes(path);
    const ParadoxHeaderFacts facts = ReadParadoxHeaderFacts(bytes);
    const int blocks = facts.file_blocks;
    ASSERT_GE(blocks, 3);
    const auto block_at = [&](int number) {
        return static_cast<std::size_t>(facts.header_size) +
               static_cast<std::size_t>(number - 1) * static_cast<std::size_t>(facts.block_size);
    };
    const auto put_word = [&](std::size_t at, int value) {
        bytes[at] = static_cast<char>(value & 0xFF);
        bytes[at + 1] = static_cast<char>(value >> 8 & 0xFF);
    };
    std::string moved = bytes;
    for (int chain = 1; chain <= blocks; ++chain) {
        const int place = blocks + 1 - chain;  // chain position `chain` goes to `place`
        moved.replace(block_at(place), static_cast<std::size_t>(facts.block_size),
                      bytes.substr(block_at(chain), static_cast<std::size_t>(facts.block_size)));
    }
    bytes = moved;
    for (int chain = 1; chain <= blocks; ++chain) {
        const int place = blocks + 1 - chain;
        put_word(block_at(place), chain < blocks ? place - 1 : 0);  // next
        put_word(block_at(place) + 2, chain > 1 ? place + 1 : 0);   // previous
    }
    put_word(0x0E, blocks);  // first block
    put_word(0x10, 1);       // last block
    WriteFileBytes(path, bytes);
}

TEST_F(ParadoxCatalogueLookup, KeyedTableComesInKeyOrderWhereverItsBlocksLie) {
    const ParadoxTableDef table_def = KeyedCatalogue(120);
    WriteParadoxTable(catalogue.path(), table_def);
    std::vector<std::string> key_order;
    for (const auto& row : table_def.rows) key_order.push_back(std::get<std::string>(row[0]));
    ASSERT_EQ(Codes(*table), key_order);

    const ParadoxHeaderFacts written = ReadParadoxHeaderFacts(ReadBytes(catalogue.path()));
    ASSERT_EQ((written.block_size - 6) / written.record_size, kRowsPerBlock);
    ASSERT_EQ(written.key_fields, 2);

    ReverseBlockPlaces(catalogue.path());
    const ParadoxHeaderFacts facts = ReadParadoxHeaderFacts(ReadBytes(catalogue.path()));
    ASSERT_EQ(facts.first_block, facts.file_blocks) << "the first block in key order is now last";
    EXPECT_EQ(Codes(*table), key_order);

    // The two rows of one code lie in different blocks; the one first in key
    // order wins although its block now lies later in the file.
    ASSERT_TRUE(Lookup(0x10, 0x1C));
    EXPECT_EQ(chip.Name, "Alpha");
    ASSERT_TRUE(Lookup(0x10, 0x76));
    EXPECT_EQ(chip.Name, "Chip 119");
}

}  // namespace
}  // namespace dspprog
