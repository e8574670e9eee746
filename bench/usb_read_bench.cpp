// SPDX-License-Identifier: GPL-3.0-or-later
// Whole-chip reads through libusb: throughput and host processor time per
// 4096-byte block, against the programmer emulated behind the kernel's USB
// interface (umockdev).
//
// The emulated device answers at once, so the figures are the cost of the
// host's path: libusb, the event thread, the pipe's waits and the link. The
// process figure also carries umockdev's side (its handler thread and the
// socket round trips of every ioctl), which a real kernel does not cost; the
// calling thread's figure is the link's own.
//
// usb_read_bench [reads]   (default 5 reads of a 512 KB chip)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "emulator/firmware.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/usb/usb_backend.h"
#include "link/usb/usb_context.h"
#include "protocol/command_block.h"
#include "protocol/exchange.h"
#include "usb/emulated_usb_bus.h"

namespace {

constexpr std::uint32_t kChipSize = 524288;
constexpr std::uint32_t kBlock = 4096;
constexpr std::uint32_t kBlocks = kChipSize / kBlock;

}  // namespace

int main(int argc, char** argv) {
    using namespace dspprog;
    testing::EmulatedUsbBus::RestartUnderPreload(argv);
    const int reads = argc > 1 ? std::atoi(argv[1]) : 5;

    emu::Firmware firmware(emu::VirtualChip(kChipSize, kType255), {});
    for (std::uint32_t i = 0; i < kChipSize; ++i)
        firmware.chip().content()[i] = static_cast<std::uint8_t>(i * 131 ^ (i >> 11));
    const std::vector<std::uint8_t> content = firmware.chip().content();

    testing::EmulatedUsbBus bus;
    if (!testing::EmulatedUsbBus::Active()) {
        std::fprintf(stderr, "umockdev's preload library is not active\n");
        return 77;
    }
    testing::EmulatedUsbDevice& device = bus.Plug("1-2", testing::ProgrammerSpec(), &firmware);

    std::string error;
    std::shared_ptr<UsbContext> context = UsbContext::Create(error);
    if (!context) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    {
        UsbLinkBackend backend(context);
        SteadyClock clock;
        bench::NeverPrompted prompt;
        Link link(backend, clock, prompt);
        link.DevicePath = "\\\\?\\usb#vid_1992&pid_2003#1-2#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";
        link.Open();
        CommandChannel channel(link);
        std::vector<std::uint8_t> image(kChipSize);

        std::printf("reading a %u KB chip %d times, %u blocks of %u bytes each\n", kChipSize / 1024,
                    reads, kBlocks, kBlock);
        std::printf("%4s %10s %12s %18s %18s\n", "read", "ms", "KB/s", "process us/block",
                    "caller us/block");
        double total_ms = 0;
        double total_process = 0;
        double total_caller = 0;
        for (int r = 0; r < reads; ++r) {
            link.SetTimeoutFactor(1);
            const auto start = std::chrono::steady_clock::now();
            const double process0 = bench::CpuSeconds(RUSAGE_SELF);
            const double caller0 = bench::CpuSeconds(RUSAGE_THREAD);

            FillBurstRead(channel.CmdBuf, kChipSize);
            if (channel.DoCommand() != 0) return 1;
            for (std::uint32_t b = 0; b < kBlocks; ++b)
                link.ReadPipe(*link.MainIn, image.data() + b * kBlock, kBlock);
            if (channel.ReadCompletion() != 0) return 1;

            const double caller = bench::CpuSeconds(RUSAGE_THREAD) - caller0;
            const double process = bench::CpuSeconds(RUSAGE_SELF) - process0;
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count();
            if (image != content) {
                std::fprintf(stderr, "read %d: the image differs from the chip\n", r + 1);
                return 1;
            }
            std::printf("%4d %10.1f %12.0f %18.1f %18.1f\n", r + 1, ms, kChipSize / ms,
                        process * 1e6 / kBlocks, caller * 1e6 / kBlocks);
            total_ms += ms;
            total_process += process;
            total_caller += caller;
        }
        const double n = reads;
        std::printf("mean %10.1f %12.0f %18.1f %18.1f\n", total_ms / n, kChipSize * n / total_ms,
                    total_process * 1e6 / (kBlocks * n), total_caller * 1e6 / (kBlocks * n));
        link.Close();
    }
    (void)device;
    context.reset();
    return 0;
}
