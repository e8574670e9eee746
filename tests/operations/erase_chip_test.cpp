// SPDX-License-Identifier: GPL-3.0-or-later
// Erasing: the checks that keep a chip from being erased, the erase and
// blank-check exchange, and the verdict.

#include <algorithm>

#include <gtest/gtest.h>

#include "chip_bench.h"
#include "operations/erase_chip.h"

namespace dspprog::testing {
namespace {

constexpr const char* kClosed = "--- Окончание стирания чипа.";

struct EraseBench : ChipBench {
    explicit EraseBench(const Chip& chip)
        : ChipBench(chip, kEraseOpened, kClosed) {
        // Something to erase.
        for (std::size_t i = 0; i < firmware.chip().size(); i += 3)
            firmware.chip().content()[i] = 0;
    }
};

const Chip kFlash8K{8192, "64K", kType255, "255", "0x84"};
const Chip kFC00_64K{65536, "512K", kTypeFC00, "$FC00", "4"};

// --- The whole exchange ---------------------------------------------------------

TEST(EraseExchange, Type255ErasesAndReadsBackBlank) {
    EraseBench bench(kFlash8K);
    EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(),
              bench.Lines({kErasing, kEraseWait, kEraseChecking, kErased}));
    std::vector<std::string> wire = IdentWire();
    const std::vector<std::string> rest = {
        "CmdOut " + Hex16({0xA0, 0x00, 0xE0, 0x97, 0x04, 0xFA, 0x04, 0x0A}),
        "CmdIn " + Hex16({}),
        "CmdIn " + Hex16({}),  // completion of the erase
        "CmdOut " + Hex16({0x83, 0x00, 0xE0, 0x87, 0x04, 0xFA, 0x04, 0x0A}),
        "CmdIn " + Hex16({}),
        DataLine("MainIn"),
        DataLine("MainIn"),
        "CmdIn " + Hex16({}),
    };
    wire.insert(wire.end(), rest.begin(), rest.end());
    EXPECT_EQ(bench.WireLines(), wire);
    EXPECT_EQ(bench.firmware.chip().content(), std::vector<std::uint8_t>(8192, 0xFF));
    EXPECT_EQ(bench.op.progress(),
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 2}, {1, 2}, {2, 2}}));
}

TEST(EraseExchange, FC00BlankCheckCarriesTheEraseParameters) {
    EraseBench bench(kFC00_64K);
    EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Succeeded);
    const auto commands = bench.Commands();
    ASSERT_EQ(commands.size(), 3u);
    EXPECT_EQ(commands[1], Hex16({0xD0, 0x00, 0x00, 0xAF, 0x04, 0x19, 0x02, 0x02}));
    EXPECT_EQ(commands[2], Hex16({0x83, 0x00, 0x00, 0x87, 0x04, 0x19, 0x02, 0x02}));
}

TEST(EraseExchange, CompletionIsAwaitedWithFactorTwo) {
    EraseBench bench(kFlash8K);
    bench.link.SetTimeoutFactor(500);  // whatever came before does not matter
    // CmdIn: identification reply, erase reply, then the erase's completion.
    auto& stall = bench.firmware.faults().stall_from[static_cast<int>(emu::PipeRole::CmdIn)];
    stall = 2;
    bench.op.prompt().OnShow([&](std::size_t, const std::string&) { stall = -1; });
    bench.op.prompt().Script({CriticalPrompt::kRetry});
    const std::uint64_t accepted_at = bench.clock.NowMs();  // every other transfer is instant
    EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Succeeded);
    ASSERT_EQ(bench.op.prompt().messages(),
              std::vector<std::string>{"Из USB не считано :16 байт!"});
    EXPECT_EQ(bench.op.prompt().times()[0] - accepted_at, 20000u);
}

// --- Checks before anything is sent ----------------------------------------------

struct Refusal {
    const char* what;
    Chip chip;
    std::vector<std::string> lines;
};

