// SPDX-License-Identifier: GPL-3.0-or-later
// Tables written by the original table engine (public sample tables), read
// through our Paradox reader and compared with their reference data.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "catalogue/chip_record.h"
#include "catalogue/chip_table.h"
#include "catalogue/lookup.h"
#include "catalogue/paradox_table.h"
#include "link/fatal_stop.h"
#include "support/paradox_writer.h"
#include "support/temp_catalogue.h"
#include "support/expect_fatal_stop.h"

namespace dspprog {
namespace {

using Rows = std::vector<std::vector<std::string>>;

std::string SampleTable(const std::string& name) {
    return (std::filesystem::path(DSPPROG_PARADOX_SAMPLES) / name).string();
}

// The samples live beside the project, not in it: a fresh clone has none and
// skips these tests. CI sets DSPPROG_REQUIRE_SHARED_SAMPLES, where a missing
// folder would otherwise pass silently.
class ParadoxRealTables : public ::testing::Test {
protected:
    void SetUp() override {
        const std::filesystem::path dir = DSPPROG_PARADOX_SAMPLES;
        if (std::filesystem::is_directory(dir)) return;
        const char* required = std::getenv("DSPPROG_REQUIRE_SHARED_SAMPLES");
        if (required != nullptr && *required != '\0' && std::string(required) != "0")
            FAIL() << "sample Paradox tables missing: " << dir.string();
        GTEST_SKIP() << "sample Paradox tables are looked for in " << dir.string();
    }
};

// The reference CSV: a header line, then one record per line; fields are
// double-quoted texts or bare numbers, an empty field is a null.
Rows ReadCsv(const std::string& path) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "cannot read " << path;
    Rows rows;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> fields(1);
        bool quoted = false;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const char c = line[i];
            if (quoted) {
                if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                    fields.back() += '"';
                    ++i;
                } else if (c == '"') {
                    quoted = false;
                } else {
                    fields.back() += c;
                }
            } else if (c == '"') {
                quoted = true;
            } else if (c == ',') {
                fields.emplace_back();
            } else {
                fields.back() += c;
            }
        }
        rows.push_back(fields);
    }
    return rows;
}

ParadoxTable ReadSample(const std::string& name) {
    std::string problem;
    auto table = ReadParadoxTable(ReadBytes(SampleTable(name)), &problem);
    if (!table) {
        ADD_FAILURE() << name << " unreadable: " << problem;
        return {};
    }
    return *table;
}

// The reference writes numbers its own way (3.3e+07); ours are plain
// decimals, so numbers are compared by value, texts exactly.
void ExpectSameValue(const std::string& ours, const std::string& reference, bool numeric,
                     const std::string& where) {
    if (!numeric || reference.empty()) {
        EXPECT_EQ(ours, reference) << where;
        return;
    }
    char* end = nullptr;
    const double value = std::strtod(ours.c_str(), &end);
    EXPECT_TRUE(!ours.empty() && *end == '\0') << where << ": \"" << ours << "\" is no number";
    EXPECT_EQ(value, std::strtod(reference.c_str(), nullptr)) << where;
    EXPECT_EQ(ours.find_first_of("eE"), std::string::npos) << where << ": " << ours;
}

void ExpectTableMatchesCsv(const ParadoxTable& table, const Rows& csv,
                           const std::vector<bool>& numeric) {
    ASSERT_FALSE(csv.empty());
    const auto& header = csv.front();
    ASSERT_GE(table.field_names.size(), header.size());
    for (std::size_t i = 0; i < header.size(); ++i) EXPECT_EQ(table.field_names[i], header[i]);
    ASSERT_EQ(table.rows.size(), csv.size() - 1);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const auto& expected = csv[r + 1];
        ASSERT_EQ(expected.size(), header.size());
        for (std::size_t f = 0; f < header.size(); ++f) {
            ExpectSameValue(table.rows[r][f], expected[f], numeric[f],
                            "row " + std::to_string(r) + " field " + header[f]);
        }
    }
}

TEST_F(ParadoxRealTables, CountryRowsEqualTheReference) {
    const ParadoxTable table = ReadSample("country.db");
    EXPECT_EQ(table.code_page, 850);
    EXPECT_EQ(table.key_fields, 1);
    ExpectTableMatchesCsv(table, ReadCsv(SampleTable("country.csv")),
                          {false, false, false, true, true});
    ASSERT_EQ(table.rows.size(), 18u);
    EXPECT_EQ(table.rows[5][0], "Colombia");
    EXPECT_EQ(table.rows[5][4], "33000000");
    EXPECT_EQ(table.rows[9][4], "800000");
    EXPECT_EQ(table.rows[15][0], "United States of America");
}

