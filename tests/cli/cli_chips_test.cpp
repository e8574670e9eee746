// SPDX-License-Identifier: GPL-3.0-or-later
// dspprog-cli chips: the catalogue listed as the lookup reads it, SQLite or
// legacy Paradox alike, and copied into SQLite without replacing any file.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "cli_fixture.h"
#include "support/paradox_writer.h"
#include "support/text.h"

namespace dspprog::testing {
namespace {

const std::vector<std::string> kListing = {
    "Code\tName\tSize\tType\ttErase\ttWrite",
    "AB05\tTest Flash 8K\t64K\t255\t4\t1",
    "AB06\tTest EPROM 8K\t64K\t65024\t0\t0",
    "AB08\tTest Huge\t8M\t255\t4\t1",
};

class CliChips : public CliTest {};

TEST_F(CliChips, ListsTheShippedKindOfCatalogue) {
    const CliResult run = Run({"--catalogue", catalogue.path(), "chips"});
    EXPECT_EQ(run.status, kExitSucceeded);
    EXPECT_EQ(run.lines(), kListing);
    EXPECT_EQ(run.err, "");
}

// A catalogue someone else prepared: its Name is shown, not obeyed.
TEST_F(CliChips, ACatalogueFieldKeepsToItsFieldAndLine) {
    catalogue.Write({{"AB05", "Evil\n  Чип определен: X\x1B[2J\tq", "64K", "4", "1", "255"}});
    const std::string shown = "Evil\\n  Чип определен: X\\x1B[2J\\tq";
    const CliResult chips = Run({"--catalogue", catalogue.path(), "chips"});
    EXPECT_EQ(chips.lines(),
              (std::vector<std::string>{kListing[0], "AB05\t" + shown + "\t64K\t255\t4\t1"}));
    const CliResult identify = Run(Emulate("AB05:8192:255", {"identify"}));
    EXPECT_TRUE(Contains(identify.lines(), "  " + shown + ". Объем: 8192 байт(а)."))
        << identify.out;
}

TEST_F(CliChips, CopyNeverReplacesAFile) {
    const std::string existing = Path("kept.db");
    WriteBytes(existing, {'k', 'e', 'p', 't'});
    const CliResult run = Run({"--catalogue", catalogue.path(), "chips", "--to-sqlite", existing});
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.err, "dspprog-cli: --to-sqlite: файл \"" + existing +
                           "\" уже есть; копия не заменяет файлов\n");
    EXPECT_EQ(ReadBytes(existing), (std::vector<std::uint8_t>{'k', 'e', 'p', 't'}));

    // The catalogue itself is a file that is there too.
    EXPECT_EQ(
        Run({"--catalogue", catalogue.path(), "chips", "--to-sqlite", catalogue.path()}).status,
        kExitUsage);
}

TEST_F(CliChips, UnreadableCatalogueIsTheLookupsFatalStop) {
    const CliResult run = Run({"--catalogue", Path("missing.db"), "chips"});
    EXPECT_EQ(run.status, kExitStopped);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "Ошибка при открытии базы данных чипов!\n\rПрограмма будет аварийно завершена.\n");
    EXPECT_FALSE(std::filesystem::exists(Path("missing.db")));
}

// A chips.db left in a folder by someone else, whose `chips` never ends.
TEST_F(CliChips, EndlessCatalogueIsRefusedNotWaitedFor) {
    catalogue.WriteSql(
        "CREATE VIEW chips AS WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) "
        "SELECT '' AS Code, '' AS Name, '' AS Size, '' AS tErase, '' AS tWrite, '' AS Type "
        "FROM n WHERE i = 0;");
    for (const auto& command :
         {std::vector<std::string>{"chips"},
          std::vector<std::string>{"--emulate", "AB05:8192:255", "identify"}}) {
        std::vector<std::string> args{"--catalogue", catalogue.path()};
        args.insert(args.end(), command.begin(), command.end());
        const CliResult run = Run(args);
        EXPECT_EQ(run.status, kExitStopped) << command.back();
        EXPECT_EQ(run.err,
                  "Ошибка при открытии базы данных чипов!\n"
                  "Чтение таблицы chips прервано: оно не закончилось за 10000000 шагов SQLite.\n\r"
                  "Программа будет аварийно завершена.\n")
            << command.back();
    }
}

TEST_F(CliChips, OptionsThatDoNotBelongAreRefused) {
    EXPECT_EQ(
        Run({"--catalogue", catalogue.path(), "identify", "--to-sqlite", Path("x.db")}).status,
        kExitUsage);
    const CliResult emulated = Run({"--emulate", "AB05", "chips"});
    EXPECT_EQ(emulated.status, kExitUsage);
    EXPECT_NE(emulated.err.find("chips reads only the catalogue"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(Path("x.db")));
}

TEST_F(CliChips, HelpTellsOfTheCommand) {
    const CliResult run = Run({"--help"});
    EXPECT_NE(run.out.find("chips [--to-sqlite FILE]"), std::string::npos);
    EXPECT_NE(run.out.find("--to-sqlite"), std::string::npos);
}

#if DSPPROG_PARADOX
// Legacy Paradox catalogues, where this build reads them.

TEST_F(CliChips, ListsALegacyParadoxCatalogueAlike) {
    WriteParadoxTable(catalogue.path(),
                      ParadoxCatalogue({{"AB05", "Test Flash 8K", "64K", "4", "1", "255"},
                                        {"AB06", "Test EPROM 8K", "64K", "0", "0", "65024"},
                                        {"AB08", "Test Huge", "8M", "4", "1", "255"}}));
    const CliResult run = Run({"--catalogue", catalogue.path(), "chips"});
    EXPECT_EQ(run.status, kExitSucceeded);
    EXPECT_EQ(run.lines(), kListing);
}

TEST_F(CliChips, CopiesALegacyCatalogueIntoSqlite) {
    WriteParadoxTable(catalogue.path(),
                      ParadoxCatalogue({{"8F01", "К573РФ5", "128K", "0", "0", "64768"}}));
    const std::string copy = Path("new.db");
    const CliResult run = Run({"--catalogue", catalogue.path(), "chips", "--to-sqlite", copy});
    EXPECT_EQ(run.status, kExitSucceeded);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "dspprog-cli: Строк скопировано в \"" + copy + "\": 1\n");
    const std::vector<std::uint8_t> bytes = ReadBytes(copy);
    ASSERT_GT(bytes.size(), 16u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 15), "SQLite format 3");

    const CliResult listed = Run({"--catalogue", copy, "chips"});
    EXPECT_EQ(listed.lines(),
              (std::vector<std::string>{kListing[0], "8F01\tК573РФ5\t128K\t64768\t0\t0"}));
}

#endif  // DSPPROG_PARADOX

}  // namespace
}  // namespace dspprog::testing
