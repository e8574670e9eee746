// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The options both front-ends take to choose and set up the programmer, in
// one table: each front-end's parser and --help text are built from it, so
// that the two cannot drift apart.

#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "emulator/emulated_programmer.h"

namespace dspprog {

enum class StartOption {
    Catalogue,
    Usb,
    Device,
    Emulate,
    ChipFile,
    Ident,
    Fault,
    WireLog,
    Fast,
    OnStall
};

// The answer to the stalled-transfer prompt.
enum class StallAnswer { Ask, Wait, Terminate };

struct StartOptionRow {
    StartOption id;
    const char* name;        // without the leading dashes
    const char* value_name;  // null for a flag
    bool emulator_only;      // means something only with the emulator
    bool repeatable;
    bool command_line_only;  // the window does not take it
    // The help text, one entry a line as the command line's --help shows it.
    std::vector<const char*> help;
};

// Every row, in the order the help texts list them.
std::span<const StartOptionRow> StartOptionRows();
const StartOptionRow& RowOf(StartOption id);
// The row a command-line flag (its name after two dashes) names; null for none.
const StartOptionRow* RowOfFlag(const std::string& flag);
// The row's name after two dashes, as the command line spells it.
std::string OptionFlag(StartOption id);

// What the options ask for.
struct StartOptions {
    std::optional<std::string> catalogue;  // else the search order finds one
    std::optional<std::string> usb;        // hardware backend: "libusb" or "native"
    // Which programmer: a serial number, a bus location, a listing number, an
    // interface path, or "all"; without it the search's first.
    std::optional<std::string> device;
    bool emulate = false;
    // With `emulate`: what every emulated programmer shares, and the first
    // one's chip and chip file.
    emu::EmulatorOptions emulator;
    std::vector<std::string> emulated_chips;  // one per emulated programmer
    std::vector<std::string> chip_files;      // none, or one per emulated programmer
    std::vector<std::pair<std::size_t, std::string>> site_faults;  // N (from 1), fault word
    StallAnswer on_stall = StallAnswer::Ask;

    // The options of the n-th emulated programmer (from 0): its chip, chip
    // file, faults, serial number and wire log.
    emu::EmulatorOptions EmulatorOptionsFor(std::size_t n) const;
};

// Takes one given option (`value` empty for a flag). False with `error` set
// (one line) when the value is not one the option takes.
bool ApplyStartOption(StartOption id, const std::string& value, StartOptions& options,
                      std::string& error);

// The rules between the options given: the emulator's own need the emulator,
// and real hardware cannot go with it.
bool CheckStartOptions(const std::set<StartOption>& given, const StartOptions& options,
                       std::string& error);

// The rows as --help lines: "  --name VALUE" with the help beside it from
// column `column` on.
std::string StartOptionsHelp(std::size_t column);

}  // namespace dspprog
