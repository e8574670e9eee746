// SPDX-License-Identifier: GPL-3.0-or-later
// Every stored field type of a Paradox table read as the text the table
// engine shows, empty values included.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "catalogue/paradox_field_text.h"
#include "catalogue/paradox_table.h"
#include "catalogue/pxlib.h"
#include "support/paradox_writer.h"
#include "support/temp_catalogue.h"

namespace dspprog {
namespace {

// Days of the table format: 1 is 1 January of year 1.
constexpr long k1999_12_31 = 730119;
constexpr double kMillisecondsPerDay = 86400000.0;

ParadoxTable WriteAndRead(const ParadoxTableDef& table_def) {
    TempCatalogue catalogue;
    WriteParadoxTable(catalogue.path(), table_def);
    std::string problem;
    auto table = ReadParadoxTable(ReadBytes(catalogue.path()), &problem);
    if (!table) {
        ADD_FAILURE() << problem;
        return {};
    }
    return *table;
}

TEST(ParadoxFieldText, EveryTypeReadsAsTheEngineShowsIt) {
    ParadoxTableDef table_def;
    table_def.fields = {{"Alpha", pxfAlpha, 12},  {"Short", pxfShort},     {"Long", pxfLong},
                        {"Counter", pxfAutoInc},  {"Number", pxfNumber},   {"Money", pxfCurrency},
                        {"BCD", pxfBCD, 0, 2},    {"Logical", pxfLogical}, {"Date", pxfDate},
                        {"Time", pxfTime},        {"Stamp", pxfTimestamp}, {"Bytes", pxfBytes, 4},
                        {"Memo", pxfMemoBLOb, 11}};
    const double stamp = (k1999_12_31 * kMillisecondsPerDay) + ((13 * 60 + 45) * 60 + 30) * 1000.0;
    table_def.rows = {
        {std::string("Микросхема"), 132L, 64512L, 7L, 64512.0, 13.002, std::string("1.34"), true,
         k1999_12_31, 49530250L, stamp, std::string("AB"), ParadoxNull{}},
        {std::string("x"), -40L, -2147483647L, 1L, -0.5, 0.0, std::string("-40.5"), false, 1L, 0L,
         k1999_12_31 * kMillisecondsPerDay, std::string("abcd"), ParadoxNull{}},
    };
    const ParadoxTable table = WriteAndRead(table_def);
    ASSERT_EQ(table.rows.size(), 2u);
    EXPECT_EQ(table.rows[0],
              (std::vector<std::string>{"Микросхема", "132", "64512", "7", "64512", "13.002",
                                        "1.34", "True", "1999-12-31", "13:45:30.250",
                                        "1999-12-31 13:45:30", "AB", ""}));
    EXPECT_EQ(table.rows[1], (std::vector<std::string>{"x", "-40", "-2147483647", "1", "-0.5", "0",
                                                       "-40.5", "False", "0001-01-01", "00:00:00",
                                                       "1999-12-31 00:00:00", "abcd", ""}));
}

TEST(ParadoxFieldText, EmptyValuesOfEveryTypeAreEmptyTexts) {
    ParadoxTableDef table_def;
    table_def.fields = {{"Alpha", pxfAlpha, 12}, {"Short", pxfShort},     {"Long", pxfLong},
                        {"Counter", pxfAutoInc}, {"Number", pxfNumber},   {"Money", pxfCurrency},
                        {"BCD", pxfBCD, 0, 2},   {"Logical", pxfLogical}, {"Date", pxfDate},
                        {"Time", pxfTime},       {"Stamp", pxfTimestamp}, {"Bytes", pxfBytes, 4}};
    table_def.rows = {std::vector<ParadoxValue>(table_def.fields.size(), ParadoxNull{})};
    const ParadoxTable table = WriteAndRead(table_def);
    ASSERT_EQ(table.rows.size(), 1u);
    // An empty long is not the smallest long, which the table library makes of it.
    EXPECT_EQ(table.rows[0], std::vector<std::string>(table_def.fields.size(), ""));
}

TEST(ParadoxFieldText, ZeroIsNotEmpty) {
    ParadoxTableDef table_def;
    table_def.fields = {
        {"Short", pxfShort}, {"Long", pxfLong}, {"Number", pxfNumber}, {"BCD", pxfBCD, 0, 3}};
    table_def.rows = {{0L, 0L, 0.0, std::string("0")}};
    const ParadoxTable table = WriteAndRead(table_def);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0], (std::vector<std::string>{"0", "0", "0", "0"}));
}

TEST(ParadoxFieldText, BcdWithDecimalsOtherThanItsFieldsIsEmpty) {
    TempCatalogue catalogue;
    ParadoxTableDef table_def;
    table_def.fields = {{"BCD", pxfBCD, 0, 2}};
    table_def.rows = {{std::string("1.25")}};
    WriteParadoxTable(catalogue.path(), table_def);
    std::string bytes = ReadBytes(catalogue.path());
    const auto header_size =
        static_cast<unsigned char>(bytes[2]) | static_cast<unsigned char>(bytes[3]) << 8;
    // The value's first byte holds its sign and its count of decimals.
    char& first = bytes[static_cast<std::size_t>(header_size) + 6];
    ASSERT_EQ(first & 0x3F, 2);
    first = static_cast<char>((first & ~0x3F) | 3);
    const auto table = ReadParadoxTable(bytes);
    ASSERT_TRUE(table);
    EXPECT_EQ(table->rows.at(0).at(0), "");
}

TEST(ParadoxFieldText, NumbersInTheirShortestDecimalForm) {
    EXPECT_EQ(NumberText(64512), "64512");
    EXPECT_EQ(NumberText(1.34), "1.34");
    EXPECT_EQ(NumberText(-40), "-40");
    EXPECT_EQ(NumberText(33000000), "33000000");
    EXPECT_EQ(NumberText(0.1 + 0.2), "0.30000000000000004");
    EXPECT_EQ(NumberText(-0.0), "0");
    EXPECT_EQ(NumberText(0.00001), "0.00001");
    EXPECT_EQ(NumberText(999999999999999), "999999999999999");
    // Beyond the plain range the exponent form stays short.
    EXPECT_EQ(NumberText(1e15), "1e+15");
    EXPECT_EQ(NumberText(2.5e-6), "2.5e-06");
    EXPECT_EQ(NumberText(std::nan("")), "nan");
}

}  // namespace
}  // namespace dspprog
