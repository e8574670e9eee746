// SPDX-License-Identifier: GPL-3.0-or-later
// Reading an SQLite catalogue through the table interface: order, text forms
// of stored values, and the files that cannot be opened.

#include "catalogue/sqlite_chip_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/chip_table.h"
#include "support/temp_catalogue.h"

namespace dspprog {
namespace {

std::vector<std::string> Codes(ChipTable& table) {
    std::vector<std::string> codes;
    table.First();
    while (!table.Eof()) {
        codes.push_back(table.Field("Code"));
        table.Next();
    }
    return codes;
}

TEST(CatalogueSqliteTable, RowsComeInRowidOrderNotInsertionOrder) {
    TempCatalogue catalogue;
    catalogue.WriteSql(
        "CREATE TABLE chips(Code, Name, Size, tErase, tWrite, Type);"
        "CREATE INDEX by_code ON chips(Code, Name, Size, tErase, tWrite, Type);"
        "INSERT INTO chips(rowid, Code) VALUES(30, 'CC00');"
        "INSERT INTO chips(rowid, Code) VALUES(10, 'FF00');"
        "INSERT INTO chips(rowid, Code) VALUES(20, 'AA00');");
    auto table = MakeChipTable(catalogue.path());
    ASSERT_TRUE(table->Open());
    EXPECT_EQ(Codes(*table), (std::vector<std::string>{"FF00", "AA00", "CC00"}));
}

TEST(CatalogueSqliteTable, StoredValuesReadAsText) {
    TempCatalogue catalogue;
    catalogue.WriteSql(
        "CREATE TABLE chips(Code, Name, Size, tErase, tWrite, Type);"
        "INSERT INTO chips VALUES('AB05', 'Микросхема', '4M', 132, 4.0, 64512);"
        "INSERT INTO chips VALUES('AB06', NULL, x'344D', 1.5, -3, NULL);");
    auto table = MakeChipTable(catalogue.path());
    ASSERT_TRUE(table->Open());
    table->First();
    EXPECT_EQ(table->Field("Name"), "Микросхема");
    EXPECT_EQ(table->Field("Size"), "4M");
    EXPECT_EQ(table->Field("tErase"), "132");
    EXPECT_EQ(table->Field("tWrite"), "4");
    EXPECT_EQ(table->Field("Type"), "64512");
    table->Next();
    EXPECT_EQ(table->Field("Name"), "");
    EXPECT_EQ(table->Field("Size"), "4M");
    EXPECT_EQ(table->Field("tErase"), "1.5");
    EXPECT_EQ(table->Field("tWrite"), "-3");
    EXPECT_EQ(table->Field("Type"), "");
}

TEST(CatalogueSqliteTable, FieldsAreFoundByNameWhateverTheColumnOrder) {
    TempCatalogue catalogue;
    catalogue.WriteSql(
        "CREATE TABLE chips(Type, Remark, tWrite, Size, Code, tErase, Name);"
        "INSERT INTO chips VALUES('255', 'x', '3', '2M', '01B0', '5', 'Am29F002T');");
    auto table = MakeChipTable(catalogue.path());
    ASSERT_TRUE(table->Open());
    table->First();
    EXPECT_EQ(table->Field("Code"), "01B0");
    EXPECT_EQ(table->Field("Name"), "Am29F002T");
    EXPECT_EQ(table->Field("Size"), "2M");
    EXPECT_EQ(table->Field("tErase"), "5");
    EXPECT_EQ(table->Field("tWrite"), "3");
    EXPECT_EQ(table->Field("Type"), "255");
}

TEST(CatalogueSqliteTable, EndOfTableKeepsTheLastRowCurrent) {
    TempCatalogue catalogue;
    catalogue.Write(
        {{"0001", "One", "64K", "0", "0", "65024"}, {"0002", "Two", "64K", "0", "0", "65024"}});
    SqliteChipTable table(catalogue.path());
    ASSERT_TRUE(table.Open());
    table.First();
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.Field("Code"), "0001");
    table.Next();
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.Field("Code"), "0002");
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.Field("Code"), "0002");
    table.Next();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.Field("Code"), "0002");
    table.First();
    EXPECT_FALSE(table.Eof());
    EXPECT_EQ(table.Field("Code"), "0001");
}

TEST(CatalogueSqliteTable, EmptyTableIsAtItsEndWithEmptyFields) {
    TempCatalogue catalogue;
    catalogue.Write({});
    SqliteChipTable table(catalogue.path());
    ASSERT_TRUE(table.Open());
    table.First();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.Field("Code"), "");
    table.Next();
    EXPECT_TRUE(table.Eof());
}

