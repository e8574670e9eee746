// SPDX-License-Identifier: GPL-3.0-or-later
// The fault words of --fault.

#include <gtest/gtest.h>

#include <map>

#include "emulator/firmware.h"

namespace dspprog::emu {
namespace {

TEST(ParseFault, AcceptsEveryDocumentedForm) {
    Faults f;
    std::string error;
    ASSERT_TRUE(ParseFault("refuse:83", f, error)) << error;
    ASSERT_TRUE(ParseFault("fail:a0", f, error)) << error;
    ASSERT_TRUE(ParseFault("stall:MainIn", f, error)) << error;
    ASSERT_TRUE(ParseFault("short:CmdIn@3", f, error)) << error;
    ASSERT_TRUE(ParseFault("stuck:5", f, error)) << error;
    ASSERT_TRUE(ParseFault("unplug@40", f, error)) << error;
    ASSERT_TRUE(ParseFault("ident:01a4@2", f, error)) << error;
    EXPECT_TRUE(f.refuse.count(0x83));
    EXPECT_TRUE(f.fail_completion.count(0xA0));
    EXPECT_EQ(f.stall_from[static_cast<int>(PipeRole::MainIn)], 0);
    EXPECT_EQ(f.short_from[static_cast<int>(PipeRole::CmdIn)], 3);
    EXPECT_EQ(f.stuck, 5u);
    EXPECT_EQ(f.stuck_value, 0x00) << "a plain stuck:N leaves 0x00";
    EXPECT_EQ(f.disconnect_after, 40);
    EXPECT_EQ(f.reident_from, 2);
    EXPECT_EQ(f.reident[0], 0x01);
    EXPECT_EQ(f.reident[1], 0xA4);
}

TEST(ParseFault, StuckBytesTakeTheValueGiven) {
    Faults f;
    std::string error;
    ASSERT_TRUE(ParseFault("stuck:1=7f", f, error)) << error;
    EXPECT_EQ(f.stuck, 1u);
    EXPECT_EQ(f.stuck_value, 0x7F);
}

TEST(ParseFault, ContactFaultsFitTheChip) {
    Faults f;
    std::string error;
    for (const char* word : {"flaky:4660", "flaky:0x10:0x81", "flaky:0x10:6", "pin:D3=0",
                             "pin:D7=0", "pin:D0=1", "pin:A0", "pin:A18"})
        ASSERT_TRUE(ParseFault(word, f, error)) << word << ": " << error;
    EXPECT_EQ(f.flaky, (std::map<std::uint32_t, std::uint8_t>{{0x1234, 0x01}, {0x10, 0x87}}));
    EXPECT_EQ(f.data_low, 0x88);
    EXPECT_EQ(f.data_high, 0x01);
    EXPECT_EQ(f.open_address, 0x40001u);
    EXPECT_FALSE(ParseFault("pin:D3=1", f, error)) << "D3 is stuck at 0 already";
    EXPECT_EQ(FaultsMisfit(f, 524288), std::nullopt);
    EXPECT_NE(FaultsMisfit(f, 262144), std::nullopt) << "A18 is beyond a 256 KB chip";
    f = {};
    f.flaky[8192] = 1;
    EXPECT_NE(FaultsMisfit(f, 8192), std::nullopt) << "a cell beyond an 8 KB chip";
}

TEST(ParseFault, RejectsMalformedWords) {
    // clang-format off
    for (const char* word : {"", "refuse", "refuse:", "refuse:183", "refuse:zz", "stall:mainin",
                             "stall:PIPE02", "short:MainIn@", "short:MainIn@x", "stuck:-1",
                             "stuck:", "unplug", "unplug:3", "explode:1", "stall:MainIn@99999999999",
                             "ident:1A4", "ident:01A4Z", "ident:@3", "stuck:1=", "stuck:1=7",
                             "stuck:1=7F0", "stuck:1=zz", "stuck:=7F", "stuck:1=FF", "flaky:",
                             "flaky:x", "flaky:1:0", "flaky:1:0x100", "flaky:-1", "flaky:1@2",
                             "pin:D8=0", "pin:D3=2", "pin:D3", "pin:A19", "pin:A", "pin:a3"}) {
        // clang-format on
        Faults f;
        std::string error;
        EXPECT_FALSE(ParseFault(word, f, error)) << word;
        EXPECT_FALSE(error.empty()) << word;
    }
}

}  // namespace
}  // namespace dspprog::emu
