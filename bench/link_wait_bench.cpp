// SPDX-License-Identifier: GPL-3.0-or-later
// How much processor time the link burns while the programmer is busy.
//
// The programmer is told to erase a chip that takes 10 s; the host then waits
// for the completion reply like the erase operation does. A wait that polls
// would use a whole core for those 10 s; ours should sleep.

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench_support.h"
#include "emulator/emulated_link.h"
#include "emulator/firmware.h"
#include "link/link.h"
#include "protocol/exchange.h"

int main(int argc, char** argv) {
    using namespace dspprog;
    const unsigned wait_ms = argc > 1 ? static_cast<unsigned>(std::atoi(argv[1])) : 10000;

    emu::VirtualChip chip(131072, kType255);
    emu::Firmware firmware(chip, {});
    firmware.timing().enabled = true;
    firmware.timing().erase_ms_flash = wait_ms;

    SteadyClock clock;
    bench::NeverPrompted prompt;
    emu::EmulatedBackend backend(firmware, clock);
    Link link(backend, clock, prompt);
    link.DevicePath = emu::kEmulatedPath;
    link.Open();

    CommandChannel channel(link);
    FillAddress(channel.CmdBuf, chip.size());
    FillErase255(channel.CmdBuf);
    FillEraseMode(channel.CmdBuf, 4);
    if (channel.DoCommand() != 0) return 1;

    const auto wall_start = std::chrono::steady_clock::now();
    const double cpu_start = bench::CpuSeconds();
    link.SetTimeoutFactor(2);
    const std::uint8_t status = channel.ReadCompletion();
    const double cpu = bench::CpuSeconds() - cpu_start;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();

    std::printf("completion status %u after %.3f s wall, %.4f s CPU: %.3f%% of wall time\n",
                status, wall, cpu, 100.0 * cpu / wall);
    return cpu / wall < 0.01 ? 0 : 1;
}
