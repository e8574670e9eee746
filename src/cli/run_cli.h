// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command-line front-end as a routine: arguments in, exit status out.

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "catalogue/catalogue_location.h"
#include "link/clock.h"
#include "operations/unfinished_file_watch.h"
#include "startup/exit_status.h"

namespace dspprog {

// What the program takes from its surroundings besides the arguments.
struct CliEnvironment {
    // Where typed answers come from; null when nobody is there to ask.
    std::istream* ask = nullptr;
    bool progress = false;  // draw a progress bar on the error stream
    // Where a series reads "next chip" (a line) or "q"; null: the series ends
    // after its first chip. A terminal or not.
    std::istream* next_chip_input = nullptr;
    char decimal_separator = '.';
    // The clock of the link and the emulator; null for the steady clock.
    Clock* clock = nullptr;
    // Told where a read's image is while it is unfinished; may be null.
    UnfinishedFileWatch* unfinished_files = nullptr;
    // Where the catalogue is looked for without a catalogue option; nothing for this
    // process's own working directory, data directories and installation.
    std::optional<CatalogueEnvironment> catalogue_places;
};

// `args` without the program name. Log lines go to `out`; boxes, prompts and
// the progress bar to `err`.
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment);

}  // namespace dspprog
