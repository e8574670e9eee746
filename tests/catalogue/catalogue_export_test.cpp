// SPDX-License-Identifier: GPL-3.0-or-later
// Listing a catalogue and copying a legacy one into SQLite: the rows as the
// lookup reads them, in its order, whatever the storage; a copy never
// replaces a file.

#include "catalogue/catalogue_export.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "catalogue/chip_record.h"
#include "catalogue/lookup.h"
#if DSPPROG_PARADOX
#include "catalogue/pxlib.h"
#endif
#include "catalogue/sqlite_chip_table.h"
#include "link/fatal_stop.h"
#include "support/paradox_writer.h"
#include "support/temp_catalogue.h"
#include "support/expect_fatal_stop.h"

namespace dspprog {
namespace {

const std::vector<CatalogueRow> kRows{
    {"8F01", "К573РФ5", "128K", "0", "0", "64768"},
    {"01A4", "AMD Am29F040", "4M", "5", "3", "255"},
    {"0001", "Bad size, never looked at", "64k", "0", "0", "65024"},
    {"01A4", "Second of one code", "2M", "4", "1", "65024"},
};

std::vector<ChipRow> AsChipRows(const std::vector<CatalogueRow>& rows) {
    return std::vector<ChipRow>(rows.begin(), rows.end());
}

TEST(CatalogueListing, LinesShowTheFieldsInReadingOrder) {
    EXPECT_EQ(ChipListing(AsChipRows({kRows[0], kRows[1]})),
              (std::vector<std::string>{"Code\tName\tSize\tType\ttErase\ttWrite",
                                        "8F01\tК573РФ5\t128K\t64768\t0\t0",
                                        "01A4\tAMD Am29F040\t4M\t255\t5\t3"}));
    EXPECT_EQ(ChipListing({}).size(), 1u);
}

TEST(CatalogueListing, UnreadableCatalogueIsTheLookupsFatalStop) {
    TempCatalogue catalogue;
    catalogue.WriteBytes("not a table");
    auto table = MakeChipTable(catalogue.path());
    const FatalStop stop = ExpectFatalStop([&] { ReadChipRows(*table); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Ошибка при открытии базы данных чипов!");
}

TEST(CatalogueCopy, NeverWritesOverAFileThatIsThere) {
    TempCatalogue dir;
    const std::string target = (dir.dir() / "chips.db").string();
    dir.WriteBytes("precious");
    EXPECT_EQ(WriteSqliteCatalogue(AsChipRows(kRows), target), CatalogueCopyResult::TargetExists);
    EXPECT_EQ(ReadBytes(target), "precious");

    // Nor over a directory of that name.
    std::filesystem::create_directory(dir.dir() / "sub");
    EXPECT_EQ(WriteSqliteCatalogue(AsChipRows(kRows), (dir.dir() / "sub").string()),
              CatalogueCopyResult::TargetExists);
}

TEST(CatalogueCopy, UnwritablePlaceLeavesNothing) {
    TempCatalogue dir;
    const auto target = dir.dir() / "missing-dir" / "copy.db";
    EXPECT_EQ(WriteSqliteCatalogue(AsChipRows(kRows), target.string()),
              CatalogueCopyResult::CannotWrite);
    EXPECT_FALSE(std::filesystem::exists(target.parent_path()));
}

TEST(CatalogueCopy, EmptyCatalogueCopiesAsAnEmptyTable) {
    TempCatalogue dir;
    const std::string target = (dir.dir() / "empty.db").string();
    ASSERT_EQ(WriteSqliteCatalogue({}, target), CatalogueCopyResult::Written);
    auto copied = MakeChipTable(target);
    EXPECT_TRUE(ReadChipRows(*copied).empty());
}

#if DSPPROG_PARADOX
// Legacy Paradox catalogues, where this build reads them.

TEST(CatalogueListing, ParadoxAndSqliteCataloguesListAlike) {
    TempCatalogue paradox;
    WriteParadoxTable(paradox.path(), ParadoxCatalogue(kRows));
    TempCatalogue sqlite;
    sqlite.Write(kRows);

    auto from_paradox = MakeChipTable(paradox.path());
    auto from_sqlite = MakeChipTable(sqlite.path());
    EXPECT_EQ(ReadChipRows(*from_paradox), AsChipRows(kRows));
    EXPECT_EQ(ReadChipRows(*from_sqlite), AsChipRows(kRows));
}

TEST(CatalogueListing, NumericParadoxFieldsListAsTheLookupReadsThem) {
    TempCatalogue catalogue;
    ParadoxTableDef table_def;
    table_def.fields = {{"Code", pxfAlpha, 4}, {"Name", pxfAlpha, 20}, {"Size", pxfAlpha, 4},
                        {"tErase", pxfShort},  {"tWrite", pxfShort},   {"Type", pxfNumber}};
    table_def.rows = {{std::string("8986"), std::string("i28F512"), std::string("512K"), 132L,
                       ParadoxNull{}, 64512.0}};
    WriteParadoxTable(catalogue.path(), table_def);
    auto table = MakeChipTable(catalogue.path());
    EXPECT_EQ(ChipListing(ReadChipRows(*table)).back(), "8986\ti28F512\t512K\t64512\t132\t");
}

TEST(CatalogueCopy, SqliteCopyOfAParadoxCatalogueLooksUpTheSame) {
    TempCatalogue legacy;
    WriteParadoxTable(legacy.path(), ParadoxCatalogue(kRows));
    auto source = MakeChipTable(legacy.path());
    const auto rows = ReadChipRows(*source);

    const std::string copy = (legacy.dir() / "copy.db").string();
    ASSERT_EQ(WriteSqliteCatalogue(rows, copy), CatalogueCopyResult::Written);
    SqliteChipTable direct(copy);
    ASSERT_TRUE(direct.Open()) << "the copy is an SQLite catalogue";
    direct.Close();

    auto copied = MakeChipTable(copy);
    EXPECT_EQ(ReadChipRows(*copied), rows);
    ChipRecord chip;
    chip.ManufCode = 0x01;
    chip.DevCode = 0xA4;
    ASSERT_TRUE(LookupChip(*copied, chip));
    EXPECT_EQ(chip.Name, "AMD Am29F040");
    chip.ManufCode = 0x8F;
    chip.DevCode = 0x01;
    ASSERT_TRUE(LookupChip(*copied, chip));
    EXPECT_EQ(chip.Name, "К573РФ5");

    // Nothing of the writing is left beside the copy.
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(legacy.dir())) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"chips.db", "copy.db"}));
}

#endif  // DSPPROG_PARADOX

}  // namespace
}  // namespace dspprog
