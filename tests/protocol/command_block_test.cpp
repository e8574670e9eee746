// SPDX-License-Identifier: GPL-3.0-or-later
// Byte rules of the command blocks, block by block.

#include "protocol/command_block.h"

#include <gtest/gtest.h>

#include "link/fatal_stop.h"
#include "support/expect_fatal_stop.h"
#include "support/text.h"
#include "support/wire_fixture.h"

namespace dspprog {
namespace {

using testing::Hex;

std::string First8(const Block16& b) { return Hex(b.data(), 8); }

TEST(CalcAddres, PlacesEveryChipAtTheTopOfTheWindow) {
    const struct {
        std::uint32_t size, address;
        std::uint8_t byte2, byte3_low;
    } rows[] = {
        {8192, 0x7E000, 0xE0, 7},   {16384, 0x7C000, 0xC0, 7}, {32768, 0x78000, 0x80, 7},
        {65536, 0x70000, 0x00, 7},  {131072, 0x60000, 0x00, 6}, {262144, 0x40000, 0x00, 4},
        {524288, 0x00000, 0x00, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(CalcAddres(row.size), row.address) << row.size;
        Block16 cmd{};
        cmd[3] = 0x7F;  // flags an earlier command left behind
        FillAddress(cmd, row.size);
        EXPECT_EQ(cmd[1], 0x00);
        EXPECT_EQ(cmd[2], row.byte2) << row.size;
        EXPECT_EQ(cmd[3], 0x80 | row.byte3_low) << row.size;
    }
}

TEST(CalcAddres, StopsTheProgramForSizesItCannotPlace) {
    for (std::uint32_t size : {0u, 4096u, 12288u, 1048576u, 4294967295u}) {
        SCOPED_TRACE(size);
        const FatalStop stop = ExpectFatalStop([&] { CalcAddres(size); });
        EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
        EXPECT_EQ(stop.message(), "Ошибочный вызов CalcAddres! inps= " + std::to_string(size));
    }
}

TEST(CommandBlocks, ExampleEraseAndWriteBlocks) {
    Block16 fc00{};
    FillAddress(fc00, 32768);
    ASSERT_TRUE(FillEraseFC00(fc00, 32768));
    ASSERT_TRUE(FillEraseMode(fc00, 4));
    EXPECT_EQ(First8(fc00), "D0 00 80 CF 04 19 02 02");

    Block16 e255{};
    FillAddress(e255, 131072);
    FillErase255(e255);
    ASSERT_TRUE(FillEraseMode(e255, 0x85));
    EXPECT_EQ(First8(e255), "A0 00 00 96 05 FA 04 0A");

    Block16 pulse{};
    pulse.fill(0xEE);
    FillPulseWrite(pulse, 65536, kTypeFD00);
    EXPECT_EQ(Hex(pulse.data(), 10), "C0 00 00 A7 02 28 32 00 00 00");
    EXPECT_EQ(Hex(pulse.data() + 10, 6), "EE EE EE EE EE EE") << "bytes 10..15 are left";

    Block16 algo{};
    algo.fill(0x5A);
    ASSERT_TRUE(FillAlgorithmWrite(algo, 131072, 0x82));
    EXPECT_EQ(Hex(algo.data(), 5), "B0 00 00 96 02");
    EXPECT_EQ(Hex(algo.data() + 5, 11), "5A 5A 5A 5A 5A 5A 5A 5A 5A 5A 5A");
}

TEST(CommandBlocks, VerifyReadClearsBytesFourToFifteen) {
    Block16 cmd;
    cmd.fill(0x77);
    FillVerifyRead(cmd, 8192);
    EXPECT_EQ(Hex(cmd), "83 00 E0 87 00 00 00 00 00 00 00 00 00 00 00 00");
}

TEST(CommandBlocks, ReadKeepsTheEraseParametersButDropsItsFlags) {
    Block16 cmd{};
    FillAddress(cmd, 65536);
    ASSERT_TRUE(FillEraseFC00(cmd, 65536));
    ASSERT_TRUE(FillEraseMode(cmd, 4));
    ASSERT_EQ(First8(cmd), "D0 00 00 AF 04 19 02 02");
    FillBurstRead(cmd, 65536);
    EXPECT_EQ(First8(cmd), "83 00 00 87 04 19 02 02");
}

TEST(CommandBlocks, EraseModeFromTErase) {
    const struct {
        std::uint8_t t_erase, byte4, flag;
    } rows[] = {{4, 4, 0}, {5, 5, 0}, {0x84, 4, 0x10}, {0x85, 5, 0x10}};
    for (const auto& row : rows) {
        Block16 cmd{};
        FillAddress(cmd, 131072);
        ASSERT_TRUE(FillEraseMode(cmd, row.t_erase));
        EXPECT_EQ(cmd[4], row.byte4);
        EXPECT_EQ(cmd[3], 0x86 | row.flag);
    }
    for (int bad : {0, 1, 3, 6, 0x04 | 0x40, 0x83, 0x86, 0xFF}) {
        Block16 cmd{};
        EXPECT_FALSE(FillEraseMode(cmd, static_cast<std::uint8_t>(bad))) << bad;
        EXPECT_EQ(cmd[4], 0) << "a refused mode leaves byte 4 alone";
    }
}

TEST(CommandBlocks, EraseFC00AcceptsOnlyItsTwoSizes) {
    for (std::uint32_t size : {8192u, 16384u, 131072u, 524288u}) {
        Block16 cmd{};
        FillAddress(cmd, size);
        const std::uint8_t byte3 = cmd[3];
        EXPECT_FALSE(FillEraseFC00(cmd, size));
        EXPECT_EQ(First8(cmd).substr(0, 2), "D0");
        EXPECT_EQ(cmd[3], byte3) << "no size flags for a refused size";
        EXPECT_EQ(Hex(cmd.data() + 5, 3), "19 02 02");
    }
}

TEST(CommandBlocks, AlgorithmWriteModes) {
    for (std::uint8_t mode = 1; mode <= 4; ++mode) {
        Block16 plain{}, flagged{};
        ASSERT_TRUE(FillAlgorithmWrite(plain, 8192, mode));
        ASSERT_TRUE(FillAlgorithmWrite(flagged, 8192, static_cast<std::uint8_t>(0x80 | mode)));
        EXPECT_EQ(plain[4], mode);
        EXPECT_EQ(flagged[4], mode);
        EXPECT_EQ(plain[3], 0x87);
        EXPECT_EQ(flagged[3], 0x97);
    }
    for (int bad : {0, 5, 0x80, 0x85, 0x7F}) {
        Block16 cmd{};
        EXPECT_FALSE(FillAlgorithmWrite(cmd, 8192, static_cast<std::uint8_t>(bad))) << bad;
        EXPECT_EQ(cmd[0], 0xB0) << "bytes 0..3 are filled even when refused";
        EXPECT_EQ(cmd[4], 0);
    }
}

TEST(CommandBlocks, PulseWriteSizeClassesAndTypes) {
    const struct {
        std::uint32_t size;
        std::uint8_t size_class, flag;
    } rows[] = {{8192, 4, 0x40},   {16384, 4, 0x40},  {32768, 3, 0x40},  {65536, 2, 0x20},
                {131072, 1, 0x10}, {262144, 1, 0x10}, {524288, 1, 0x10}};
    for (const auto& row : rows) {
        Block16 cmd{};
        FillPulseWrite(cmd, row.size, kTypeFC00);
        EXPECT_EQ(cmd[4], row.size_class) << row.size;
        EXPECT_EQ(cmd[3] & 0x70, row.flag) << row.size;
    }
    for (auto [type, byte5] : {std::pair{kTypeFC00, 0x0A}, {kTypeFD00, 0x28}, {kTypeFE00, 0x0A}}) {
        Block16 cmd{};
        FillPulseWrite(cmd, 8192, type);
        EXPECT_EQ(cmd[5], byte5);
        EXPECT_EQ(cmd[6], 0x32);
    }
    Block16 cmd{};
    EXPECT_THROW(FillPulseWrite(cmd, 1048576, kTypeFE00), FatalStop);
    EXPECT_EQ(cmd[0], 0) << "nothing filled before the address is known";
}

}  // namespace
}  // namespace dspprog
