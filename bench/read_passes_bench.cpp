// SPDX-License-Identifier: GPL-3.0-or-later
// read --passes 3 against one read of a 512 KB chip, on the emulated
// programmer with its timing model (USB full-speed bulk packets) and the
// steady clock: the passes are three reads and no more, so the ratio must
// stay under 3.05 (comparing them, identifying the chip again and looking at
// the content may cost the other 5%).
//
// read_passes_bench [chips.db [rounds]]   (default: chips.db here, 3 rounds)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "bench_support.h"
#include "link/clock.h"
#include "production/run_executor.h"
#include "startup/operation_table.h"
#include "startup/programmer.h"
#include "startup/programmer_session.h"

namespace {

using namespace dspprog;

// AMD Am29F040B in the shipped catalogue: 512 KB.
constexpr const char* kChip = "01A4";

class QuietOperator final : public Operator {
public:
    void Log(const std::string&) override {}
    void ErrorBox(const std::string& text) override {
        std::fprintf(stderr, "error box: %s\n", text.c_str());
    }
    bool OkCancelBox(const std::string&) override { return false; }
    std::optional<std::string> ChooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    int ShowCriticalError(const std::string& message) override {
        return bench::NeverPrompted().ShowCriticalError(message);
    }
};

class Nobody final : public NextChipPrompt {
public:
    NextChip AskNext(const SeriesCounts&) override { return NextChip::Finish; }
};

// Seconds of wall time for one read of `passes` passes; negative when it failed.
double Read(Programmer& programmer, ProgrammerSession& site, std::uint32_t passes) {
    RunPlan plan;
    plan.operation = OperationNamed("read");
    plan.passes = passes;
    PlanFiles files;
    Nobody nobody;
    const auto start = std::chrono::steady_clock::now();
    const RunOutcome outcome = RunOnSession(plan, site.session(), &programmer, files, nobody);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    return outcome.status == 0 && outcome.findings.passes == passes ? took.count() : -1;
}

int Bench(const std::string& catalogue, int rounds) {
    StartOptions options;
    options.emulate = true;
    options.emulated_chips = {kChip};
    options.emulator.chip = kChip;
    SteadyClock clock;
    std::string error;
    std::unique_ptr<Programmer> programmer = Programmer::Open(options, catalogue, clock, error);
    if (!programmer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    QuietOperator op;
    ProgrammerSession site(*programmer, {}, op, clock, catalogue, false);
    std::printf("round  one read s  --passes 3 s  ratio\n");
    double worst = 0;
    for (int round = 1; round <= rounds; ++round) {
        const double one = Read(*programmer, site, 1);
        const double three = Read(*programmer, site, 3);
        if (one <= 0 || three < 0) {
            std::printf("%5d  failed\n", round);
            return 1;
        }
        worst = std::max(worst, three / one);
        std::printf("%5d  %10.3f  %12.3f  %5.3f\n", round, one, three, three / one);
    }
    std::printf("worst ratio %.3f (limit 3.05)\n", worst);
    return worst < 3.05 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string catalogue = argc > 1 ? argv[1] : "chips.db";
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
    return bench::RunStoppable(catalogue, [&] { return Bench(catalogue, rounds); });
}
