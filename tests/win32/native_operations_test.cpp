// SPDX-License-Identifier: GPL-3.0-or-later
// The chip operations over the native backend: identification, a whole-chip
// read, a write with its erase and verify, each through named pipes served by
// the emulated programmer, and each matching, line for line and block for
// block, the same operation on the in-process emulator.

#include <gtest/gtest.h>

#include <chrono>

#include "grace_clock.h"
#include "native_bench.h"
#include "operations/identify.h"
#include "operations/read_chip.h"
#include "operations/write_chip.h"
#include "support/bytes.h"
#include "support/wire_fixture.h"

namespace dspprog::testing {
namespace {

constexpr std::uint32_t kChipSize = 32768;  // eight data blocks

std::vector<CatalogueRow> Catalogue() {
    return {{"BF07", "CHIP", "256K", "4", "1", "255"}};
}

std::array<std::uint8_t, 15> Ident() {
    return IdentReply({{1, 0xBF}, {2, 0x07}});
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(file)) != EOF;) bytes.push_back(static_cast<std::uint8_t>(c));
        std::fclose(file);
    }
    return bytes;
}

// The in-process emulator's bench with the same chip and catalogue, its link
// open and its wire record empty.
struct Reference : ProgrammerBench {
    explicit Reference(const std::vector<std::uint8_t>& content)
        : ProgrammerBench(emu::VirtualChip(kChipSize, kType255), Ident(), Catalogue()) {
        firmware.chip().content() = content;
    }
};

TEST(NativeOperations, IdentifiesTheChipWithRealWaits) {
    // The steady clock: every wait really blocks on the transfer's event, and
    // returns when it is signalled, long before the 10 s and 100 s deadlines.
    SteadyClock clock;
    NativeBench bench(clock, emu::VirtualChip(kChipSize, kType255), Ident(), Catalogue());
    bench.Open();
    bench.ClearWire();

    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Succeeded);
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(bench.op.transcript(), (std::vector<std::string>{"", "+++ Начало определения чипа.",
                                                               "  CHIP. Объем: 32768 байт(а).",
                                                               "--- Окончание определения чипа."}));
    const auto wire = bench.WirePerPipe();
    EXPECT_EQ(wire[1], std::vector<std::string>{"CmdOut " + Hex16({0x80})});
    EXPECT_EQ(wire[0], std::vector<std::string>{"CmdIn " + Hex16({0x00, 0xBF, 0x07})});
    EXPECT_TRUE(wire[2].empty() && wire[3].empty());
    // Reset to 1 by the identification, then one pass for the write and one for the read.
    EXPECT_EQ(bench.link.TimeoutFactor(), 3u);
    EXPECT_LT(took, std::chrono::seconds(5));
    EXPECT_TRUE(bench.op.prompt().shown().empty());
}

TEST(NativeOperations, ReadsTheWholeChipIntoANewImage) {
    const std::vector<std::uint8_t> content = Pattern(kChipSize, 3);
    GraceClock clock(kPatientMs);
    NativeBench bench(clock, emu::VirtualChip(kChipSize, kType255), Ident(), Catalogue());
    bench.programmer.Change([&](emu::Firmware& fw) { fw.chip().content() = content; });
    bench.Open();
    bench.ClearWire();
    bench.session.settings.save_read = true;
    bench.op.AnswerSave(bench.PathOf("image.bin"));

    Reference reference(content);
    reference.session.settings.save_read = true;
    reference.op.AnswerSave(reference.PathOf("image.bin"));

    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
    ASSERT_EQ(RunInterlocked(reference.session, kReadButton), Outcome::Succeeded);

    EXPECT_EQ(ReadFile(bench.PathOf("image.bin")), content);
    EXPECT_EQ(WithoutDir(bench.op.transcript(), bench.catalogue.dir().string()),
              WithoutDir(reference.op.transcript(), reference.catalogue.dir().string()));
    EXPECT_EQ(bench.op.log().at(4), "  Чип считан за: 0 миллисекунд.");
    const auto wire = bench.WirePerPipe();
    EXPECT_EQ(wire, PerPipe(reference.firmware.wire()));
    EXPECT_EQ(wire[2].size(), kChipSize / 4096);
    EXPECT_EQ(bench.op.progress(), reference.op.progress());
}

TEST(NativeOperations, WritesErasingFirstAndVerifies) {
    // Spoils the write unless erased.
    const std::vector<std::uint8_t> old_content = Pattern(kChipSize, 77);
    const std::vector<std::uint8_t> image = Pattern(kChipSize, 5);
    GraceClock clock(kPatientMs);
    NativeBench bench(clock, emu::VirtualChip(kChipSize, kType255), Ident(), Catalogue());
    bench.programmer.Change([&](emu::Firmware& fw) { fw.chip().content() = old_content; });
    bench.Open();
    bench.ClearWire();
    WriteFile(bench.PathOf("image.bin"), image);
    bench.op.AnswerOpen(bench.PathOf("image.bin"));

    Reference reference(old_content);
    WriteFile(reference.PathOf("image.bin"), image);
    reference.op.AnswerOpen(reference.PathOf("image.bin"));

    EXPECT_EQ(RunInterlocked(bench.session, kWriteChipButton), Outcome::Succeeded);
    ASSERT_EQ(RunInterlocked(reference.session, kWriteChipButton), Outcome::Succeeded);

    const auto transcript = WithoutDir(bench.op.transcript(), bench.catalogue.dir().string());
    EXPECT_EQ(transcript,
              WithoutDir(reference.op.transcript(), reference.catalogue.dir().string()));
    ASSERT_GE(transcript.size(), 3u);
    EXPECT_EQ(transcript.at(transcript.size() - 2), "  Чип записан без ошибок.");
    EXPECT_EQ(bench.WirePerPipe(), PerPipe(reference.firmware.wire()));
    bench.programmer.Stop();
    EXPECT_EQ(bench.firmware.chip().content(), image);
}

}  // namespace
}  // namespace dspprog::testing
