// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A link opened on the emulated programmer with a simulated clock: the bench
// on which protocol and emulator tests talk to the firmware block by block.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulator/emulated_link.h"
#include "emulator/firmware.h"
#include "link/clock.h"
#include "link/link.h"
#include "protocol/exchange.h"

namespace dspprog::testing {

// A prompt that must never show: a test that reaches it has a transfer that
// did not complete. It answers "Завершить" so the test ends instead of hanging.
class NoPrompt final : public CriticalPrompt {
public:
    int ShowCriticalError(const std::string& message) override {
        ADD_FAILURE() << "unexpected prompt: " << message;
        return kAbort;
    }
};

struct WireBench {
    explicit WireBench(emu::VirtualChip chip, std::array<std::uint8_t, 15> ident = {})
        : firmware(std::move(chip), ident), backend(firmware, clock), link(backend, clock, prompt),
          channel(link) {
        link.DevicePath = emu::kEmulatedPath;
        link.Open();
        firmware.ClearWire();
    }

    // The wire record as text lines, for messages that show both sides in hex.
    std::vector<std::string> WireLines() const;

    SimulatedClock clock;
    NoPrompt prompt;
    emu::Firmware firmware;
    emu::EmulatedBackend backend;
    Link link;
    CommandChannel channel;
};

}  // namespace dspprog::testing
