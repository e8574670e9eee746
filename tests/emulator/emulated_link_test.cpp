// SPDX-License-Identifier: GPL-3.0-or-later
// The emulated programmer behind a real Link: opening, waiting, faults.

#include "emulator/emulated_link.h"

#include <gtest/gtest.h>

#include <functional>

#include "link/link.h"
#include "protocol/exchange.h"
#include "support/wire_fixture.h"
#include "support/expect_fatal_stop.h"

namespace dspprog::emu {
namespace {

// Answers prompts from a script and remembers when they came.
class RecordingPrompt final : public CriticalPrompt {
public:
    explicit RecordingPrompt(Clock& clock) : clock_(clock) {}
    int ShowCriticalError(const std::string& message) override {
        shown.push_back({message, clock_.NowMs()});
        if (on_prompt) on_prompt();
        return answer;
    }
    struct Shown {
        std::string message;
        std::uint64_t at_ms;
    };
    std::vector<Shown> shown;
    std::function<void()> on_prompt;
    int answer = kRetry;

private:
    Clock& clock_;
};

struct Rig {
    explicit Rig(VirtualChip chip) : firmware(std::move(chip), {}), backend(firmware, clock),
                                     prompt(clock), link(backend, clock, prompt), channel(link) {
        link.DevicePath = kEmulatedPath;
    }
    SimulatedClock clock;
    Firmware firmware;
    EmulatedBackend backend;
    RecordingPrompt prompt;
    Link link;
    CommandChannel channel;
};

TEST(EmulatedLink, OpensPipesInOrderWithPausesAndClosesInOrder) {
    Rig rig(VirtualChip(8192, 0x00FF));
    rig.link.Open();
    rig.link.Close();
    std::vector<std::pair<std::string, std::uint64_t>> events;
    for (const auto& e : rig.backend.events()) events.emplace_back(e.what, e.at_ms);
    const std::vector<std::pair<std::string, std::uint64_t>> expected = {
        {"open device", 0},     {"open \\PIPE00", 0},   {"open \\PIPE01", 100},
        {"open \\PIPE02", 200}, {"open \\PIPE03", 300}, {"close \\PIPE00", 400},
        {"close \\PIPE01", 400}, {"close \\PIPE02", 400}, {"close \\PIPE03", 400},
        {"close device", 400},
    };
    EXPECT_EQ(events, expected);
}

TEST(EmulatedLink, PipesRefuseTheWrongDirectionAndForeignPaths) {
    Rig rig(VirtualChip(8192, 0x00FF));
    auto device = rig.backend.OpenDevice(kEmulatedPath);
    ASSERT_TRUE(device);
    const std::string base = kEmulatedPath;
    EXPECT_FALSE(rig.backend.OpenPipe(*device, base + "\\PIPE00", Access::Write));
    EXPECT_FALSE(rig.backend.OpenPipe(*device, base + "\\PIPE01", Access::Read));
    EXPECT_FALSE(rig.backend.OpenPipe(*device, base + "\\PIPE04", Access::Read));
    EXPECT_TRUE(rig.backend.OpenPipe(*device, base + "\\PIPE02", Access::Read));
    EXPECT_FALSE(rig.backend.OpenDevice("\\\\?\\usb#vid_1992&pid_2003#other"));
}

TEST(EmulatedLink, StalledReplyPromptsUntilTheFirmwareAnswers) {
    Rig rig(VirtualChip(8192, 0x00FF));
    rig.link.Open();
    const std::uint64_t start = rig.clock.NowMs();
    rig.firmware.faults().stall_from[static_cast<int>(PipeRole::CmdIn)] = 0;
    int prompts = 0;
    rig.prompt.on_prompt = [&] {
        if (++prompts == 2) rig.firmware.faults().stall_from[0] = -1;  // the programmer recovers
    };
    rig.link.SetTimeoutFactor(1);
    FillGetIdent(rig.channel.CmdBuf);
    EXPECT_EQ(rig.channel.DoCommand(), 0);
    ASSERT_EQ(rig.prompt.shown.size(), 2u);
    EXPECT_EQ(rig.prompt.shown[0].message, "Из USB не считано :16 байт!");
    // The write took pass 1 (factor 1); the read waits 2 x 10 s, then 3 x 10 s.
    EXPECT_EQ(rig.prompt.shown[0].at_ms - start, 20000u);
    EXPECT_EQ(rig.prompt.shown[1].at_ms - start, 50000u);
}

TEST(EmulatedLink, UnpluggedDeviceStopsTheProgramAtOnce) {
    Rig rig(VirtualChip(8192, 0x00FF));
    rig.link.Open();
    rig.backend.Disconnect();
    rig.prompt.answer = CriticalPrompt::kAbort;
    const std::uint64_t unplugged_at = rig.clock.NowMs();
    FillGetIdent(rig.channel.CmdBuf);
    const FatalStop stop = ExpectFatalStop([&] { rig.channel.DoCommand(); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Программатор отключен от USB!");
    EXPECT_TRUE(rig.prompt.shown.empty());
    EXPECT_EQ(rig.clock.NowMs(), unplugged_at);
    EXPECT_EQ(rig.backend.events().back().what, "cancel \\PIPE01");
}

TEST(EmulatedLink, TimingModelMovesTheSimulatedClock) {
    Rig rig(VirtualChip(65536, 0x00FF));
    rig.firmware.timing().enabled = true;
    rig.link.Open();
    const std::uint64_t start = rig.clock.NowMs();
    FillBurstRead(rig.channel.CmdBuf, 65536);
    ASSERT_EQ(rig.channel.DoCommand(), 0);
    std::array<std::uint8_t, 4096> block{};
    for (int n = 0; n < 16; ++n) rig.link.ReadPipe(*rig.link.MainIn, block.data(), 4096);
    rig.channel.ReadCompletion();
    const std::uint64_t elapsed = rig.clock.NowMs() - start;
    EXPECT_GE(elapsed, 54u);
    EXPECT_LE(elapsed, 60u);
    EXPECT_TRUE(rig.prompt.shown.empty());
}

}  // namespace
}  // namespace dspprog::emu
