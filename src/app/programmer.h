// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmer the options name, behind the link seam: the platform's
// hardware through one of its backends, or the built-in emulator.

#include <memory>
#include <string>

#include "app/chip_log.h"
#include "app/platform_link.h"
#include "app/start_options.h"
#include "emulator/emulated_programmer.h"
#include "link/clock.h"
#include "link/link.h"

namespace dspprog {

class Programmer {
public:
    // Opens what `options` ask for. Null with `error` set (one line) when it
    // cannot be had: a backend not in this build, an emulated chip that cannot
    // be set up. An emulated chip named through an unusable catalogue is the
    // fatal stop the chip lookup makes (CriticalHalt).
    static std::unique_ptr<Programmer> Open(const StartOptions& options,
                                            const std::string& catalogue_path, Clock& clock,
                                            std::string& error);

    InterfaceEnumerator& enumerator() { return *enumerator_; }
    LinkBackend& backend() { return *backend_; }
    // The emulator, when it is the one; else null.
    emu::EmulatedProgrammer* emulated() { return emulated_.get(); }

    // Finds the programmer and opens `link`, built on backend(), on it.
    void Connect(Link& link);

    // How records name this programmer once `link` is open on it.
    ProgrammerIdentity Identity(const Link& link) const;

    // The chip is finished with and the operator swaps it (the emulator puts
    // its next chip in; real hardware needs nothing). False with `error` set
    // when the next chip cannot be had.
    bool ChipDone(bool slowly, std::string& error);

private:
    Programmer() = default;

    std::unique_ptr<emu::EmulatedProgrammer> emulated_;
    PlatformLink platform_;
    InterfaceEnumerator* enumerator_ = nullptr;
    LinkBackend* backend_ = nullptr;
};

}  // namespace dspprog
