// SPDX-License-Identifier: GPL-3.0-or-later
// The Busy interlock: an operation button does nothing while another
// operation runs; the throughput test takes no part in it.

#include <gtest/gtest.h>

#include "operations/erase_chip.h"
#include "operations/identify.h"
#include "operations/read_chip.h"
#include "operations/speed_test.h"
#include "operations/write_chip.h"
#include "support/programmer_fixture.h"

namespace dspprog::testing {
namespace {

struct Handler {
    const char* name;
    const ButtonOperation& operation;
    Outcome click(Session& session) const { return RunInterlocked(session, operation); }
};

const std::vector<Handler>& Handlers() {
    static const std::vector<Handler> handlers = {
        {"GetIdent", kGetIdentButton},
        {"Read", kReadButton},
        {"EreaseChip", kEreaseChipButton},
        {"WriteChipButton", kWriteChipButton},
    };
    return handlers;
}

struct BusyBench : ProgrammerBench {
    BusyBench()
        : ProgrammerBench(emu::VirtualChip(8192, kType255), IdentReply({{1, 0xBF}, {2, 0x07}}),
                          {{"BF07", "CHIP", "64K", "4", "1", "255"}}) {}
};

TEST(Busy, EveryOperationButtonRefusesSilently) {
    for (const Handler& h : Handlers()) {
        SCOPED_TRACE(h.name);
        BusyBench bench;
        bench.session.Busy = 1;
        EXPECT_EQ(h.click(bench.session), Outcome::Refused);
        EXPECT_TRUE(bench.op.transcript().empty());
        EXPECT_TRUE(bench.firmware.wire().empty());
        EXPECT_EQ(bench.session.Busy, 1);
    }
}

TEST(Busy, ClicksDuringAnOperationDoNothing) {
    BusyBench bench;
    std::vector<Outcome> nested;
    bench.op.OnProgress([&](std::uint32_t done, std::uint32_t) {
        if (done != 1) return;
        for (const Handler& h : Handlers()) nested.push_back(h.click(bench.session));
    });
    EXPECT_EQ(RunInterlocked(bench.session, kReadButton), Outcome::Succeeded);
    EXPECT_EQ(nested, std::vector<Outcome>(4, Outcome::Refused));
    EXPECT_EQ(bench.op.transcript(),
              (std::vector<std::string>{"", "+++ Начало чтения чипа.",
                                        "  Чип определен: CHIP. Объем: 8192 байт(а).",
                                        "  Производится чтение.", "  Чип считан за: 0 миллисекунд.",
                                        "  Чип чист.", "--- Окончание чтения чипа."}));
    EXPECT_EQ(bench.session.Busy, 0);
}

TEST(Busy, ThroughputTestIgnoresTheInterlock) {
    BusyBench bench;
    bench.session.Busy = 1;
    RunButtonOperation(bench.session, kButton1Button);
    EXPECT_EQ(bench.op.transcript().size(), 4u);
    EXPECT_EQ(bench.firmware.wire().size(), 2002u);
    EXPECT_EQ(bench.session.Busy, 1);
}

}  // namespace
}  // namespace dspprog::testing
