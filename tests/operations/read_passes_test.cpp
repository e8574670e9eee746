// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a chip several times over the emulated programmer's faults: weak
// cells are found where they were planted, with the bits that flip; bad
// contacts are named; a chip that moved fails; the first pass is kept.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "operations/read_chip.h"
#include "support/bytes.h"
#include "support/programmer_fixture.h"
#include "support/warning_names.h"

namespace dspprog::testing {
namespace {

constexpr std::uint32_t kSize = 131072;  // its top address line is A16
constexpr std::uint32_t kBlocks = kSize / kBlockSize;

struct PassesBench : ProgrammerBench {
    PassesBench(const std::vector<std::string>& faults, std::uint32_t passes,
                std::vector<std::uint8_t> content = Pattern(kSize, 5))
        : ProgrammerBench(emu::VirtualChip(kSize, kType255), IdentReply({{1, 0x1F}, {2, 0x5D}}),
                          {{"1F5D", "AT49F010", "1M", "0", "1", "255"},
                           {"1F5E", "OTHER", "1M", "0", "1", "255"}}) {
        firmware.chip().content() = std::move(content);
        for (const std::string& word : faults) {
            std::string error;
            EXPECT_TRUE(emu::ParseFault(word, firmware.faults(), error)) << error;
        }
        session.settings.passes = passes;
    }
};

constexpr const char* kMoved =
    "После чтения чип отвечает другим кодом или не отвечает: чип сдвинулся в панельке?";

TEST(ReadPasses, FindsWhatWasPlantedAndNothingElse) {
    // clang-format off
    const struct {
        const char* name;
        std::vector<std::string> faults;
        std::uint32_t passes;
        std::map<std::uint32_t, std::uint8_t> weak;  // address: the bits that flip
        std::vector<std::string> warnings;
        bool moved = false;  // the identification after the passes answers otherwise
        bool blank = false;
    } cases[] = {
        {"clean", {}, 3, {}, {}},
        {"blank", {}, 2, {}, {}, false, true},
        {"a weak bit", {"flaky:0x1234"}, 2, {{0x1234, 0x01}}, {}},
        {"weak cells at both ends", {"flaky:0:0x80", "flaky:131071:0x0C"}, 9,
         {{0, 0x80}, {131071, 0x0C}}, {}},
        {"D3 stuck at 0", {"pin:D3=0"}, 2, {}, {"D3=0"}},
        {"D6 stuck at 1", {"pin:D6=1"}, 1, {}, {"D6=1"}},
        {"A16 open", {"pin:A16"}, 1, {}, {"half"}},
        {"A16 open and a weak cell", {"pin:A16", "flaky:5:0x10"}, 2,
         {{5, 0x10}, {65541, 0x10}}, {"half"}},
        // Commands: identification, the reads, then the identification again.
        {"another chip after", {"ident:1F5E@3"}, 2, {}, {}, true},
        {"no chip after", {"ident:0000@4"}, 3, {}, {}, true},
        {"one pass does not look again", {"ident:0000@2"}, 1, {}, {}},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PassesBench bench(c.faults, c.passes,
                          c.blank ? std::vector<std::uint8_t>(kSize, 0xFF) : Pattern(kSize, 5));
        const Outcome outcome = RunInterlocked(bench.session, kReadButton);
        EXPECT_EQ(outcome, c.weak.empty() && !c.moved ? Outcome::Succeeded : Outcome::Failed);
        const OperationFindings& found = bench.session.findings;
        EXPECT_TRUE(!c.moved || found.failure == kMoved) << found.failure;
        EXPECT_EQ(bench.session.tChip.Name, "AT49F010") << "the chip that was read";
        EXPECT_EQ(found.passes, c.passes);
        EXPECT_EQ(found.unstable.count, c.weak.size());
        std::uint8_t bits = 0;
        std::size_t shown = 0;
        for (const auto& [address, mask] : c.weak) {
            bits |= mask;
            ASSERT_LT(shown, found.unstable.first.size());
            const UnstableBytes::Byte& byte = found.unstable.first[shown++];
            EXPECT_EQ(byte.address, address);
            // A weak cell reads true, then flipped, then true again, ...
            const std::uint8_t cell =
                bench.firmware.chip().content()[address & ~bench.firmware.faults().open_address];
            std::vector<std::uint8_t> values;
            for (std::uint32_t pass = 0; pass < c.passes; ++pass)
                values.push_back(static_cast<std::uint8_t>(cell ^ (pass % 2 ? mask : 0)));
            EXPECT_EQ(byte.values, values);
        }
        EXPECT_EQ(found.unstable.bits, bits);
        EXPECT_EQ(WarningNames(found.warnings), c.warnings);
        // Every pass moves the progress on, from 0 to all of them.
        const std::uint32_t total = kBlocks * c.passes;
        ASSERT_EQ(bench.op.progress().size(), total + 1);
        EXPECT_EQ(bench.op.progress().front(), std::make_pair(0u, total));
        EXPECT_EQ(bench.op.progress().back(), std::make_pair(total, total));
    }
}

TEST(ReadPasses, DisagreeingPassesAreListedAndOnlyThePartIsKept) {
    std::vector<std::string> faults;
    for (int n = 0; n < 18; ++n) faults.push_back("flaky:" + std::to_string(0x100 * n) + ":0x21");
    PassesBench bench(faults, 3);
    bench.session.settings.save_read = true;
    const std::string path = bench.PathOf("dump.bin");
    bench.op.AnswerSave(path);
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Failed);
    const std::vector<std::string>& log = bench.op.log();
    ASSERT_EQ(log.size(), 2u + 2 + 1 + 16 + 3 + 1);
    EXPECT_EQ(log[4], "  Прочитано 3 раз, чтения не совпали в 18 байт(ах)!");
    EXPECT_EQ(log[5], "  Адрес 0x000000: 0x05 0x24 0x05");
    EXPECT_EQ(log[21], "  ... и ещё 2");
    EXPECT_EQ(log[22], "  Меняются биты: D0, D5 (маска 21h).");
    EXPECT_EQ(log[23],
              "  Чтение не завершено! Считанное сохранено в файле: \"" + path + ".part\".");
    EXPECT_EQ(bench.session.findings.failure, "Прочитано 3 раз, чтения не совпали в 18 байт(ах)!");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(bench.ReadFile("dump.bin.part"), Pattern(kSize, 5)) << "the first pass, as read";
}

}  // namespace
}  // namespace dspprog::testing
