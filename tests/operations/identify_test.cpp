// SPDX-License-Identifier: GPL-3.0-or-later
// Identification: which reply bytes are tried against the catalogue, in which
// order, and what the "Определить чип" button logs.

#include <gtest/gtest.h>

#include "operations/identify.h"
#include "support/programmer_fixture.h"

namespace dspprog::testing {
namespace {

const std::vector<std::string> kOpened = {"", "+++ Начало определения чипа."};
constexpr const char* kClosed = "--- Окончание определения чипа.";

std::vector<std::string> Lines(std::initializer_list<std::string> middle) {
    std::vector<std::string> lines = kOpened;
    lines.insert(lines.end(), middle.begin(), middle.end());
    lines.push_back(kClosed);
    return lines;
}

CatalogueRow Row(const std::string& code, const std::string& name,
                 const std::string& size = "64K") {
    return {code, name, size, "0", "0", "255"};
}

ProgrammerBench Bench(std::array<std::uint8_t, 15> ident, const std::vector<CatalogueRow>& rows) {
    return ProgrammerBench(emu::VirtualChip(8192, kType255), ident, rows);
}

TEST(IdentifyPairs, BytesFiveAndSixWinOverBytesOneAndTwo) {
    // The (1,2) row comes first in the table; the (5,6) pair is tried first.
    auto bench = Bench(IdentReply({{1, 0x1F}, {2, 0x2F}, {5, 0x5F}, {6, 0x6F}}),
                       {Row("1F2F", "ONE-TWO"), Row("5F6F", "FIVE-SIX")});
    EXPECT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(), Lines({"  FIVE-SIX. Объем: 8192 байт(а)."}));
    EXPECT_EQ(bench.session.tChip.ManufCode, 0x5F);
    EXPECT_EQ(bench.session.tChip.DevCode, 0x6F);
}

TEST(IdentifyPairs, BytesOneAndTwoWhenFiveAndSixAreUnknown) {
    auto bench =
        Bench(IdentReply({{1, 0x1F}, {2, 0x2F}, {5, 0x5F}, {6, 0x6F}}), {Row("1F2F", "ONE-TWO")});
    EXPECT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Succeeded);
    EXPECT_EQ(bench.op.transcript(), Lines({"  ONE-TWO. Объем: 8192 байт(а)."}));
}

TEST(IdentifyPairs, ContinuationCodeMovesTheMakerToByteThree) {
    auto bench = Bench(IdentReply({{1, 0x7F}, {2, 0x7F}, {3, 0xAB}, {4, 0x05}}),
                       {Row("7F05", "WRONG"), Row("AB05", "CONTINUED")});
    ASSERT_TRUE(IdentifyChip(bench.session, true));
    EXPECT_EQ(bench.session.tChip.Name, "CONTINUED");
    EXPECT_EQ(bench.session.tChip.ManufCode, 0xAB);
    EXPECT_EQ(bench.session.tChip.DevCode, 0x05);
    EXPECT_TRUE(bench.op.log().empty());
}

TEST(IdentifyPairs, WithoutContinuationTheThirdTryKeepsByteOne) {
    auto bench = Bench(IdentReply({{1, 0x7F}, {2, 0x00}, {3, 0xAB}, {4, 0x33}}),
                       {Row("AB33", "WRONG"), Row("7F33", "BYTE-ONE-FOUR")});
    ASSERT_TRUE(IdentifyChip(bench.session, true));
    EXPECT_EQ(bench.session.tChip.Name, "BYTE-ONE-FOUR");
}

TEST(IdentifyPairs, BytesNineAndTenAreTheLastTry) {
    auto bench = Bench(IdentReply({{9, 0x09}, {10, 0x10}}), {Row("0910", "NINE-TEN", "8M")});
    EXPECT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Succeeded);
    // The largest catalogue size can be identified although it cannot be read.
    EXPECT_EQ(bench.op.transcript(), Lines({"  NINE-TEN. Объем: 1048576 байт(а)."}));
    EXPECT_EQ(bench.session.tChip.Size, 1048576u);
}

