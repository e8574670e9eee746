// SPDX-License-Identifier: GPL-3.0-or-later
// The link: opening and closing the device and its pipes, and the deadline
// and prompt rules of every transfer, on a simulated clock.

#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/fatal_stop.h"
#include "link/link.h"
#include "support/expect_fatal_stop.h"
#include "support/fake_pipe.h"
#include "support/scripted_prompt.h"

namespace dspprog {
namespace {

using Events = std::vector<std::string>;
using Times = std::vector<std::uint64_t>;

const std::string kPath =
    "\\\\?\\usb#vid_1992&pid_2003#5&2f1c0a&0&1#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";

constexpr int kWait = CriticalPrompt::kRetry;
constexpr int kEnd = CriticalPrompt::kAbort;
constexpr int kClosed = CriticalPrompt::kClosed;

// One simulated world: a clock at `start_ms`, the fakes, the prompt and the link.
struct World {
    explicit World(std::uint64_t start_ms = 0) : clock(start_ms) { link.DevicePath = kPath; }

    SimulatedClock clock;
    FakeBackend backend{clock};
    ScriptedPrompt prompt{clock};
    Link link{backend, clock, prompt};
    FakePipe pipe{clock, "\\PIPE00"};
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(4096, 0);

    void Transfer(Access direction, std::uint32_t length) {
        if (direction == Access::Read) {
            link.ReadPipe(pipe, buffer.data(), length);
        } else {
            link.WritePipe(pipe, buffer.data(), length);
        }
    }
};

// --- Opening and closing ----------------------------------------------------

TEST(LinkOpening, DeviceThenEventsThenEachPipeFollowedBy100Ms) {
    World w;
    w.link.Open();

    const auto& events = w.backend.log().events();
    ASSERT_EQ(w.backend.log().whats(),
              (Events{"open device", "create ReadDone", "create WriteDone", "open \\PIPE00",
                      "open \\PIPE01", "open \\PIPE02", "open \\PIPE03"}));
    EXPECT_EQ(events[0].at_ms, 0u);
    EXPECT_EQ(events[3].at_ms, 0u);
    EXPECT_EQ(events[4].at_ms, 100u);
    EXPECT_EQ(events[5].at_ms, 200u);
    EXPECT_EQ(events[6].at_ms, 300u);
    EXPECT_GE(w.clock.NowMs(), 400u) << "the last pipe gets its pause too";

    EXPECT_EQ(w.backend.device_path(), kPath);
    const auto& opened = w.backend.pipe_openings();
    ASSERT_EQ(opened.size(), 4u);
    const Access access[] = {Access::Read, Access::Write, Access::Read, Access::Write};
    for (std::size_t n = 0; n < 4; ++n) {
        EXPECT_EQ(opened[n].path, kPath + "\\PIPE0" + std::to_string(n));
        EXPECT_EQ(opened[n].access, access[n]) << opened[n].path;
    }
    EXPECT_TRUE(w.link.DeviceHandle && w.link.CmdIn && w.link.CmdOut && w.link.MainIn &&
                w.link.MainOut);
}

TEST(LinkOpening, EachPipeCarriesItsOwnRole) {
    World w;
    w.link.Open();
    const std::uint8_t block[16] = {0x80};
    w.link.WritePipe(*w.link.CmdOut, block, 16);
    w.link.ReadPipe(*w.link.CmdIn, w.buffer.data(), 16);
    w.link.ReadPipe(*w.link.MainIn, w.buffer.data(), 4096);
    w.link.WritePipe(*w.link.MainOut, w.buffer.data(), 4096);

    const Access expected[] = {Access::Read, Access::Write, Access::Read, Access::Write};
    const std::uint32_t lengths[] = {16, 16, 4096, 4096};
    for (int n = 0; n < 4; ++n) {
        const auto& starts = w.backend.pipe(n).starts();
        ASSERT_EQ(starts.size(), 1u) << n;
        EXPECT_EQ(starts[0].direction, expected[n]) << n;
        EXPECT_EQ(starts[0].length, lengths[n]) << n;
    }
}

TEST(LinkOpening, DeviceThatWillNotOpenStopsTheProgram) {
    World w;
    w.backend.fail_device_open = true;
    const FatalStop stop = ExpectFatalStop([&] { w.link.Open(); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Ошибка открытия USB устройства!");
    EXPECT_EQ(stop.BoxText(),
              "Ошибка открытия USB устройства!\n\rПрограмма будет аварийно завершена.");
    EXPECT_EQ(w.backend.log().whats(), (Events{"open device failed"}));

    w.link.Close();
    EXPECT_EQ(w.backend.log().whats("close"), Events{});
}

TEST(LinkOpening, EventsThatCannotBeCreatedStopTheProgram) {
    struct Case {
        bool FakeBackend::*failing;
        const char* message;
        Events opening;
    };
    for (const Case& c : {Case{&FakeBackend::fail_read_event,
                               "Не удалось создать событие ReadDone",
                               {"open device", "create ReadDone failed"}},
                          Case{&FakeBackend::fail_write_event,
                               "Не удалось создать событие WriteDone",
                               {"open device", "create ReadDone", "create WriteDone failed"}}}) {
        SCOPED_TRACE(c.message);
        World w;
        w.backend.*c.failing = true;
        const FatalStop stop = ExpectFatalStop([&] { w.link.Open(); });
        EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
        EXPECT_EQ(stop.message(), c.message);
        EXPECT_EQ(w.backend.log().whats(), c.opening);
        w.link.Close();
        EXPECT_EQ(w.backend.log().whats("close"), (Events{"close device"}));
    }
}

class LinkPipeOpeningFails : public ::testing::TestWithParam<int> {};

TEST_P(LinkPipeOpeningFails, StopsWithThePathAndClosesOnlyWhatOpened) {
    const int failing = GetParam();
    World w;
    w.backend.fail_pipe = failing;
    const FatalStop stop = ExpectFatalStop([&] { w.link.Open(); });

    const std::string name = "\\PIPE0" + std::to_string(failing);
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.message(), "Ошибка открытия :" + kPath + name + "!");
    EXPECT_EQ(stop.BoxText(),
              "Ошибка открытия :" + kPath + name + "!\n\rПрограмма будет аварийно завершена.");
    EXPECT_EQ(w.backend.log().events().back().what, "open " + name + " failed");
    EXPECT_EQ(w.backend.log().events().back().at_ms, 100u * static_cast<unsigned>(failing));

    const std::unique_ptr<Pipe>* pipes[] = {&w.link.CmdIn, &w.link.CmdOut, &w.link.MainIn,
                                            &w.link.MainOut};
    for (int n = 0; n < 4; ++n) EXPECT_EQ(*pipes[n] != nullptr, n < failing) << "pipe " << n;

    w.link.Close();
    Events closed;
    for (int n = 0; n < failing; ++n) closed.push_back("close \\PIPE0" + std::to_string(n));
    closed.push_back("close device");
    EXPECT_EQ(w.backend.log().whats("close"), closed);
}

INSTANTIATE_TEST_SUITE_P(EachPipe, LinkPipeOpeningFails, ::testing::Values(0, 1, 2, 3));

TEST(LinkClosing, PipesInOrderThenTheDeviceEachOnce) {
    World w;
    w.link.Open();
    w.link.Close();
    w.link.Close();
    EXPECT_EQ(w.backend.log().whats("close"),
              (Events{"close \\PIPE00", "close \\PIPE01", "close \\PIPE02", "close \\PIPE03",
                      "close device"}));
}

TEST(LinkClosing, ALinkThatGoesAwayClosesWhatItOpened) {
    SimulatedClock clock;
    FakeBackend backend(clock);
    ScriptedPrompt prompt(clock);
    {
        Link link(backend, clock, prompt);
        link.DevicePath = kPath;
        backend.fail_pipe = 2;
        ExpectFatalStop([&] { link.Open(); });
    }
    EXPECT_EQ(backend.log().whats("close"),
              (Events{"close \\PIPE00", "close \\PIPE01", "close device"}));
}

TEST(LinkFatalStop, OnlyAHaltAddsTheClosingSentence) {
    EXPECT_EQ(ExpectFatalStop([] { CriticalHalt("Текст"); }).BoxText(),
              "Текст\n\rПрограмма будет аварийно завершена.");
    const FatalStop ended = ExpectFatalStop([] { Terminate(); });
    EXPECT_EQ(ended.kind(), FatalStop::Kind::Terminated);
    EXPECT_EQ(ended.BoxText(), "");
}

// --- Deadlines --------------------------------------------------------------

struct BaseCase {
    Access direction;
    std::uint32_t length;
    std::uint64_t base_ms;
    const char* message;
};

void PrintTo(const BaseCase& c, std::ostream* out) {
    *out << (c.direction == Access::Write ? "write of " : "read of ") << c.length << " bytes";
}

class LinkBaseTime : public ::testing::TestWithParam<BaseCase> {};

TEST_P(LinkBaseTime, AStalledTransferIsReportedAtItsBaseTime) {
    const BaseCase& p = GetParam();
    World w;
    w.pipe.Plan(TransferPlan::Never());
    w.prompt.Script({kEnd});

    const FatalStop stop = ExpectFatalStop([&] { w.Transfer(p.direction, p.length); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
    EXPECT_EQ(w.prompt.messages(), (Events{p.message}));
    EXPECT_EQ(w.prompt.times(), (Times{p.base_ms}));
}

TEST_P(LinkBaseTime, ATransferJustInsideItsDeadlineNeedsNoPrompt) {
    const BaseCase& p = GetParam();
    World w;
    w.pipe.Plan(TransferPlan::After(p.base_ms - 1));
    w.Transfer(p.direction, p.length);
    EXPECT_TRUE(w.prompt.shown().empty());
    EXPECT_EQ(w.clock.NowMs(), p.base_ms - 1) << "returns as soon as the transfer is done";
}

INSTANTIATE_TEST_SUITE_P(
    ShortAndLongBlocks, LinkBaseTime,
    ::testing::Values(BaseCase{Access::Write, 16, 100000, "В USB не записано :16 байт!"},
                      BaseCase{Access::Write, 17, 50000, "В USB не записано :17 байт!"},
                      BaseCase{Access::Write, 4096, 50000, "В USB не записано :4096 байт!"},
                      BaseCase{Access::Read, 16, 10000, "Из USB не считано :16 байт!"},
                      BaseCase{Access::Read, 17, 5000, "Из USB не считано :17 байт!"},
                      BaseCase{Access::Read, 4096, 5000, "Из USB не считано :4096 байт!"}));

// A transfer that does not complete, and the operator's answers until "Завершить".
struct StallCase {
    const char* name;
    TransferPlan plan;
    Access direction;
    std::uint32_t length;
    std::vector<int> answers;  // to the prompts, the last one kEnd
    std::uint64_t start_ms = 0;
    std::optional<std::uint32_t> factor = {};  // set before the transfer
    std::optional<Events> messages = {};
    std::optional<Times> times = {};
    std::optional<std::uint32_t> factor_after = {};
    std::optional<int> cancels = {};
    bool keep_deadlines = false;
    // With kept deadlines: how many times the wait was reported, and the last report.
    std::optional<std::size_t> waiting_reports = {};
    std::optional<std::pair<std::uint64_t, std::uint64_t>> last_waiting = {};
};

void PrintTo(const StallCase& c, std::ostream* out) {
    *out << c.name;
}

class LinkStall : public ::testing::TestWithParam<StallCase> {};

TEST_P(LinkStall, IsPromptedAtItsDeadlinesAndAwaitedWithoutARestart) {
    const StallCase& c = GetParam();
    World w(c.start_ms);
    if (c.factor) w.link.SetTimeoutFactor(*c.factor);
    w.link.KeepDeadlines(c.keep_deadlines);
    w.pipe.Plan(c.plan);
    for (int answer : c.answers) w.prompt.Answer(answer);

    const FatalStop stop = ExpectFatalStop([&] { w.Transfer(c.direction, c.length); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
    if (c.messages) {
        EXPECT_EQ(w.prompt.messages(), *c.messages);
    }
    if (c.times) {
        EXPECT_EQ(w.prompt.times(), *c.times);
    }
    if (c.factor_after) {
        EXPECT_EQ(w.link.TimeoutFactor(), *c.factor_after);
    }
    if (c.cancels) {
        EXPECT_EQ(w.pipe.cancels(), *c.cancels);
    }
    if (c.waiting_reports) {
        EXPECT_EQ(w.prompt.waiting().size(), *c.waiting_reports);
    }
    if (c.last_waiting) {
        EXPECT_EQ(w.prompt.waiting().back(), *c.last_waiting);
    }
    EXPECT_EQ(w.pipe.starts().size(), 1u) << "a transfer is awaited again, never restarted";
    EXPECT_FALSE(w.pipe.in_flight()) << "the transfer is given up before the program ends";
}

constexpr std::uint64_t kTop = std::numeric_limits<std::uint32_t>::max();
// Where a 32-bit tick count would wrap during the wait.
constexpr std::uint64_t kPastTheWrap = (std::uint64_t{1} << 32) - 3000;
const char* const kRead16 = "Из USB не считано :16 байт!";

INSTANTIATE_TEST_SUITE_P(
    Deadlines, LinkStall,
    ::testing::Values(StallCase{.name = "EachWaitingPassWaitsOneBaseLongerThanTheLast",
                                .plan = TransferPlan::Never(),
                                .direction = Access::Read,
                                .length = 16,
                                .answers = {kWait, kClosed, kEnd},
                                .messages = Events{kRead16, kRead16, kRead16},
                                .times = Times{10000, 30000, 60000},
                                .factor_after = 4,
                                .cancels = 1},
                      // Side by side, a stall late in a long run is reported
                      // after the operation's own deadline, not a grown one.
                      StallCase{.name = "KeptDeadlinesStayAtTheFactorAndTellTheWaitEachSecond",
                                .plan = TransferPlan::Never(),
                                .direction = Access::Read,
                                .length = 4096,
                                .answers = {kWait, kWait, kEnd},
                                .factor = 3,
                                .times = Times{15000, 30000, 45000},
                                .factor_after = 3,
                                .keep_deadlines = true,
                                .waiting_reports = 42,
                                .last_waiting = std::pair<std::uint64_t, std::uint64_t>{14000, 15000}},
                      StallCase{.name = "TheFactorInForceMultipliesTheBase",
                                .plan = TransferPlan::Never(),
                                .direction = Access::Write,
                                .length = 4096,
                                .answers = {kEnd},
                                .factor = 3,
                                .times = Times{150000}},
                      StallCase{.name = "AShortBlockIsReportedAtOnceUntilTheOperatorEnds",
                                .plan = TransferPlan::Short(64),
                                .direction = Access::Read,
                                .length = 4096,
                                .answers = {kWait, kClosed, kWait, kEnd},
                                .messages = Events(4, "Из USB не считано :4032 байт!"),
                                .times = Times{0, 0, 0, 0},
                                .cancels = 1},
                      StallCase{.name = "AShortWriteCountsTheBytesStillToGo",
                                .plan = TransferPlan::Short(4000),
                                .direction = Access::Write,
                                .length = 4096,
                                .answers = {kEnd},
                                .messages = Events{"В USB не записано :96 байт!"}},
                      StallCase{.name = "BytesMovedBeforeTheDeadlineAreNotCountedMissing",
                                .plan = TransferPlan::Never().Moving(1000),
                                .direction = Access::Read,
                                .length = 4096,
                                .answers = {kEnd},
                                .messages = Events{"Из USB не считано :3096 байт!"},
                                .times = Times{5000}},
                      StallCase{.name = "AFailedWriteIsAwaitedToItsDeadlineAndReportedEachPass",
                                .plan = TransferPlan::Fails(),
                                .direction = Access::Write,
                                .length = 16,
                                .answers = {kWait, kEnd},
                                .messages = Events(2, "В USB не записано :16 байт!"),
                                .times = Times{100000, 300000}},
                      StallCase{.name = "AFailedReadIsAwaitedToItsDeadlineAndReportedEachPass",
                                .plan = TransferPlan::Fails(),
                                .direction = Access::Read,
                                .length = 4096,
                                .answers = {kWait, kEnd},
                                .messages = Events(2, "Из USB не считано :4096 байт!"),
                                .times = Times{5000, 15000}},
                      StallCase{.name = "AFailedTransferIsNeverTakenForDoneWhateverItsCount",
                                .plan = TransferPlan::Fails(16),
                                .direction = Access::Write,
                                .length = 16,
                                .answers = {kEnd},
                                .times = Times{100000}},
                      StallCase{
                          .name = "NearTheTopTheFactorStopsGrowingAndDeadlinesStillFit",
                          .plan = TransferPlan::Never(),
                          .direction = Access::Read,
                          .length = 16,
                          .answers = {kWait, kWait, kEnd},
                          .factor = static_cast<std::uint32_t>(kTop - 1),
                          .times = Times{(kTop - 1) * 10000, (kTop - 1) * 10000 + kTop * 10000,
                                         (kTop - 1) * 10000 + 2 * kTop * 10000},
                          .factor_after = static_cast<std::uint32_t>(kTop)},
                      StallCase{.name = "AClockPastTheThirtyTwoBitWrapWaitsTheFullDeadline",
                                .plan = TransferPlan::Never(),
                                .direction = Access::Write,
                                .length = 16,
                                .answers = {kEnd},
                                .start_ms = kPastTheWrap,
                                .times = Times{kPastTheWrap + 100000}}),
    [](const ::testing::TestParamInfo<StallCase>& test) { return std::string(test.param.name); });

TEST(LinkDeadline, AReadThatArrivesDuringALaterPassEndsTheWaitThere) {
    World w;
    w.pipe.Plan(TransferPlan::After(45000).Delivering({0x11, 0x22, 0x33}));
    w.Transfer(Access::Read, 16);
    EXPECT_EQ(w.prompt.times(), (Times{10000, 30000}));
    EXPECT_EQ(w.clock.NowMs(), 45000u);
    EXPECT_EQ(w.pipe.starts().size(), 1u);
    EXPECT_EQ(w.pipe.cancels(), 0);
    EXPECT_EQ(w.link.TimeoutFactor(), 4u);
    EXPECT_EQ(w.buffer[0], 0x11);
    EXPECT_EQ(w.buffer[2], 0x33);
}

TEST(LinkDeadline, TheRestArrivingWhileThePromptIsShownEndsTheWait) {
    World w;
    w.pipe.Plan(TransferPlan::Short(64));
    w.prompt.OnShow([&](std::size_t, const std::string&) {
        w.clock.Advance(2000);  // the operator reads the message
        w.pipe.Replan(TransferPlan::AtOnce());
    });
    w.Transfer(Access::Read, 4096);
    EXPECT_EQ(w.prompt.times(), (Times{0}));
    EXPECT_EQ(w.clock.NowMs(), 2000u);
    EXPECT_EQ(w.pipe.starts().size(), 1u);
}

TEST(LinkDeadline, APromptThatThrowsGivesUpTheTransferFirst) {
    // A front-end may end the program from inside the prompt (its window was
    // closed); the transfer must not outlive the buffer it fills.
    World w;
    w.pipe.Plan(TransferPlan::Never());
    w.prompt.OnShow([](std::size_t, const std::string&) { Terminate("window closed"); });
    const FatalStop stop = ExpectFatalStop([&] { w.Transfer(Access::Read, 4096); });
    EXPECT_EQ(stop.message(), "window closed");
    EXPECT_EQ(w.pipe.cancels(), 1);
    EXPECT_FALSE(w.pipe.in_flight());
}

// --- A programmer that is gone -------------------------------------------------

struct GoneCase {
    const char* what;
    Access direction;
    std::uint32_t length;
    std::uint64_t gone_at_ms;  // when the device vanishes under the transfer
    std::vector<int> answers;  // to the prompts of the stall before it vanished
};

void PrintTo(const GoneCase& c, std::ostream* out) {
    *out << c.what;
}

class LinkDeviceGone : public ::testing::TestWithParam<GoneCase> {};

TEST_P(LinkDeviceGone, StopsTheProgramAtOnceWithoutAPromptAndGivesUpTheTransfer) {
    const GoneCase& c = GetParam();
    World w;
    w.pipe.Plan(TransferPlan::GoneAt(c.gone_at_ms));
    for (int answer : c.answers) w.prompt.Answer(answer);
    w.prompt.SetDefault(kEnd);

    const FatalStop stop = ExpectFatalStop([&] { w.Transfer(c.direction, c.length); });
    EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt);
    EXPECT_EQ(stop.BoxText(),
              "Программатор отключен от USB!\n\rПрограмма будет аварийно завершена.");
    EXPECT_EQ(w.prompt.shown().size(), c.answers.size()) << "no prompt for the device itself";
    EXPECT_EQ(w.clock.NowMs(), c.gone_at_ms) << "no wait for the deadline";
    EXPECT_EQ(w.pipe.starts().size(), 1u);
    EXPECT_EQ(w.pipe.cancels(), 1) << "the buffer is released before the program ends";
    EXPECT_FALSE(w.pipe.in_flight());
}

INSTANTIATE_TEST_SUITE_P(
    WhereverItVanishes, LinkDeviceGone,
    ::testing::Values(
        GoneCase{"command write refused at once", Access::Write, 16, 0, {}},
        GoneCase{"data write mid-wait", Access::Write, 4096, 20000, {}},
        GoneCase{"data read mid-wait", Access::Read, 4096, 3000, {}},
        GoneCase{"reply read after the operator waited", Access::Read, 16, 25000, {kWait}}));

// --- TimeoutFactor ------------------------------------------------------------

TEST(LinkTimeoutFactor, ATransferDoneAtOnceStillCountsAPass) {
    World w;
    w.Transfer(Access::Read, 16);
    EXPECT_EQ(w.link.TimeoutFactor(), 2u);
    EXPECT_EQ(w.clock.NowMs(), 0u) << "nothing is added to a transfer that is done";
    EXPECT_TRUE(w.prompt.shown().empty());
}

TEST(LinkTimeoutFactor, ACommandAndItsReplyAddExactlyTwo) {
    World w;
    w.link.Open();
    w.link.SetTimeoutFactor(5);
    std::uint8_t command[16] = {0x80, 0x01, 0x02};
    std::uint8_t reply[16] = {};
    w.backend.pipe(0).Plan(TransferPlan::After(30).Delivering({0x00, 0xBF, 0x5B}));

    w.link.WritePipe(*w.link.CmdOut, command, 16);
    w.link.ReadPipe(*w.link.CmdIn, reply, 16);
    EXPECT_EQ(w.link.TimeoutFactor(), 7u);

    const auto& sent = w.backend.pipe(1).starts().at(0).written;
    EXPECT_EQ(sent, std::vector<std::uint8_t>(command, command + 16));
    EXPECT_EQ(reply[1], 0xBF);
    EXPECT_EQ(reply[2], 0x5B);
}

TEST(LinkTimeoutFactor, AClockPastTheThirtyTwoBitWrapLetsATransferInTimeFinish) {
    World w(kPastTheWrap);
    w.pipe.Plan(TransferPlan::After(4000));
    w.Transfer(Access::Read, 4096);
    EXPECT_TRUE(w.prompt.shown().empty());
    EXPECT_EQ(w.clock.NowMs(), kPastTheWrap + 4000);
}

}  // namespace
}  // namespace dspprog
