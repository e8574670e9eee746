// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The backends that reach programmers, one row each: the platform's hardware
// backends and the built-in emulator. Opening the programmer picks one row and
// from then on knows no difference between them.

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "emulator/emulated_programmer.h"
#include "link/clock.h"
#include "link/platform_parts.h"
#include "startup/start_options.h"

namespace dspprog {

// What a row was opened into. The emulated programmers outlive the link that
// routes to them.
struct OpenedBackend {
    // The emulator's programmers, one per emulated chip; empty for hardware.
    std::vector<std::unique_ptr<emu::EmulatedProgrammer>> emulated;
    // The enumerator that lists the row's programmers and the backend that opens one.
    PlatformLink link;
};

struct BackendRow {
    // What --usb names a hardware backend by; the emulator is chosen by --emulate.
    const char* name;
    bool built_in;
    // The option that chooses the row; its refusals are told under that option.
    StartOption option;
    // Why the row cannot be had, when it is not built in.
    const char* missing;
    // Fills `opened`; false with `error` (one line) when the row cannot start.
    // Null when the row is not built in.
    bool (*open)(const StartOptions& options, const std::string& catalogue_path, Clock& clock,
                 OpenedBackend& opened, std::string& error);
};

std::span<const BackendRow> BackendRows();

// The row named `name`; null for none.
const BackendRow* BackendNamed(const std::string& name);

// The row `options` choose: the emulator with --emulate, else the hardware
// backend --usb names, else the platform's default (the first hardware row
// built in).
const BackendRow& ChosenBackend(const StartOptions& options);

// Opens the row `options` choose into `opened`. False with `error` set (one
// line, headed by the option that chose the row) when it cannot be had: a
// backend not in this build, an emulated chip that cannot be set up.
bool OpenChosenBackend(const StartOptions& options, const std::string& catalogue_path, Clock& clock,
                       OpenedBackend& opened, std::string& error);

}  // namespace dspprog