TEST(EraseChecks, RefusedChipsGetTheirLinesAndNoCommand) {
    const std::vector<Refusal> cases = {
        {"no erase algorithm",
         {8192, "64K", kType255, "255", "0"},
         {"  Алгоритм стирания чипа не известен!"}},
        {"FC00 of a size it cannot erase",
         {8192, "64K", kTypeFC00, "$FC00", "4"},
         {kErasing, "  Размер чипа не понятен!",
          "  ВРЕМЯ ОЖИДАНИЯ окончания стирания не известно!!!"}},
        {"the size is checked before the algorithm",
         {16384, "128K", kTypeFC00, "$FC00", "7"},
         {kErasing, "  Размер чипа не понятен!",
          "  ВРЕМЯ ОЖИДАНИЯ окончания стирания не известно!!!"}},
        {"UV EPROM",
         {8192, "64K", kTypeFD00, "$FD00", "4"},
         {kErasing, "  ВРЕМЯ ОЖИДАНИЯ окончания стирания не известно!!!"}},
        {"FE00",
         {32768, "256K", kTypeFE00, "$FE00", "5"},
         {kErasing, "  ВРЕМЯ ОЖИДАНИЯ окончания стирания не известно!!!"}},
        {"unknown algorithm",
         {8192, "64K", kType255, "255", "7"},
         {kErasing, "  Алгоритм стирания не подходит под известные!"}},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.what);
        EraseBench bench(c.chip);
        const auto before = bench.firmware.chip().content();
        EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Failed);
        std::vector<std::string> expected = {"", kEraseOpened, bench.ChipLine()};
        expected.insert(expected.end(), c.lines.begin(), c.lines.end());
        expected.push_back(kClosed);
        EXPECT_EQ(bench.op.transcript(), expected);
        EXPECT_EQ(bench.WireLines(), IdentWire());
        EXPECT_EQ(bench.firmware.chip().content(), before);
    }
}

TEST(EraseChecks, ChipTooLargeToPlaceStopsAfterTheErasingLine) {
    EraseBench bench({8192, "8M", kType255, "255", "4"});
    const FatalStop stop =
        ExpectFatalStop([&] { RunInterlocked(bench.session, kEreaseChipButton); });
    EXPECT_EQ(stop.message(), "Ошибочный вызов CalcAddres! inps= 1048576");
    EXPECT_EQ(bench.op.transcript(),
              (std::vector<std::string>{
                  "", kEraseOpened, "  Чип определен: CHIP. Объем: 1048576 байт(а).", kErasing}));
    EXPECT_EQ(bench.WireLines(), IdentWire());
}

// --- Verdicts and refusals after sending ------------------------------------------

TEST(EraseVerdict, StuckBytesAreCountedAndFailTheErase) {
    EraseBench bench(kFlash8K);
    bench.firmware.faults().stuck = 3;
    EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              bench.Lines({kErasing, kEraseWait, kEraseChecking, "  Чип имеет: 3 не стертых байт(а)"}));
}

TEST(EraseVerdict, ASingleByteThatIsNotFFFailsTheErase) {
    // Partly erased cells as well as fully programmed ones.
    for (const std::uint8_t value : {std::uint8_t{0x7F}, std::uint8_t{0xFE}, std::uint8_t{0x00}}) {
        SCOPED_TRACE(static_cast<int>(value));
        EraseBench bench(kFlash8K);
        bench.firmware.faults().stuck = 1;
        bench.firmware.faults().stuck_value = value;
        EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Failed);
        EXPECT_EQ(bench.op.transcript(), bench.Lines({kErasing, kEraseWait, kEraseChecking,
                                                      "  Чип имеет: 1 не стертых байт(а)"}));
        const auto& content = bench.firmware.chip().content();
        EXPECT_EQ(std::count(content.begin(), content.end(), value), 1);
    }
}

TEST(EraseVerdict, BlankCheckCompletionDoesNotChangeTheVerdict) {
    EraseBench bench(kFlash8K);
    bench.firmware.faults().fail_completion.insert(kBurstRead);
    EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.log().at(6), kErased);
}

TEST(EraseVerdict, RefusalsAfterTheChecksShowBoxes) {
    struct Case {
        const char* what;
        std::uint8_t opcode;
        bool completion;
        std::vector<std::string> middle;
        std::size_t commands;
    };
    const std::vector<Case> cases = {
        {"erase refused",
         kEraseChip,
         false,
         {kErasing, kEraseWait, "[box] Команду _EraseChip не принято"},
         2},
        {"erase failed", kEraseChip, true, {kErasing, kEraseWait, "[box] Error Erase"}, 2},
        {"blank check refused",
         kBurstRead,
         false,
         {kErasing, kEraseWait, kEraseChecking, "[box] Команду _BurstRead не принято"},
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EraseBench bench(kFlash8K);
        (c.completion ? bench.firmware.faults().fail_completion : bench.firmware.faults().refuse)
            .insert(c.opcode);
        EXPECT_EQ(RunInterlocked(bench.session, kEreaseChipButton), Outcome::Failed);
        std::vector<std::string> expected = {"", kEraseOpened, bench.ChipLine()};
        expected.insert(expected.end(), c.middle.begin(), c.middle.end());
        expected.push_back(kClosed);
        EXPECT_EQ(bench.op.transcript(), expected);
        EXPECT_EQ(bench.Commands().size(), c.commands);
    }
}

}  // namespace
}  // namespace dspprog::testing
