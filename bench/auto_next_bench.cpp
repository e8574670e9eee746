// SPDX-License-Identifier: GPL-3.0-or-later
// How much processor time --auto-next takes while it waits for the operator
// to swap the chip.
//
// The emulated socket reads empty for a number of identifications (the
// operator taking the chip out and fumbling for the next), then holds the
// same chip again. Looking twice a second and sleeping in between should
// leave the processor all but idle: under 1% of the wall time.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "bench_support.h"
#include "catalogue/chip_table.h"
#include "emulator/emulated_link.h"
#include "emulator/firmware.h"
#include "link/link.h"
#include "operations/chip_swap_wait.h"
#include "operations/identify.h"

namespace {

class QuietOperator final : public dspprog::Operator {
public:
    void Log(const std::string&) override {}
    void ErrorBox(const std::string&) override {}
    bool OkCancelBox(const std::string&) override { return false; }
    std::optional<std::string> ChooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    int ShowCriticalError(const std::string& message) override {
        return prompt_.ShowCriticalError(message);
    }

private:
    dspprog::bench::NeverPrompted prompt_;
};

int Bench(int empty_looks, const std::string& catalogue_path) {
    using namespace dspprog;

    // AMD Am29F010 (0120), 128 KB flash.
    emu::VirtualChip chip(131072, kType255);
    emu::Firmware firmware(chip, {0x01, 0x20});

    SteadyClock clock;
    QuietOperator op;
    emu::EmulatedBackend backend(firmware, clock);
    Link link(backend, clock, op);
    link.DevicePath = emu::kEmulatedPath;
    link.Open();
    const std::unique_ptr<ChipTable> catalogue = MakeChipTable(catalogue_path);
    Session session(link, *catalogue, op);
    if (!IdentifyChip(session, false)) {
        std::fprintf(stderr, "the chip is not in the catalogue '%s'\n", catalogue_path.c_str());
        return 2;
    }
    const ChipRecord row = session.tChip;

    firmware.EmptySocketFor(empty_looks);
    const auto wall_start = std::chrono::steady_clock::now();
    const double cpu_start = bench::CpuSeconds();
    WaitForChipSwap(session, row);
    const double cpu = bench::CpuSeconds() - cpu_start;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();

    std::printf(
        "chip swap seen after %d empty looks: %.3f s wall, %.4f s CPU: %.3f%% of wall time\n",
        empty_looks, wall, cpu, 100.0 * cpu / wall);
    return cpu / wall < 0.01 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    // Each empty look is half a second of the operator's time.
    const int empty_looks = argc > 1 ? std::atoi(argv[1]) : 10;
    const std::string catalogue_path = argc > 2 ? argv[2] : DSPPROG_BENCH_CATALOGUE;
    return dspprog::bench::RunStoppable(catalogue_path,
                                        [&] { return Bench(empty_looks, catalogue_path); });
}
