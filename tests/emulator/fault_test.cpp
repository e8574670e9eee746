// SPDX-License-Identifier: GPL-3.0-or-later
// The fault words of --fault.

#include <gtest/gtest.h>

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

TEST(ParseFault, RejectsMalformedWords) {
    for (const char* word : {"", "refuse", "refuse:", "refuse:183", "refuse:zz", "stall:mainin",
                             "stall:PIPE02", "short:MainIn@", "short:MainIn@x", "stuck:-1",
                             "stuck:", "unplug", "unplug:3", "explode:1", "stall:MainIn@99999999999",
                             "ident:1A4", "ident:01A4Z", "ident:@3", "stuck:1=", "stuck:1=7",
                             "stuck:1=7F0", "stuck:1=zz", "stuck:=7F", "stuck:1=FF"}) {
        Faults f;
        std::string error;
        EXPECT_FALSE(ParseFault(word, f, error)) << word;
        EXPECT_FALSE(error.empty()) << word;
    }
}

}  // namespace
}  // namespace dspprog::emu
