// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware emulator as a conversation: command block in, replies and data out.

#include "emulator/firmware.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "support/wire_fixture.h"

namespace dspprog::emu {
namespace {

using State = Completion::State;

std::array<std::uint8_t, 16> Command(std::uint8_t opcode, std::uint32_t size) {
    std::array<std::uint8_t, 16> cmd{};
    const std::uint32_t a = (0u - size) & 0x7FFFF;
    cmd[0] = opcode;
    cmd[2] = static_cast<std::uint8_t>(a >> 8);
    cmd[3] = static_cast<std::uint8_t>(0x80 | ((a >> 16) & 7));
    return cmd;
}

struct Conversation {
    explicit Conversation(VirtualChip chip) : fw(std::move(chip), {0x1F, 0x07}) {}

    std::uint8_t Send(const std::array<std::uint8_t, 16>& cmd) {
        EXPECT_EQ(fw.HostWrite(PipeRole::CmdOut, cmd.data(), 16, now).state, State::Done);
        return Reply();
    }
    std::uint8_t Reply() {
        std::array<std::uint8_t, 16> reply{};
        const TimedCompletion r = fw.HostRead(PipeRole::CmdIn, reply.data(), 16, now);
        EXPECT_EQ(r.state, State::Done);
        EXPECT_EQ(r.count, 16u);
        last_reply = reply;
        return reply[0];
    }
    std::vector<std::uint8_t> ReadBlock() {
        std::vector<std::uint8_t> block(4096);
        const TimedCompletion r = fw.HostRead(PipeRole::MainIn, block.data(), 4096, now);
        EXPECT_EQ(r.state, State::Done);
        block.resize(r.count);
        return block;
    }
    TimedCompletion WriteBlock(std::uint8_t fill) {
        std::vector<std::uint8_t> block(4096, fill);
        return fw.HostWrite(PipeRole::MainOut, block.data(), 4096, now);
    }

