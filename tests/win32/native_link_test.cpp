// SPDX-License-Identifier: GPL-3.0-or-later
// The native backend's own calls against named pipes: opening the device and
// the pipes, the deadlines of transfers that stall or come back short,
// "Завершить" giving up a transfer in flight, and the stop at once when the
// programmer is unplugged.

#include <gtest/gtest.h>

#include "grace_clock.h"
#include "link/win32/device_gone.h"
#include "native_bench.h"
#include "operations/read_chip.h"
#include "support/text.h"
#include "support/wire_fixture.h"

namespace dspprog::testing {
namespace {

// Real time the pipe threads get before a transfer counts as stalled.
constexpr std::uint64_t kStallGraceMs = 1000;

constexpr const char* kNotRead16 = "Из USB не считано :16 байт!";
constexpr const char* kNotWritten16 = "В USB не записано :16 байт!";

std::array<std::uint8_t, 16> IdentCommand() {
    return {0x80};
}

struct Bench : NativeBench {
    explicit Bench(Clock& c, NamedPipeProgrammer::Options options = {})
        : NativeBench(c, emu::VirtualChip(8192, kType255), IdentReply({{1, 0xBF}, {2, 0x07}}),
                      {{"BF07", "CHIP", "64K", "4", "1", "255"}}, options) {}

