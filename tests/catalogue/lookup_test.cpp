// SPDX-License-Identifier: GPL-3.0-or-later
// LookupChip against real SQLite catalogues: what a matching row fills in,
// which row matches, and the two ways a lookup stops the program.

#include "catalogue/lookup.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/chip_table.h"
#include "link/fatal_stop.h"
#include "support/temp_catalogue.h"
#include "support/expect_fatal_stop.h"

namespace dspprog {
namespace {

constexpr const char* kOpenFailed = "Ошибка при открытии базы данных чипов!";
constexpr const char* kBadSize = "Размер чипа в базе chips.db указан не верно!";

// The real catalogue table, with a count of opens and closes and whether it
// is left open.
class WatchedTable : public ChipTable {
public:
    explicit WatchedTable(const std::string& path) : inner_(MakeChipTable(path)) {}

    bool Open() override {
        ++opens;
        is_open = inner_->Open();
        return is_open;
    }
    void First() override { inner_->First(); }
    void Next() override { inner_->Next(); }
    bool Eof() const override { return inner_->Eof(); }
    std::string Field(const std::string& name) const override { return inner_->Field(name); }
    void Close() override {
        ++closes;
        is_open = false;
        inner_->Close();
    }

    int opens = 0;
    int closes = 0;
    bool is_open = false;

private:
    std::unique_ptr<ChipTable> inner_;
};

class CatalogueLookup : public ::testing::Test {
protected:
    // Looks up the bytes in a catalogue of `rows`.
    bool Lookup(const std::vector<CatalogueRow>& rows, std::uint8_t manuf, std::uint8_t dev) {
        catalogue.Write(rows);
        return LookupAgain(manuf, dev);
    }
    bool LookupAgain(std::uint8_t manuf, std::uint8_t dev) {
        chip.ManufCode = manuf;
        chip.DevCode = dev;
        return LookupChip(table, chip);
    }
    // The message of the fatal stop the lookup ends in; fails the test when
    // there is none.
    std::string HaltMessage(std::uint8_t manuf, std::uint8_t dev) {
        const FatalStop stop = ExpectFatalStop([&] { LookupAgain(manuf, dev); });
        EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
        return stop.message();
    }