    Firmware fw;
    std::uint64_t now = 0;
    std::array<std::uint8_t, 16> last_reply{};
};

TEST(Firmware, IdentificationRepliesWithItsBytes) {
    Conversation c(VirtualChip(8192, 0x00FF));
    EXPECT_EQ(c.Send({0x80}), 0);
    EXPECT_EQ(c.last_reply[1], 0x1F);
    EXPECT_EQ(c.last_reply[2], 0x07);
    std::array<std::uint8_t, 16> nothing{};
    EXPECT_EQ(c.fw.HostRead(PipeRole::CmdIn, nothing.data(), 16, 0).state, State::Pending)
        << "one reply per command";
}

TEST(Firmware, BurstReadStreamsFromTheStartAddressToTheTopOfTheWindow) {
    VirtualChip chip(16384, 0xFD00);
    for (std::uint32_t i = 0; i < chip.size(); ++i) chip.content()[i] = static_cast<std::uint8_t>(i / 4096);
    Conversation c(std::move(chip));
    ASSERT_EQ(c.Send(Command(0x83, 16384)), 0);
    for (std::uint8_t n = 0; n < 4; ++n) {
        const auto block = c.ReadBlock();
        ASSERT_EQ(block.size(), 4096u);
        EXPECT_EQ(block.front(), n);
        EXPECT_EQ(block.back(), n);
    }
    EXPECT_EQ(c.Reply(), 0) << "completion reply after the last block";
    std::vector<std::uint8_t> more(4096);
    EXPECT_EQ(c.fw.HostRead(PipeRole::MainIn, more.data(), 4096, 0).state, State::Pending);
}

TEST(Firmware, ReadOfAWholeWindowStartsAtAddressZero) {
    Conversation c(VirtualChip(524288, 0x00FF));
    ASSERT_EQ(c.Send(Command(0x83, 524288)), 0);
    for (int n = 0; n < 128; ++n) ASSERT_EQ(c.ReadBlock().size(), 4096u);
    EXPECT_EQ(c.Reply(), 0);
}

TEST(Firmware, WritingOnlyClearsBitsAndFlashErasesToFF) {
    Conversation c(VirtualChip(8192, 0x00FF));
    ASSERT_EQ(c.Send(Command(0xB0, 8192)), 0);
    EXPECT_EQ(c.WriteBlock(0x0F).state, State::Done);
    EXPECT_EQ(c.fw.phase(), Firmware::Phase::Receiving);
    EXPECT_EQ(c.WriteBlock(0xF0).state, State::Done);
    EXPECT_EQ(c.Reply(), 0) << "completion after the last block";
    EXPECT_EQ(c.fw.chip().content()[0], 0x0F);
    EXPECT_EQ(c.fw.chip().content()[4096], 0xF0);

    // Programming 0xF0 over 0x0F can only clear bits: 0x00.
    ASSERT_EQ(c.Send(Command(0xB0, 8192)), 0);
    c.WriteBlock(0xF0);
    c.WriteBlock(0xFF);
    c.Reply();
    EXPECT_EQ(c.fw.chip().content()[0], 0x00);
    EXPECT_EQ(c.fw.chip().content()[4096], 0xF0);

    ASSERT_EQ(c.Send(Command(0xA0, 8192)), 0);
    EXPECT_EQ(c.Reply(), 0) << "erase completion";
    EXPECT_EQ(std::count(c.fw.chip().content().begin(), c.fw.chip().content().end(), 0xFF), 8192);
}

TEST(Firmware, UvEpromDoesNotEraseElectrically) {
    VirtualChip chip(8192, 0xFD00);
    chip.content()[5] = 0x00;
    Conversation c(std::move(chip));
    ASSERT_EQ(c.Send(Command(0xA0, 8192)), 0);
    c.Reply();
    EXPECT_EQ(c.fw.chip().content()[5], 0x00);
}

TEST(Firmware, StuckBytesSurviveTheErase) {
    Conversation c(VirtualChip(65536, 0xFC00));
    c.fw.faults().stuck = 3;
    ASSERT_EQ(c.Send(Command(0xD0, 65536)), 0);
    c.Reply();
    const auto& bytes = c.fw.chip().content();
    EXPECT_EQ(std::count(bytes.begin(), bytes.end(), 0x00), 3);
}

TEST(Firmware, RefusedAndFailedCommands) {
    Conversation c(VirtualChip(8192, 0x00FF));
    c.fw.faults().refuse.insert(0xB0);
    c.fw.faults().fail_completion.insert(0x83);
    EXPECT_NE(c.Send(Command(0xB0, 8192)), 0);
    EXPECT_EQ(c.fw.phase(), Firmware::Phase::Idle);
    EXPECT_EQ(c.WriteBlock(0).state, State::Done) << "drained";
    EXPECT_EQ(c.fw.chip().content()[0], 0xFF) << "a refused write programs nothing";

    ASSERT_EQ(c.Send(Command(0x83, 8192)), 0);
    c.ReadBlock();
    c.ReadBlock();
    EXPECT_NE(c.Reply(), 0) << "the read's completion reports failure";
}

TEST(Firmware, ThroughputBlocksAreDrained) {
    Conversation c(VirtualChip(8192, 0x00FF));
    std::vector<std::uint8_t> block(4096);
    EXPECT_EQ(c.fw.HostWrite(PipeRole::CmdOut, block.data(), 4096, 0).count, 4096u);
    EXPECT_EQ(c.fw.HostWrite(PipeRole::MainOut, block.data(), 4096, 0).count, 4096u);
    std::array<std::uint8_t, 16> reply{};
    EXPECT_EQ(c.fw.HostRead(PipeRole::CmdIn, reply.data(), 16, 0).state, State::Pending)
        << "no reply to a throughput block";
}

TEST(Firmware, StallShortAndUnplug) {
    Conversation c(VirtualChip(8192, 0x00FF));
    c.fw.faults().short_from[static_cast<int>(PipeRole::MainIn)] = 1;
    ASSERT_EQ(c.Send(Command(0x83, 8192)), 0);
    EXPECT_EQ(c.ReadBlock().size(), 4096u);
    EXPECT_EQ(c.ReadBlock().size(), 64u) << "second block arrives short";

    c.fw.faults().stall_from[static_cast<int>(PipeRole::CmdIn)] = 0;
    std::array<std::uint8_t, 16> reply{};
    EXPECT_EQ(c.fw.HostRead(PipeRole::CmdIn, reply.data(), 16, 0).state, State::Pending);
    c.fw.faults().stall_from[static_cast<int>(PipeRole::CmdIn)] = -1;
    EXPECT_EQ(c.fw.HostRead(PipeRole::CmdIn, reply.data(), 16, 0).state, State::Done)
        << "the stalled reply was kept, not lost";

    c.fw.faults().disconnect_after = static_cast<long>(c.fw.wire().size()) + 1;
    EXPECT_EQ(c.fw.HostWrite(PipeRole::CmdOut, Command(0x80, 0).data(), 16, 0).state, State::Done);
    EXPECT_EQ(c.fw.HostRead(PipeRole::CmdIn, reply.data(), 16, 0).state, State::Gone);
}

TEST(Firmware, TimingModelRunsAtUsbFullSpeed) {
    Conversation c(VirtualChip(65536, 0x00FF));
    c.fw.timing().enabled = true;
    ASSERT_EQ(c.Send(Command(0x83, 65536)), 0);
    std::uint64_t ready = 0;
    std::vector<std::uint8_t> block(4096);
    for (int n = 0; n < 16; ++n) {
        const TimedCompletion r = c.fw.HostRead(PipeRole::MainIn, block.data(), 4096, 0);
        ready = r.ready_at_us;
    }
    // 16 blocks of 64 packets at 19 packets per ms: about 54 ms, never faster
    // than 1,216,000 bytes/s.
    EXPECT_GE(ready, 65536ull * 1000000 / 1216000);
    EXPECT_LT(ready, 60000u);

    c.now = ready;
    c.Reply();
    std::array<std::uint8_t, 16> erase = Command(0xA0, 65536);
    c.fw.HostWrite(PipeRole::CmdOut, erase.data(), 16, c.now);
    std::array<std::uint8_t, 16> reply{};
    c.fw.HostRead(PipeRole::CmdIn, reply.data(), 16, c.now);
    const TimedCompletion done = c.fw.HostRead(PipeRole::CmdIn, reply.data(), 16, c.now);
    EXPECT_GE(done.ready_at_us, c.now + 1000000) << "an erase takes its time";
}

TEST(VirtualChipFile, LoadsOnlyFilesOfItsSizeAndSavesItsContent) {
    const auto dir = std::filesystem::temp_directory_path() / "dspprog-chip-file-test";
    std::filesystem::create_directories(dir);
    const std::string path = (dir / "chip.bin").string();
    VirtualChip chip(8192, 0x00FF);
    chip.content()[100] = 0x42;
    ASSERT_TRUE(chip.Save(path));
    VirtualChip loaded(8192, 0x00FF);
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.content()[100], 0x42);
    VirtualChip bigger(16384, 0x00FF);
    EXPECT_FALSE(bigger.Load(path));
    EXPECT_FALSE(bigger.Load((dir / "missing.bin").string()));
    std::filesystem::remove_all(dir);
}

TEST(VirtualChipFile, EndlessDeviceIsRefusedWithoutReadingItAll) {
#ifndef _WIN32
    VirtualChip chip(8192, 0x00FF);
    EXPECT_FALSE(chip.Load("/dev/zero"));
    EXPECT_EQ(chip.content()[0], 0xFF);
#endif
}

TEST(Firmware, ReportsAChipFileItCouldNotSave) {
    Conversation c(VirtualChip(8192, 0x00FF));
    const auto missing_dir = std::filesystem::temp_directory_path() / "dspprog-no-such-dir" / "chip.bin";
    c.fw.SetBackingFile(missing_dir.string());
    EXPECT_FALSE(c.fw.backing_failed());
    ASSERT_EQ(c.Send(Command(0xA0, 8192)), 0);
    EXPECT_TRUE(c.fw.backing_failed());
    EXPECT_EQ(c.Reply(), 0) << "the chip itself erased; only its file is behind";
}

}  // namespace
}  // namespace dspprog::emu
