// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmers the options name, behind the link seam, through the row of
// the backend table they choose: one of the platform's hardware backends, or
// the built-in emulator playing one or several programmers.

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "emulator/emulated_programmer.h"
#include "link/clock.h"
#include "link/link.h"
#include "link/programmer_list.h"
#include "startup/backend_table.h"
#include "startup/programmer_identity.h"
#include "startup/start_options.h"

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

    InterfaceEnumerator& enumerator() { return *opened_.link.enumerator; }
    LinkBackend& backend() { return *opened_.link.backend; }
    // The n-th emulated programmer, when the emulator is the one; else null.
    emu::EmulatedProgrammer* emulated(std::size_t n = 0) {
        return n < opened_.emulated.size() ? opened_.emulated[n].get() : nullptr;
    }
    std::size_t emulated_count() const { return opened_.emulated.size(); }
    // What tells of programmers plugged in and removed; null when nothing
    // does (the emulator's are fixed, some systems cannot tell).
    PlugNotifier* plug_notifier() { return opened_.link.notifier.get(); }

    // Every programmer present now, in enumeration order.
    std::vector<ProgrammerEntry> List() { return ListProgrammers(enumerator()); }

    // Finds the programmer and opens `link`, built on backend(), on it. With
    // `among`, the search looks at those programmers alone; empty, at all.
    void Connect(Link& link, const std::vector<ProgrammerEntry>& among = {});

    // How records name the programmer `link` is open on: its serial number
    // and bus location as the listing gives them.
    ProgrammerIdentity Identity(const Link& link);

    // The chip in the socket of the programmer `link` is open on is finished
    // with and the operator swaps it (the emulator puts its next chip in;
    // real hardware needs nothing). False with `error` set when the next
    // chip cannot be had.
    bool ChipDone(const Link& link, bool slowly, std::string& error);

private:
    Programmer() = default;

    OpenedBackend opened_;
    std::mutex search_mutex_;
};

// The programmers `selector` names among those present (all of them for
// "all"); empty for no selector, which leaves the choice to the search. False
// with `error` set (the listing of what is there) when it names none.
bool ChooseDevices(Programmer& programmer, const std::optional<std::string>& selector,
                   std::vector<ProgrammerEntry>& chosen, std::string& error);

}  // namespace dspprog