    TempCatalogue catalogue;
    WatchedTable table{catalogue.path()};
    ChipRecord chip;
};

TEST_F(CatalogueLookup, MatchingRowFillsTheRecordAndClosesTheTable) {
    ASSERT_TRUE(Lookup({{"1F05", "Other", "64K", "4", "1", "255"},
                        {"AB05", "Test Chip", "1M", "5", "3", "255"},
                        {"AB06", "After", "2M", "4", "1", "255"}},
                       0xAB, 0x05));
    EXPECT_EQ(chip.Name, "Test Chip");
    EXPECT_EQ(chip.Size, 131072u);
    EXPECT_EQ(chip.tErase, 5);
    EXPECT_EQ(chip.tWrite, 3);
    EXPECT_EQ(chip.Type, 255);
    EXPECT_EQ(chip.ManufCode, 0xAB);
    EXPECT_EQ(chip.DevCode, 0x05);
    EXPECT_EQ(table.opens, 1);
    EXPECT_GE(table.closes, 1);
    EXPECT_FALSE(table.is_open);
}

TEST_F(CatalogueLookup, EmptyTableGivesFalseQuietlyAndClosesTheTable) {
    chip.Name = "left from before";
    chip.Size = 8192;
    EXPECT_FALSE(Lookup({}, 0xAB, 0x05));
    EXPECT_EQ(chip.Name, "");
    EXPECT_EQ(chip.Size, 0u);
    EXPECT_FALSE(table.is_open);
}

TEST_F(CatalogueLookup, NoMatchClearsNameAndSizeOfTheLastLookup) {
    catalogue.Write({{"AB05", "Known", "512K", "4", "0", "64512"}});
    ASSERT_TRUE(LookupAgain(0xAB, 0x05));
    EXPECT_FALSE(LookupAgain(0xAB, 0x06));
    EXPECT_EQ(chip.Name, "");
    EXPECT_EQ(chip.Size, 0u);
    EXPECT_EQ(table.opens, 2);
    EXPECT_FALSE(table.is_open);
}

TEST_F(CatalogueLookup, CodeIsComparedExactly) {
    // The key is upper case; a lower-case or padded code is another code.
    EXPECT_FALSE(Lookup({{"ab05", "Lower", "64K", "0", "0", "65024"},
                         {"AB05 ", "Padded", "64K", "0", "0", "65024"},
                         {" AB05", "Indented", "64K", "0", "0", "65024"}},
                        0xAB, 0x05));
    EXPECT_EQ(chip.Name, "");
}

TEST_F(CatalogueLookup, KeyDigitsAreZeroFilled) {
    EXPECT_EQ(ChipKey(0x0A, 0x0B), "0A0B");
    EXPECT_EQ(ChipKey(0xAB, 0x05), "AB05");
    EXPECT_EQ(ChipKey(0x00, 0xFF), "00FF");
    EXPECT_TRUE(Lookup({{"AB", "Short", "64K", "0", "0", "65024"},
                        {"A0B", "Three digits", "64K", "0", "0", "65024"},
                        {"0A0B", "Zero filled", "64K", "0", "0", "65024"}},
                       0x0A, 0x0B));
    EXPECT_EQ(chip.Name, "Zero filled");
}

TEST_F(CatalogueLookup, FirstOfTwoRowsWithTheSameCodeWins) {
    ASSERT_TRUE(Lookup(
        {{"01A4", "First", "4M", "5", "3", "255"}, {"01A4", "Second", "2M", "4", "1", "65024"}},
        0x01, 0xA4));
    EXPECT_EQ(chip.Name, "First");
    EXPECT_EQ(chip.Size, 524288u);
    EXPECT_EQ(chip.Type, 255);
}

TEST_F(CatalogueLookup, LastRowIsComparedToo) {
    ASSERT_TRUE(Lookup({{"0101", "A", "64K", "0", "0", "65024"},
                        {"0102", "B", "64K", "0", "0", "65024"},
                        {"0103", "Last", "128K", "0", "0", "64768"}},
                       0x01, 0x03));
    EXPECT_EQ(chip.Name, "Last");
    EXPECT_EQ(chip.Size, 16384u);
    EXPECT_EQ(chip.Type, 0xFD00);
}

TEST_F(CatalogueLookup, EverySizeTextGivesItsByteCount) {
    const std::vector<std::pair<std::string, std::uint32_t>> sizes{
        {"64K", 8192},  {"128K", 16384}, {"256K", 32768}, {"512K", 65536},
        {"1M", 131072}, {"2M", 262144},  {"4M", 524288},  {"8M", 1048576}};
    std::vector<CatalogueRow> rows;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        rows.push_back({ChipKey(0x10, static_cast<std::uint8_t>(i)), "Chip " + sizes[i].first,
                        sizes[i].first, "0", "0", "65024"});
    }
    catalogue.Write(rows);
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        SCOPED_TRACE(sizes[i].first);
        EXPECT_TRUE(LookupAgain(0x10, static_cast<std::uint8_t>(i)));
        EXPECT_EQ(chip.Size, sizes[i].second);
    }
}

TEST_F(CatalogueLookup, IntegerTextsInEitherFormGiveTheSameValues) {
    catalogue.Write({{"0001", "Decimal", "512K", "132", "130", "64512"},
                     {"0002", "Hex", "512K", "$84", "$82", "$FC00"},
                     {"0003", "Prefixed", "512K", "0x85", "X81", "0XfC00"}});
    ASSERT_TRUE(LookupAgain(0x00, 0x01));
    EXPECT_EQ(chip.tErase, 0x84);
    EXPECT_EQ(chip.tWrite, 0x82);
    EXPECT_EQ(chip.Type, 0xFC00);
    ASSERT_TRUE(LookupAgain(0x00, 0x02));
    EXPECT_EQ(chip.tErase, 0x84);
    EXPECT_EQ(chip.tWrite, 0x82);
    EXPECT_EQ(chip.Type, 0xFC00);
    ASSERT_TRUE(LookupAgain(0x00, 0x03));
    EXPECT_EQ(chip.tErase, 0x85);
    EXPECT_EQ(chip.tWrite, 0x81);
    EXPECT_EQ(chip.Type, 0xFC00);
}

TEST_F(CatalogueLookup, TextsThatDoNotConvertGiveZeroWithoutMessage) {
    chip.tErase = 9;
    chip.tWrite = 9;
    chip.Type = 9;
    ASSERT_TRUE(Lookup({{"0A0B", "Odd", "64K", "4 ", "abc", ""}}, 0x0A, 0x0B));
    EXPECT_EQ(chip.tErase, 0);
    EXPECT_EQ(chip.tWrite, 0);
    EXPECT_EQ(chip.Type, 0);
    EXPECT_EQ(chip.Size, 8192u);
}