TEST(IdentifyFailure, UnknownChipShowsAllSixteenReplyBytes) {
    std::array<std::uint8_t, 15> ident{};
    for (std::uint8_t i = 0; i < 15; ++i) ident[i] = static_cast<std::uint8_t>(i + 1);
    auto bench = Bench(ident, {Row("AAAA", "OTHER")});
    EXPECT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              Lines({"  Чип не определен!",
                     "  Считаны коды: \"00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\""}));
    // The record is left with the last pair tried and nothing from the catalogue.
    EXPECT_EQ(bench.session.tChip.ManufCode, 0x09);
    EXPECT_EQ(bench.session.tChip.DevCode, 0x0A);
    EXPECT_EQ(bench.session.tChip.Name, "");
    EXPECT_EQ(bench.session.tChip.Size, 0u);
}

TEST(IdentifyFailure, WithoutReportNothingIsLogged) {
    auto bench = Bench(IdentReply({{1, 0x12}}), {Row("AAAA", "OTHER")});
    EXPECT_FALSE(IdentifyChip(bench.session, false));
    EXPECT_TRUE(bench.op.transcript().empty());
}

TEST(IdentifyFailure, RefusedCommandLeavesThreeLinesAndTheRecordAlone) {
    auto bench = Bench(IdentReply({{5, 0x5F}, {6, 0x6F}}), {Row("5F6F", "FIVE-SIX")});
    bench.session.tChip.Name = "PREVIOUS";
    bench.session.tChip.Size = 16384;
    bench.firmware.faults().refuse.insert(kGetIdent);
    EXPECT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(), Lines({}));
    EXPECT_EQ(bench.session.tChip.Name, "PREVIOUS");
    EXPECT_EQ(bench.session.tChip.Size, 16384u);
}

TEST(IdentifyWire, FirstCommandIsOpcodeAndZerosThenOneReply) {
    auto bench = Bench(IdentReply({{5, 0x5F}, {6, 0x6F}}), {Row("5F6F", "FIVE-SIX")});
    ASSERT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Succeeded);
    EXPECT_EQ(bench.WireLines(),
              (std::vector<std::string>{"CmdOut " + Hex16({0x80}),
                                        "CmdIn " + Hex16({0, 0, 0, 0, 0, 0x5F, 0x6F})}));
}

TEST(IdentifyWire, CommandCarriesTheBytesTheLastCommandLeft) {
    auto bench = Bench(IdentReply({{5, 0x5F}, {6, 0x6F}}), {Row("5F6F", "FIVE-SIX")});
    bench.session.CmdBuf() = {0x83, 0x00, 0xE0, 0x87, 0x04, 0xFA};
    ASSERT_TRUE(IdentifyChip(bench.session, true));
    EXPECT_EQ(bench.Commands(),
              std::vector<std::string>{Hex16({0x80, 0x00, 0xE0, 0x87, 0x04, 0xFA})});
}

TEST(IdentifyWire, ButtonStartsItsTransfersWithFactorOne) {
    auto bench = Bench(IdentReply({{5, 0x5F}, {6, 0x6F}}), {Row("5F6F", "FIVE-SIX")});
    bench.link.SetTimeoutFactor(3000);  // as a speed test leaves it
    // The reply is late: the prompt comes after the first deadline, which for
    // a 16-byte read at factor 2 (the command's write took factor 1) is 20 s.
    bench.firmware.faults().stall_from[static_cast<int>(emu::PipeRole::CmdIn)] = 0;
    bench.op.prompt().OnShow([&](std::size_t, const std::string&) {
        bench.firmware.faults().stall_from[static_cast<int>(emu::PipeRole::CmdIn)] = -1;
    });
    bench.op.prompt().Script({CriticalPrompt::kRetry});
    const std::uint64_t start = bench.clock.NowMs();
    EXPECT_EQ(RunInterlocked(bench.session, kGetIdentButton), Outcome::Succeeded);
    ASSERT_EQ(bench.op.prompt().times().size(), 1u);
    EXPECT_EQ(bench.op.prompt().times()[0] - start, 20000u);
}

}  // namespace
}  // namespace dspprog::testing
