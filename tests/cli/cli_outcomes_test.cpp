// SPDX-License-Identifier: GPL-3.0-or-later
// Exit statuses and what the operator is shown for each way a command ends.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <ostream>
#include <regex>

#include "cli/run_cli.h"
#include "cli_fixture.h"
#include "support/text.h"

namespace dspprog::testing {
namespace {

using Lines = std::vector<std::string>;

std::string Zeros(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += " 00";
    return text;
}

const char* const kHaltClosingLine = "\n\rПрограмма будет аварийно завершена.\n";

class CliOutcomes : public CliTest {};

TEST_F(CliOutcomes, IdentifySucceedsAndPutsBothBlocksInTheWireLog) {
    const std::string wire = Path("wire.txt");
    const CliResult run = Run(Emulate("AB05:8192:255", {"--wire-log", wire, "identify"}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    EXPECT_EQ(run.lines(),
              (Lines{"", "+++ Начало определения чипа.", "  Test Flash 8K. Объем: 8192 байт(а).",
                     "--- Окончание определения чипа."}));
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadLines(wire), (Lines{"CmdOut 80" + Zeros(15), "CmdIn 00 AB 05" + Zeros(13)}));
}

// Runs on the emulated programmer that end with a status and a line or two.
struct OutcomeCase {
    const char* name;
    const char* chip;  // for --emulate
    Lines rest;        // the options and the command after it
    int status;
    Lines lines = {};                     // the whole standard output, when given
    std::string line = {};                // one whole line of it, when given
    std::optional<std::string> err = {};  // the whole error output, when given
};

void PrintTo(const OutcomeCase& c, std::ostream* out) {
    *out << c.name;
}

class CliOutcome : public CliTest, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(CliOutcome, EndsWithItsStatusAndTellsTheOperator) {
    const OutcomeCase& c = GetParam();
    const CliResult run = Run(Emulate(c.chip, c.rest));
    EXPECT_EQ(run.status, c.status) << run.err;
    if (!c.lines.empty()) {
        EXPECT_EQ(run.lines(), c.lines);
    }
    if (!c.line.empty()) {
        EXPECT_TRUE(Contains(run.lines(), c.line)) << run.out;
    }
    if (c.err) {
        EXPECT_EQ(run.err, *c.err);
    }
}

const Lines kIdentifyOnly = {"identify"};

INSTANTIATE_TEST_SUITE_P(
    Emulated, CliOutcome,
    ::testing::Values(
        // Bytes 5 and 6 are tried before bytes 1 and 2.
        OutcomeCase{"IdentificationBytesFromTheIdentOption",
                    "CD01:8192:255",
                    {"--ident", "00000000AB0600000000000000000F", "identify"},
                    kExitSucceeded,
                    {},
                    "  Test EPROM 8K. Объем: 8192 байт(а)."},
        OutcomeCase{
            "AChipTheCatalogueDoesNotKnowIsAFailure",
            "CD01:8192:255",
            kIdentifyOnly,
            kExitFailed,
            {"", "+++ Начало определения чипа.", "  Чип не определен!",
             "  Считаны коды: \"00 CD 01" + Zeros(13) + "\"", "--- Окончание определения чипа."}},
        OutcomeCase{"ARefusedIdentificationIsAFailure",
                    "AB05:8192:255",
                    {"--fault", "refuse:80", "identify"},
                    kExitFailed,
                    {"", "+++ Начало определения чипа.", "--- Окончание определения чипа."}},
        OutcomeCase{"ARefusedReadIsAFailure",
                    "AB05:8192:255",
                    {"--fault", "refuse:83", "read"},
                    kExitFailed,
                    {},
                    {},
                    "Команду _BurstRead не принято\n"},
        OutcomeCase{"AFailedCompletionReplyIsAFailure",
                    "AB05:8192:255",
                    {"--fault", "fail:83", "read"},
                    kExitFailed,
                    {},
                    "  Чип рапортует \"Операция чтения не успешна!\" "},
        OutcomeCase{
            "AnEraseThatReadsBackBlankSucceeds", "AB05:8192:255", {"erase"}, kExitSucceeded},
        OutcomeCase{"AnEraseThatLeavesBytesFails",
                    "AB05:8192:255",
                    {"--fault", "stuck:3", "erase"},
                    kExitFailed,
                    {},
                    "  Чип имеет: 3 не стертых байт(а)"},
        // An EPROM has no erase algorithm.
        OutcomeCase{"AnEpromIsNotErased",
                    "Test EPROM 8K",
                    {"erase"},
                    kExitFailed,
                    {},
                    "  Алгоритм стирания чипа не известен!"},
        OutcomeCase{"AStallWithNobodyToAskTerminates",
                    "AB05:8192:255",
                    {"--fault", "stall:CmdIn", "identify"},
                    kExitStopped,
                    {},
                    {},
                    "Критическая ошибка: Из USB не считано :16 байт!\n"
                    "  -> Завершить (некого спросить)\n"},
        // A 1 MB chip can be identified but not placed in the programmer's window.
        OutcomeCase{"AHugeChipIsIdentified", "Test Huge", kIdentifyOnly, kExitSucceeded}),
    [](const ::testing::TestParamInfo<OutcomeCase>& test) { return std::string(test.param.name); });

TEST_F(CliOutcomes, ReadOfABlankChipSucceeds) {
    const std::string wire = Path("wire.txt");
    const CliResult run = Run(Emulate("AB05:8192:255", {"--wire-log", wire, "read"}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    const Lines lines = run.lines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[5], "  Чип чист.");
    EXPECT_EQ(lines[6], "--- Окончание чтения чипа.");

    // Identification, the read command and its reply, two data blocks, the completion reply.
    const Lines blocks = ReadLines(wire);
    ASSERT_EQ(blocks.size(), 7u);
    EXPECT_EQ(blocks[2].rfind("CmdOut 83 ", 0), 0u) << blocks[2];
    EXPECT_EQ(blocks[3], "CmdIn 00" + Zeros(15));
    std::string erased_block = "MainIn";
    for (int i = 0; i < 4096; ++i) erased_block += " FF";
    EXPECT_EQ(blocks[4], erased_block);
    EXPECT_EQ(blocks[5], erased_block);
    EXPECT_EQ(blocks[6], "CmdIn 00" + Zeros(15));
}

TEST_F(CliOutcomes, AStallAnsweredWithTerminateStopsWithThreeAndKeepsTheWireLog) {
    const std::string wire = Path("wire.txt");
    const CliResult run = Run(Emulate("AB05:8192:255", {"--fault", "stall:MainIn", "--on-stall",
                                                        "terminate", "--wire-log", wire, "read"}));
    EXPECT_EQ(run.status, kExitStopped);
    EXPECT_EQ(run.err,
              "Критическая ошибка: Из USB не считано :4096 байт!\n"
              "  -> Завершить (--on-stall terminate)\n");
    EXPECT_FALSE(Contains(run.lines(), "--- Окончание чтения чипа."));
    const Lines blocks = ReadLines(wire);
    ASSERT_EQ(blocks.size(), 4u);
    EXPECT_EQ(blocks[2].rfind("CmdOut 83 ", 0), 0u);
}

TEST_F(CliOutcomes, AStallIsAskedAboutAtATerminalUntilTheAnswerIsTerminate) {
    // A short block stays short: every wait brings the prompt back.
    const std::string typed = "w\nmaybe\nt\n";
    const CliResult run =
        Run(Emulate("AB05:8192:255", {"--fault", "short:MainIn", "read"}), &typed);
    EXPECT_EQ(run.status, kExitStopped);
    const std::string prompt = "Критическая ошибка: Из USB не считано :4032 байт!\n";
    const std::string question = "Подождать [w] или Завершить [t]? ";
    EXPECT_EQ(run.err, prompt + question + prompt + question + question);
}

TEST_F(CliOutcomes, AnUnpluggedProgrammerStopsWithThreeOnALineOfItsOwn) {
    progress = true;
    // Identification, the read command and its reply, one data block: then it is gone.
    const CliResult run = Run(Emulate("AB05:8192:255", {"--fault", "unplug@5", "read"}));
    EXPECT_EQ(run.status, kExitStopped);
    const std::string empty_bar = "[" + std::string(40, ' ') + "] 0/2";
    const std::string half = "[" + std::string(20, '#') + std::string(20, ' ') + "] 1/2";
    const std::string wipe = "\r" + std::string(half.size(), ' ') + "\r";
    EXPECT_EQ(run.err, "\r" + empty_bar + "\r" + half + wipe + "Программатор отключен от USB!" +
                           kHaltClosingLine);
}

TEST_F(CliOutcomes, WithoutTheEmulatorNoProgrammerIsFound) {
    const CliResult run = Run({"--catalogue", catalogue.path(), "identify"});
    EXPECT_EQ(run.status, kExitStopped);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, std::string("Не удалось получить доступ к устройству!") + kHaltClosingLine);
}

#ifndef _WIN32
TEST_F(CliOutcomes, ABackendThatIsNotBuiltIsAUsageError) {
    const CliResult run = Run({"--usb", "native", "identify"});
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_NE(run.err.find("'native' is not part of this build"), std::string::npos) << run.err;
}
#endif

TEST_F(CliOutcomes, AnUnusableCatalogueStopsTheProgram) {
    const std::string halt =
        std::string("Ошибка при открытии базы данных чипов!") + kHaltClosingLine;
    const std::string missing = Path("missing.db");
    // The lookup of the operation stops...
    const CliResult triple =
        Run({"--catalogue", missing, "--emulate", "AB05:8192:255", "--fast", "identify"});
    EXPECT_EQ(triple.status, kExitStopped);
    EXPECT_EQ(triple.err, halt);
    EXPECT_EQ(triple.lines(), (Lines{"", "+++ Начало определения чипа."}));
    // ... and a chip named by the catalogue stops before anything starts.
    const CliResult named =
        Run({"--catalogue", missing, "--emulate", "Test Flash 8K", "--fast", "identify"});
    EXPECT_EQ(named.status, kExitStopped);
    EXPECT_EQ(named.err, halt);
    EXPECT_EQ(named.out, "");

    catalogue.WriteBytes("this is no catalogue at all, just some text");
    const CliResult corrupt = Run(Emulate("AB05:8192:255", {"identify"}));
    EXPECT_EQ(corrupt.status, kExitStopped);
    EXPECT_EQ(corrupt.err, halt);
}

TEST_F(CliOutcomes, WithoutCatalogueOptionTheSearchOrderFindsOneOrSaysWhereItLooked) {
    namespace fs = std::filesystem;
    const fs::path root = catalogue.dir();
    for (const char* dir : {"work", "home", "data/dspprog", "usr/bin", "usr/share/dspprog"})
        fs::create_directories(root / dir);
    places = CatalogueEnvironment{std::nullopt, (root / "work").string(), (root / "data").string(),
                                  (root / "home").string(), (root / "usr/bin").string()};

    const CliResult nowhere = Run({"--emulate", "Test Flash 8K", "--fast", "identify"});
    EXPECT_EQ(nowhere.status, kExitStopped);
    // The fatal text as ever, and one line that names the three places.
    const CatalogueLocation located = LocateCatalogue(*places);
    ASSERT_EQ(located.looked_at.size(), 3u);
    EXPECT_EQ(nowhere.err, std::string("Ошибка при открытии базы данных чипов!") +
                               kHaltClosingLine + "dspprog-cli: " + CatalogueSearchText(located) +
                               "\n");

    // The installed one, then the user's own copy, which comes first.
    fs::copy_file(catalogue.path(), root / "usr/share/dspprog/chips.db");
    EXPECT_EQ(Run({"--emulate", "Test Flash 8K", "--fast", "identify"}).status, kExitSucceeded);
    catalogue.Write({{"AB05", "User's Flash 8K", "64K", "4", "1", "255"}});
    fs::copy_file(catalogue.path(), root / "data/dspprog/chips.db");
    const CliResult users = Run({"--emulate", "AB05", "--fast", "identify"});
    EXPECT_EQ(users.lines().at(2), "  User's Flash 8K. Объем: 8192 байт(а).");
}

TEST_F(CliOutcomes, AFatalStopInsideAnOperationExitsWithThree) {
    // Identified (above), but not placed in the programmer's window.
    const CliResult read = Run(Emulate("Test Huge", {"read"}));
    EXPECT_EQ(read.status, kExitStopped);
    EXPECT_TRUE(read.err.size() > std::string(kHaltClosingLine).size() &&
                read.err.substr(read.err.size() - std::string(kHaltClosingLine).size()) ==
                    kHaltClosingLine)
        << read.err;
}

TEST_F(CliOutcomes, EmulatorSetUpErrorsAreUsageErrors) {
    const CliResult unknown = Run(Emulate("Test Nothing", {"identify"}));
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_EQ(unknown.err, "dspprog-cli: --emulate: chip 'Test Nothing' is not in the catalogue '" +
                               catalogue.path() + "'\n");
    const CliResult odd_size = Run(Emulate("AB05:12288:255", {"identify"}));
    EXPECT_EQ(odd_size.status, kExitUsage);
    EXPECT_NE(odd_size.err.find("SIZE must be"), std::string::npos);
}

TEST_F(CliOutcomes, AChipThatChangesDuringTheEraseIsNotWritten) {
    // The erase's own identification (the second command) finds a larger chip.
    catalogue.Write({{"AB05", "Test Flash 8K", "64K", "4", "1", "255"},
                     {"AB07", "Test Flash 16K", "128K", "4", "1", "255"}});
    const std::string image = Path("image.bin");
    WriteBytes(image, std::vector<std::uint8_t>(8192, 0x11));
    const std::string wire = Path("wire.txt");
    const CliResult run =
        Run(Emulate("AB05", {"--fault", "ident:AB07@1", "--wire-log", wire, "write", image}));

    EXPECT_EQ(run.status, kExitFailed) << run.err;
    const Lines lines = run.lines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[lines.size() - 2],
              "  При стирании определен другой чип: \"Test Flash 16K\", 16384 байт, вместо "
              "\"Test Flash 8K\", 8192 байт! Запись прекращена.");
    EXPECT_EQ(lines.back(), "--- Окончание записи чипа.");
    // Identification, the erase's identification, erase and blank check: no kWriteChip.
    std::string opcodes;
    for (const std::string& line : ReadLines(wire))
        if (line.rfind("CmdOut ", 0) == 0) opcodes += line.substr(7, 2) + " ";
    EXPECT_EQ(opcodes, "80 80 A0 83 ");
}

TEST_F(CliOutcomes, SpeedIsShownWithTheLocaleDecimalSeparator) {
    // The timing model gives the series a duration on the simulated clock.
    const CliResult run =
        Run({"--catalogue", catalogue.path(), "--emulate", "AB05:8192:255", "speed"}, nullptr, ',');
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    const Lines lines = run.lines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "Измерение скорости обмена 16 битной Endpoint");
    EXPECT_EQ(lines[2], "Измерение скорости обмена 64 битной Endpoint");
    const std::regex figure("Скорость (16|64) битной Endpoint: [0-9]+,[0-9]{1,2}");
    EXPECT_TRUE(std::regex_match(lines[1], figure)) << lines[1];
    EXPECT_TRUE(std::regex_match(lines[3], figure)) << lines[3];
    EXPECT_EQ(run.out.find('.'), std::string::npos) << run.out;
}

}  // namespace
}  // namespace dspprog::testing
