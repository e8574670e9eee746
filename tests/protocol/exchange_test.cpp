// SPDX-License-Identifier: GPL-3.0-or-later
// Command exchanges on the wire: what the firmware receives and what comes back.

#include "protocol/exchange.h"

#include <gtest/gtest.h>

#include <functional>

#include "support/text.h"
#include "support/wire_fixture.h"

namespace dspprog {
namespace {

using testing::Hex;
using testing::WireBench;

constexpr std::array<std::uint8_t, 15> kIdent = {0x01, 0x20, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08,
                                                 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};

TEST(Exchange, FirstIdentificationGoesOutAsOpcodeAndZeros) {
    WireBench bench(emu::VirtualChip(8192, kType255), kIdent);
    FillGetIdent(bench.channel.CmdBuf);
    EXPECT_EQ(bench.channel.DoCommand(), 0);
    const std::vector<std::string> expected = {
        "CmdOut 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
        "CmdIn 00 01 20 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F",
    };
    EXPECT_EQ(bench.WireLines(), expected);
    EXPECT_EQ(Hex(bench.channel.ReplyBuf), "00 01 20 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F");
}

TEST(Exchange, IdentificationAfterVerifyCarriesTheVerifyAddress) {
    WireBench bench(emu::VirtualChip(8192, kType255));
    Block16& cmd = bench.channel.CmdBuf;
    cmd.fill(0x99);
    FillVerifyRead(cmd, 8192);
    ASSERT_EQ(bench.channel.DoCommand(), 0);
    for (int i = 0; i < 2; ++i) {
        std::array<std::uint8_t, 4096> block{};
        bench.link.ReadPipe(*bench.link.MainIn, block.data(), 4096);
    }
    ASSERT_EQ(bench.channel.ReadCompletion(), 0);
    FillGetIdent(cmd);
    bench.channel.DoCommand();
    const auto lines = bench.WireLines();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "CmdOut 83 00 E0 87 00 00 00 00 00 00 00 00 00 00 00 00");
    EXPECT_EQ(lines[5], "CmdOut 80 00 E0 87 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(Exchange, ExampleBlocksReachTheFirmwareByteForByte) {
    WireBench bench(emu::VirtualChip(131072, kType255));
    Block16& cmd = bench.channel.CmdBuf;

    FillAddress(cmd, 131072);
    FillErase255(cmd);
    FillEraseMode(cmd, 0x85);
    ASSERT_EQ(bench.channel.DoCommand(), 0);
    ASSERT_EQ(bench.channel.ReadCompletion(), 0);

    ASSERT_TRUE(FillAlgorithmWrite(cmd, 131072, 0x82));
    ASSERT_EQ(bench.channel.DoCommand(), 0);

    const auto lines = bench.WireLines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "CmdOut A0 00 00 96 05 FA 04 0A 00 00 00 00 00 00 00 00");
    EXPECT_EQ(lines[3], "CmdOut B0 00 00 96 02 FA 04 0A 00 00 00 00 00 00 00 00")
        << "bytes 5..15 of the write are what the erase left";
}

// Sends one command on a fresh link to a chip of the given size and type and
// returns the first eight bytes the firmware received.
std::string SentOnTheWire(std::uint32_t size, std::uint16_t type,
                          const std::function<void(Block16&)>& fill) {
    WireBench bench(emu::VirtualChip(size, type));
    fill(bench.channel.CmdBuf);
    EXPECT_EQ(bench.channel.DoCommand(), 0);
    const std::vector<emu::WireBlock>& wire = bench.firmware.wire();
    EXPECT_EQ(wire.at(0).pipe, emu::PipeRole::CmdOut);
    return Hex(wire.at(0).bytes.data(), 8);
}

TEST(Exchange, EveryExampleBlockArrivesAsDocumented) {
    EXPECT_EQ(SentOnTheWire(32768, kTypeFC00,
                            [](Block16& cmd) {
                                FillAddress(cmd, 32768);
                                FillEraseFC00(cmd, 32768);
                                FillEraseMode(cmd, 4);
                            }),
              "D0 00 80 CF 04 19 02 02");
    EXPECT_EQ(SentOnTheWire(131072, kType255,
                            [](Block16& cmd) {
                                FillAddress(cmd, 131072);
                                FillErase255(cmd);
                                FillEraseMode(cmd, 0x85);
                            }),
              "A0 00 00 96 05 FA 04 0A");
    EXPECT_EQ(SentOnTheWire(65536, kTypeFD00,
                            [](Block16& cmd) { FillPulseWrite(cmd, 65536, kTypeFD00); }),
              "C0 00 00 A7 02 28 32 00");
    EXPECT_EQ(SentOnTheWire(131072, kType255,
                            [](Block16& cmd) { FillAlgorithmWrite(cmd, 131072, 0x82); })
                  .substr(0, 14),
              "B0 00 00 96 02");
    EXPECT_EQ(SentOnTheWire(8192, kType255,
                            [](Block16& cmd) {
                                cmd.fill(0x33);
                                FillVerifyRead(cmd, 8192);
                            }),
              "83 00 E0 87 00 00 00 00");
}

TEST(Exchange, BlankCheckAfterAnEraseCarriesTheEraseParameters) {
    WireBench bench(emu::VirtualChip(65536, kTypeFC00));
    Block16& cmd = bench.channel.CmdBuf;
    FillAddress(cmd, 65536);
    FillEraseFC00(cmd, 65536);
    FillEraseMode(cmd, 4);
    ASSERT_EQ(bench.channel.DoCommand(), 0);
    ASSERT_EQ(bench.channel.ReadCompletion(), 0);
    FillBurstRead(cmd, 65536);
    ASSERT_EQ(bench.channel.DoCommand(), 0);
    const auto lines = bench.WireLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], "CmdOut D0 00 00 AF 04 19 02 02 00 00 00 00 00 00 00 00");
    EXPECT_EQ(lines[3], "CmdOut 83 00 00 87 04 19 02 02 00 00 00 00 00 00 00 00");
}

TEST(Exchange, NonZeroStatusesAreReturnedAsTheyCame) {
    WireBench bench(emu::VirtualChip(8192, kType255));
    bench.firmware.faults().refuse.insert(0x83);
    FillBurstRead(bench.channel.CmdBuf, 8192);
    EXPECT_EQ(bench.channel.DoCommand(), 1);
    EXPECT_EQ(bench.firmware.phase(), emu::Firmware::Phase::Idle) << "a refused read sends no data";

    bench.channel.CmdBuf[0] = 0x42;  // an opcode the firmware does not know
    EXPECT_NE(bench.channel.DoCommand(), 0);
}

TEST(Exchange, EveryExchangeAddsTwoToTheTimeoutFactor) {
    WireBench bench(emu::VirtualChip(8192, kType255));
    bench.link.SetTimeoutFactor(7);
    FillGetIdent(bench.channel.CmdBuf);
    bench.channel.DoCommand();
    EXPECT_EQ(bench.link.TimeoutFactor(), 9u);
}

}  // namespace
}  // namespace dspprog
