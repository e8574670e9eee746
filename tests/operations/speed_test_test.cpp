// SPDX-License-Identifier: GPL-3.0-or-later
// The endpoint throughput test: the figures, their text, and the four lines.

#include <gtest/gtest.h>

#include "operations/speed_test.h"
#include "support/programmer_fixture.h"

namespace dspprog::testing {
namespace {

TEST(SpeedFigure, TwoDecimalsRoundedHalfToEven) {
    EXPECT_EQ(SpeedKBps(1001, 2000), 2050.05);  // 205004.8 -> 205005
    EXPECT_EQ(SpeedKBps(1001, 1000), 4100.1);   // 410009.6 -> 410010
    // Exact halves go to the even neighbour, down and up.
    EXPECT_EQ(SpeedKBps(1001, 32768), 125.12);  // 12512.5 -> 12512
    EXPECT_EQ(SpeedKBps(3, 32768), 0.38);       // 37.5 -> 38
    EXPECT_EQ(SpeedKBps(1001, 0), std::nullopt);
}

TEST(SpeedFigure, TextHasNoTrailingZerosAndTheOperatorsSeparator) {
    EXPECT_EQ(FormatSpeed(2050.05, ','), "2050,05");
    EXPECT_EQ(FormatSpeed(2050.05, '.'), "2050.05");
    EXPECT_EQ(FormatSpeed(4100.1, '.'), "4100.1");
    EXPECT_EQ(FormatSpeed(2050.5, ','), "2050,5");
    EXPECT_EQ(FormatSpeed(2050.0, ','), "2050");
    EXPECT_EQ(FormatSpeed(0.38, ','), "0,38");
    EXPECT_EQ(FormatSpeed(*SpeedKBps(1001, 3), ','), "1366698,67");
}

struct SpeedBench : ProgrammerBench {
    SpeedBench() : ProgrammerBench(emu::VirtualChip(8192, kType255), {}, {}) {}
};

TEST(SpeedRun, FourLinesWithTimedSeries) {
    SpeedBench bench;
    bench.firmware.timing().enabled = true;
    bench.session.DecimalSeparator = ',';
    bench.link.SetTimeoutFactor(5);
    EXPECT_EQ(RunButtonOperation(bench.session, kButton1Button), Outcome::Succeeded);
    // A series is 1001 x 64 packets of 64 bytes at 19 packets a millisecond:
    // 3371 ms, 4100.0961 kB in it.
    const std::string speed = "1216,28";
    EXPECT_EQ(FormatSpeed(*SpeedKBps(1001, 1001 * 64 / 19), ','), speed);
    EXPECT_EQ(bench.op.transcript(),
              (std::vector<std::string>{"Измерение скорости обмена 16 битной Endpoint",
                                        "Скорость 16 битной Endpoint: " + speed,
                                        "Измерение скорости обмена 64 битной Endpoint",
                                        "Скорость 64 битной Endpoint: " + speed}));
    // Every write adds one to the factor; the test does not set it back.
    EXPECT_EQ(bench.link.TimeoutFactor(), 5u + 2002u);
}

TEST(SpeedRun, ZeroFilledBlocksOnBothPipesAndNoReplyRead) {
    SpeedBench bench;
    // No time passes.
    EXPECT_EQ(RunButtonOperation(bench.session, kButton1Button), Outcome::Failed);
    const auto& wire = bench.firmware.wire();
    ASSERT_EQ(wire.size(), 2002u);
    for (std::size_t i = 0; i < wire.size(); ++i) {
        const auto pipe = i < 1001 ? emu::PipeRole::CmdOut : emu::PipeRole::MainOut;
        ASSERT_EQ(wire[i].pipe, pipe) << i;
        ASSERT_EQ(wire[i].bytes, std::vector<std::uint8_t>(4096, 0)) << i;
    }
}

TEST(SpeedRun, SeriesOfNoMeasurableTimeSaySo) {
    SpeedBench bench;
    EXPECT_EQ(RunButtonOperation(bench.session, kButton1Button), Outcome::Failed);
    EXPECT_EQ(bench.op.transcript(),
              (std::vector<std::string>{"Измерение скорости обмена 16 битной Endpoint",
                                        "Скорость 16 битной Endpoint: не измерена (0 мс)",
                                        "Измерение скорости обмена 64 битной Endpoint",
                                        "Скорость 64 битной Endpoint: не измерена (0 мс)"}));
}

}  // namespace
}  // namespace dspprog::testing