TEST_F(ParadoxRealTables, TypeCollectionFirstFiveFieldsEqualTheReference) {
    const ParadoxTable table = ReadSample("TypSammlung.DB");
    EXPECT_EQ(table.code_page, 1252);
    ASSERT_EQ(table.field_names.size(), 14u);
    Rows csv = ReadCsv(SampleTable("TypSammlung.csv"));
    // The reference reader shows the second record's money value as 0; its
    // bytes are all zero, which is how the engine stores an empty value, and
    // the engine shows it empty like the empty integers beside it.
    ASSERT_EQ(csv.size(), 6u);
    ASSERT_EQ(csv[2][0], "Erste Zeile");
    ASSERT_EQ(csv[2][2], "0");
    csv[2][2] = "";
    // Number, money, short and long: empty values read as empty texts.
    ExpectTableMatchesCsv(table, csv, {false, true, true, true, true});
    ASSERT_EQ(table.rows.size(), 5u);
    EXPECT_EQ(table.rows[2][0], "Fünfter Datensatz");
    EXPECT_EQ(table.rows[2][1], "1.34");
    EXPECT_EQ(table.rows[2][2], "13.002");
    EXPECT_EQ(table.rows[4][3], "-40");
    EXPECT_EQ(table.rows[1][4], "");
}

TEST_F(ParadoxRealTables, TypeCollectionOtherFieldsReadWithoutFault) {
    const ParadoxTable table = ReadSample("TypSammlung.DB");
    ASSERT_EQ(table.rows.size(), 5u);
    for (const auto& row : table.rows) {
        ASSERT_EQ(row.size(), 14u);
        // Logical fields read as the engine's words, or empty.
        const std::string& logical = row[10];
        EXPECT_TRUE(logical.empty() || logical == "True" || logical == "False") << logical;
        // Memo and blob content lives in a side file: empty here.
        EXPECT_EQ(row[9], "");
        EXPECT_EQ(row[12], "");
    }
    EXPECT_EQ(table.field_names[5], "BCD");
    EXPECT_EQ(table.rows[0][5], "40");
    EXPECT_EQ(table.rows[2][5], "13.123457");
    EXPECT_EQ(table.rows[4][5], "-40");
    // The engine's empty BCD value (no valid digits) reads as empty.
    EXPECT_EQ(table.rows[1][5], "");
    EXPECT_EQ(table.rows[4][6], "1999-09-09");
    EXPECT_EQ(table.rows[4][7], "11:11:11");
    EXPECT_EQ(table.rows[4][8], "2003-06-10 11:11:11");
    EXPECT_EQ(table.rows[4][10], "True");
    EXPECT_EQ(table.rows[1][10], "False");
    // The autoincrement field numbers the records in the order they were entered.
    EXPECT_EQ(table.rows[0][11], "1");
    EXPECT_EQ(table.rows[4][11], "2");
}

TEST_F(ParadoxRealTables, EmptyTableHasFieldsButNoRows) {
    const ParadoxTable table = ReadSample("empty.db");
    EXPECT_EQ(table.field_names.size(), 7u);
    EXPECT_TRUE(table.rows.empty());
}

TEST_F(ParadoxRealTables, EmptySampleAsCatalogueFindsNothingWithoutMessage) {
    // empty.db has none of the catalogue's fields, but also no record whose
    // fields could be read: the lookup finds nothing and stops nothing.
    TempCatalogue catalogue;
    std::filesystem::copy_file(SampleTable("empty.db"), catalogue.path());
    auto table = MakeChipTable(catalogue.path());
    ChipRecord chip;
    chip.ManufCode = 0x01;
    chip.DevCode = 0x20;
    EXPECT_FALSE(LookupChip(*table, chip));
    EXPECT_EQ(chip.Size, 0u);
    EXPECT_TRUE(chip.Name.empty());
}

TEST_F(ParadoxRealTables, SampleWithRowsButNoCatalogueFieldsIsNoCatalogue) {
    // country.db is a sound table with records, but without the catalogue's
    // fields: as chips.db it stops the program like any unreadable catalogue.
    TempCatalogue catalogue;
    std::filesystem::copy_file(SampleTable("country.db"), catalogue.path());
    auto table = MakeChipTable(catalogue.path());
    ChipRecord chip;
    EXPECT_EQ(ExpectFatalStop([&] { LookupChip(*table, chip); }).message(),
              "Ошибка при открытии базы данных чипов!");
}

}  // namespace
}  // namespace dspprog