    void SetFaults(const std::function<void(emu::Faults&)>& set) {
        programmer.Change([&](emu::Firmware& fw) { set(fw.faults()); });
    }
};

// --- Opening ------------------------------------------------------------------------

TEST(NativeLinkOpening, DeviceThatIsNotThereStops) {
    GraceClock clock(kPatientMs);
    Bench bench(clock);
    bench.link.DevicePath = bench.programmer.device_path() + "-absent";
    const FatalStop stop = ExpectFatalStop([&] { bench.link.Open(); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Ошибка открытия USB устройства!");
    EXPECT_FALSE(bench.link.DeviceHandle);
}

TEST(NativeLinkOpening, MissingThirdPipeStopsWithItsPathAfterTheFirstTwoOpened) {
    GraceClock clock(kPatientMs);
    Bench bench(clock, {.missing_pipe = 2});
    const FatalStop stop = ExpectFatalStop([&] { bench.link.Open(); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Ошибка открытия :" + bench.programmer.device_path() + "\\PIPE02!");
    EXPECT_TRUE(bench.link.CmdIn && bench.link.CmdOut);
    EXPECT_FALSE(bench.link.MainIn || bench.link.MainOut);
    EXPECT_EQ(clock.NowMs(), 200u);
}

TEST(NativeLinkOpening, PipesOpenOnlyForTheirDirectionAndAfterTheirEvent) {
    GraceClock clock(kPatientMs);
    Bench bench(clock);
    const std::string base = bench.programmer.device_path();
    std::unique_ptr<Device> device = bench.backend.OpenDevice(base);
    ASSERT_TRUE(device);
    // No ReadDone yet: nothing to run a read on.
    EXPECT_FALSE(bench.backend.OpenPipe(*device, base + "\\PIPE00", Access::Read));
    ASSERT_TRUE(bench.backend.CreateDoneEvent(Access::Read));
    ASSERT_TRUE(bench.backend.CreateDoneEvent(Access::Write));
    // The programmer's reply pipe only sends and its command pipe only takes.
    EXPECT_FALSE(bench.backend.OpenPipe(*device, base + "\\PIPE00", Access::Write));
    EXPECT_FALSE(bench.backend.OpenPipe(*device, base + "\\PIPE01", Access::Read));
    EXPECT_TRUE(bench.backend.OpenPipe(*device, base + "\\PIPE00", Access::Read));
    EXPECT_TRUE(bench.backend.OpenPipe(*device, base + "\\PIPE01", Access::Write));
}

// --- Transfers that do not finish -------------------------------------------------

TEST(NativeLinkStall, ReplyThatNeverComesPromptsAtEachDeadlineAndEndGivesTheReadUp) {
    GraceClock clock(kStallGraceMs);
    Bench bench(clock);
    bench.SetFaults([](emu::Faults& f) { f.stall_from[0] = 0; });
    bench.link.Open();
    bench.op.prompt().Script({CriticalPrompt::kRetry, CriticalPrompt::kAbort});

    const auto command = IdentCommand();
    bench.link.WritePipe(*bench.link.CmdOut, command.data(), 16);
    std::array<std::uint8_t, 16> abandoned;
    abandoned.fill(0xEE);
    const FatalStop stop =
        ExpectFatalStop([&] { bench.link.ReadPipe(*bench.link.CmdIn, abandoned.data(), 16); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
    EXPECT_EQ(bench.op.prompt().messages(), (std::vector<std::string>{kNotRead16, kNotRead16}));
    // Opened at 400; the write took factor 1, the read's passes 2 and 3.
    EXPECT_EQ(bench.op.prompt().times(), (std::vector<std::uint64_t>{20400, 50400}));

    // The read was cancelled, not left running: the reply the programmer
    // sends now goes to the next read, and never into the abandoned buffer.
    bench.SetFaults([](emu::Faults& f) { f.stall_from[0] = -1; });
    std::array<std::uint8_t, 16> reply{};
    bench.link.ReadPipe(*bench.link.CmdIn, reply.data(), 16);
    EXPECT_EQ(Hex(reply), Hex16({0x00, 0xBF, 0x07}));
    std::array<std::uint8_t, 16> untouched;
    untouched.fill(0xEE);
    EXPECT_EQ(abandoned, untouched);
    EXPECT_EQ(bench.op.prompt().shown().size(), 2u);
}

TEST(NativeLinkStall, CommandTheProgrammerDoesNotTakePromptsWithTheWriteText) {
    GraceClock clock(kStallGraceMs);
    Bench bench(clock);
    bench.SetFaults([](emu::Faults& f) { f.stall_from[1] = 0; });
    bench.link.Open();

    const auto command = IdentCommand();
    const FatalStop stop =
        ExpectFatalStop([&] { bench.link.WritePipe(*bench.link.CmdOut, command.data(), 16); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
    EXPECT_EQ(bench.op.prompt().messages(), std::vector<std::string>{kNotWritten16});
    EXPECT_EQ(bench.op.prompt().times(), std::vector<std::uint64_t>{400 + 100000});
}

// --- Transfers that finish badly -----------------------------------------------------

TEST(NativeLinkFaults, ShortDataBlockReportsTheMissingBytesAgainAtOnce) {
    GraceClock clock(kPatientMs);
    Bench bench(clock);
    bench.SetFaults([](emu::Faults& f) { f.short_from[2] = 0; });
    bench.link.Open();
    bench.op.prompt().Script({CriticalPrompt::kRetry, CriticalPrompt::kAbort});

    const FatalStop stop = ExpectFatalStop([&] { RunInterlocked(bench.session, kReadButton); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
    // 64 of 4096 bytes came; the finished read is asked again, not restarted,
    // so the second prompt follows the first without any wait.
    EXPECT_EQ(bench.op.prompt().messages(),
              (std::vector<std::string>{"Из USB не считано :4032 байт!",
                                        "Из USB не считано :4032 байт!"}));
    EXPECT_EQ(bench.op.prompt().times(), (std::vector<std::uint64_t>{400, 400}));
}

// --- A programmer that is unplugged ------------------------------------------------

TEST(NativeLinkGone, VanishedProgrammerStopsTheProgramAtOnceInBothDirections) {
    GraceClock clock(kPatientMs);
    Bench bench(clock);
    bench.link.Open();
    bench.programmer.Change([](emu::Firmware& fw) { fw.Disconnect(); });

    const auto command = IdentCommand();
    const FatalStop write_stop =
        ExpectFatalStop([&] { bench.link.WritePipe(*bench.link.CmdOut, command.data(), 16); });
    std::array<std::uint8_t, 16> reply{};
    const FatalStop read_stop =
        ExpectFatalStop([&] { bench.link.ReadPipe(*bench.link.CmdIn, reply.data(), 16); });

    for (const FatalStop* stop : {&write_stop, &read_stop}) {
        EXPECT_EQ(stop->kind(), FatalStop::Kind::Halt);
        EXPECT_EQ(stop->message(), "Программатор отключен от USB!");
    }
    EXPECT_TRUE(bench.op.prompt().shown().empty());
    EXPECT_EQ(clock.NowMs(), 400u) << "no deadline is waited for";
}

TEST(NativeLinkGone, AnErrorThatDoesNotNameAMissingDeviceIsGoneOnlyWhenItsPathIs) {
    GraceClock clock(kPatientMs);
    Bench bench(clock);
    // Held open by the link, as it is while a transfer fails.
    bench.link.Open();
    const std::string present = bench.programmer.device_path();
    const std::string absent = present + "-unplugged";
    const struct {
        DWORD error;
        bool gone_while_present;
    } cases[] = {
        {ERROR_DEVICE_NOT_CONNECTED, true}, {ERROR_DEVICE_REMOVED, true},
        {ERROR_DEV_NOT_EXIST, true},        {kErrorNoSuchDevice, true},
        {ERROR_FILE_NOT_FOUND, true},       {ERROR_GEN_FAILURE, false},
        {ERROR_BAD_COMMAND, false},         {ERROR_OPERATION_ABORTED, false},
        {ERROR_BROKEN_PIPE, false},         {ERROR_INVALID_HANDLE, false},
        {ERROR_SEM_TIMEOUT, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceGone(c.error, present), c.gone_while_present) << "error " << c.error;
        EXPECT_TRUE(DeviceGone(c.error, absent)) << "error " << c.error;
    }
}

}  // namespace
}  // namespace dspprog::testing