TEST_F(CatalogueLookup, ValuesAreCutToTheFieldWidth) {
    ASSERT_TRUE(Lookup({{"0A0B", "Wide", "64K", "$1FF", "-1", "$12345"}}, 0x0A, 0x0B));
    EXPECT_EQ(chip.tErase, 0xFF);
    EXPECT_EQ(chip.tWrite, 0xFF);
    EXPECT_EQ(chip.Type, 0x2345);
}

TEST_F(CatalogueLookup, OneMegabyteChipIsIdentified) {
    ASSERT_TRUE(Lookup({{"01D5", "Big", "8M", "5", "3", "255"}}, 0x01, 0xD5));
    EXPECT_EQ(chip.Size, 1048576u);
}

TEST_F(CatalogueLookup, EachLookupReadsTheFileAnew) {
    catalogue.Write({{"AB05", "Old", "64K", "0", "0", "65024"}});
    ASSERT_TRUE(LookupAgain(0xAB, 0x05));
    catalogue.Write({{"AB05", "New", "128K", "0", "0", "64768"}});
    ASSERT_TRUE(LookupAgain(0xAB, 0x05));
    EXPECT_EQ(chip.Name, "New");
    EXPECT_EQ(chip.Size, 16384u);
}

// --- Fatal stops ---------------------------------------------------------

TEST_F(CatalogueLookup, BadSizeOfTheMatchingRowStopsTheProgramAndClosesTheTable) {
    for (const char* size : {"64k", "8m", "", " 64K", "64K ", "16M", "65536"}) {
        SCOPED_TRACE(size);
        catalogue.Write({{"AB05", "Bad", size, "0", "0", "65024"}});
        EXPECT_EQ(HaltMessage(0xAB, 0x05), kBadSize);
        EXPECT_FALSE(table.is_open);
    }
}

TEST_F(CatalogueLookup, BadSizeOfAnotherRowIsNeverLookedAt) {
    EXPECT_TRUE(Lookup({{"0001", "Before", "64k", "0", "0", "65024"},
                        {"AB05", "Good", "256K", "0", "0", "65024"},
                        {"0002", "After", "huge", "0", "0", "65024"}},
                       0xAB, 0x05));
    EXPECT_FALSE(Lookup({{"0001", "Bad", "64k", "0", "0", "65024"}}, 0xAB, 0x05));
}

TEST_F(CatalogueLookup, MissingCatalogueStopsTheProgramAndIsNotCreated) {
    EXPECT_EQ(HaltMessage(0xAB, 0x05), kOpenFailed);
    EXPECT_FALSE(std::filesystem::exists(catalogue.path()));
    EXPECT_FALSE(table.is_open);
}

TEST_F(CatalogueLookup, UnreadableCataloguesStopTheProgram) {
    struct Case {
        const char* what;
        void (*make)(const TempCatalogue&);
    };
    const Case cases[] = {
        {"text file", [](const TempCatalogue& c) { c.WriteBytes("Code,Name\nAB05,x\n"); }},
        {"empty file", [](const TempCatalogue& c) { c.WriteBytes(""); }},
        {"SQLite header on garbage",
         [](const TempCatalogue& c) {
             c.WriteBytes(std::string("SQLite format 3\0", 16) + std::string(4080, '\x5A'));
         }},
        {"no chips table",
         [](const TempCatalogue& c) { c.WriteSql("CREATE TABLE parts(Code TEXT);"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        c.make(catalogue);
        EXPECT_EQ(HaltMessage(0xAB, 0x05), kOpenFailed);
        EXPECT_FALSE(table.is_open);
    }
}

TEST_F(CatalogueLookup, CatalogueWithoutOneOfTheSixFieldsStopsTheProgram) {
    for (const char* field : kChipFields) {
        SCOPED_TRACE(field);
        catalogue.Write({{"AB05", "Chip", "64K", "0", "0", "65024"}}, field);
        EXPECT_EQ(HaltMessage(0xAB, 0x05), kOpenFailed);
        EXPECT_FALSE(table.is_open);
    }
}

TEST_F(CatalogueLookup, CatalogueDirectoryInsteadOfFileStopsTheProgram) {
    std::filesystem::create_directory(catalogue.path());
    EXPECT_EQ(HaltMessage(0xAB, 0x05), kOpenFailed);
}

TEST_F(CatalogueLookup, CatalogueThatAppearsLaterIsFound) {
    EXPECT_EQ(HaltMessage(0xAB, 0x05), kOpenFailed);
    catalogue.Write({{"AB05", "Late", "64K", "0", "0", "65024"}});
    EXPECT_TRUE(LookupAgain(0xAB, 0x05));
    EXPECT_EQ(chip.Name, "Late");
}

}  // namespace
}  // namespace dspprog