TEST(CatalogueSqliteTable, ClosedTableHoldsNothing) {
    TempCatalogue catalogue;
    catalogue.Write({{"0001", "One", "64K", "0", "0", "65024"}});
    SqliteChipTable table(catalogue.path());
    ASSERT_TRUE(table.Open());
    table.Close();
    table.First();
    EXPECT_TRUE(table.Eof());
    EXPECT_EQ(table.Field("Code"), "");
    table.Close();
    // The file is not held: it can be replaced, and a new open sees the change.
    catalogue.Write({{"0002", "Two", "64K", "0", "0", "65024"}});
    ASSERT_TRUE(table.Open());
    table.First();
    EXPECT_EQ(table.Field("Code"), "0002");
}

// As the sites of a gang do. On Windows, readers that take their locks at
// one moment used to fail now and then ("busy").
TEST(CatalogueSqliteTable, ManyReadersAtOnceAllOpenIt) {
    TempCatalogue catalogue;
    catalogue.Write({{"0001", "One", "64K", "0", "0", "65024"}});
    std::atomic<int> failed = 0;
    std::vector<std::thread> readers;
    for (int t = 0; t < 8; ++t) {
        readers.emplace_back([&] {
            SqliteChipTable table(catalogue.path());
            for (int n = 0; n < 25; ++n) {
                if (!table.Open()) ++failed;
                table.Close();
            }
        });
    }
    for (std::thread& reader : readers) reader.join();
    EXPECT_EQ(failed, 0);
}

TEST(CatalogueSqliteTable, TableWithoutRowidsIsReadInKeyOrder) {
    TempCatalogue catalogue;
    catalogue.WriteSql(
        "CREATE TABLE chips(Code TEXT PRIMARY KEY, Name, Size, tErase, tWrite, Type) "
        "WITHOUT ROWID;"
        "INSERT INTO chips(Code) VALUES('0002');"
        "INSERT INTO chips(Code) VALUES('0001');");
    auto table = MakeChipTable(catalogue.path());
    ASSERT_TRUE(table->Open());
    EXPECT_EQ(Codes(*table), (std::vector<std::string>{"0001", "0002"}));
}

TEST(CatalogueSqliteTable, FilesThatCannotBeOpened) {
    TempCatalogue catalogue;
    const auto expect_refused = [&](const char* what) {
        SCOPED_TRACE(what);
        auto table = MakeChipTable(catalogue.path());
        EXPECT_FALSE(table->Open());
        EXPECT_TRUE(table->Eof());
        EXPECT_EQ(table->Field("Code"), "");
        SqliteChipTable direct(catalogue.path());
        EXPECT_FALSE(direct.Open());
    };

    expect_refused("missing");
    EXPECT_FALSE(std::filesystem::exists(catalogue.path()));

    catalogue.WriteBytes("not a database at all, but long enough to have a header");
    expect_refused("text");

    catalogue.WriteSql("CREATE TABLE other(Code, Name, Size, tErase, tWrite, Type);");
    expect_refused("no chips table");

    catalogue.WriteSql("CREATE VIEW chips AS SELECT 1 AS Code;");
    expect_refused("view without the fields");

    catalogue.Write({{"AB05", "x", "64K", "0", "0", "65024"}}, "Size");
    expect_refused("no Size field");
}

// A `chips` that never ends, as anyone who leaves a chips.db in a folder can make.
constexpr const char* kEndlessChips =
    "CREATE VIEW chips AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
    "SELECT '' AS Code, '' AS Name, '' AS Size, '' AS tErase, '' AS tWrite, '' AS Type "
    "FROM n WHERE i = 0;";

TEST(CatalogueSqliteTable, EndlessTableIsGivenUpAfterItsSteps) {
    TempCatalogue catalogue;
    catalogue.WriteSql(kEndlessChips);
    SqliteChipTable table(catalogue.path(), 50'000);
    EXPECT_FALSE(table.Open());
    EXPECT_EQ(table.OpenFailure(),
              "Чтение таблицы chips прервано: оно не закончилось за 50000 шагов SQLite.");
    EXPECT_TRUE(table.Eof());

    // The same limit reads an ordinary catalogue, and says nothing.
    catalogue.Write({{"AB05", "x", "64K", "0", "0", "65024"}});
    ASSERT_TRUE(table.Open());
    EXPECT_EQ(table.OpenFailure(), "");
}

TEST(CatalogueFileFormat, RecognisesSqliteByContentNotByName) {
    TempCatalogue catalogue;
    const auto other = (catalogue.dir() / "catalogue.bin").string();
    catalogue.Write({{"AB05", "x", "64K", "0", "0", "65024"}});
    std::filesystem::copy_file(catalogue.path(), other);
    auto table = MakeChipTable(other);
    ASSERT_TRUE(table->Open());
    table->First();
    EXPECT_EQ(table->Field("Code"), "AB05");
}

}  // namespace
}  // namespace dspprog
