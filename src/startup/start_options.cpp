// SPDX-License-Identifier: GPL-3.0-or-later
// The one place the start-up options are spelled: every other file asks this
// table for a name.
#include "startup/start_options.h"

#include <algorithm>

#include "base/digits.h"
#include "base/name_with_tag.h"
#include "startup/file_roles.h"

namespace dspprog {

namespace {

std::vector<std::string> SplitList(const std::string& value) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (std::size_t comma; (comma = value.find(',', from)) != std::string::npos; from = comma + 1)
        parts.push_back(value.substr(from, comma - from));
    parts.push_back(value.substr(from));
    return parts;
}

const std::vector<StartOptionRow>& Rows() {
    static const std::vector<StartOptionRow> rows = {
        {StartOption::Catalogue,
         "catalogue",
         "FILE",
         false,
         false,
         false,
         {"the chip catalogue; without it the first chips.db found in: the",
          "current directory, $XDG_DATA_HOME/dspprog (default",
          "~/.local/share/dspprog), the installed ../share/dspprog beside", "the program"}},
        {StartOption::Usb,
         "usb",
         "libusb|native",
         false,
         false,
         false,
         {"the hardware backend (default: the platform's own; only the",
          "backends built into this program are available)"}},
        {StartOption::Device,
         "device",
         "SEL",
         false,
         false,
         false,
         {"the programmer to use, when several are present: its serial number, its",
          "bus location, its number or its interface path as the devices command",
          "lists them; 'all' runs the command on every one at once (not in the",
          "window). Without it the first one found"}},
        {StartOption::Emulate,
         "emulate",
         "CHIP[,CHIP...]",
         false,
         false,
         false,
         {"use the built-in programmer emulator instead of USB. CHIP is a catalogue",
          "Code (0120), a Name (\"AMD Am29F010\"), or a part of a Name in any case",
          "that only one row has (am29f010; several rows: they are listed); or",
          "CODE:SIZE:TYPE (e.g. AB05:8192:255), which sets the emulator up without",
          "the catalogue; the commands still look the chip up in the catalogue, as",
          "for a real programmer, and stop when there is none. Several CHIPs,",
          "separated by commas, emulate as many programmers, with serial numbers",
          "EMU1, EMU2, ... and bus locations emu-1, emu-2, ..."}},
        {StartOption::ChipFile,
         "chip-file",
         "FILE[,FILE...]",
         true,
         false,
         false,
         {"(emulator) the emulated chip's content; created erased when missing;",
          "erase and write change it. One FILE per emulated programmer"}},
        {StartOption::Ident,
         "ident",
         "HEX",
         true,
         false,
         false,
         {"(emulator) the 15 identification bytes (reply bytes 1..15), 30 hex digits"}},
        {StartOption::Fault,
         "fault",
         "SPEC",
         true,
         true,
         false,
         {"(emulator, repeatable) [N:]refuse:OP | fail:OP | stall:PIPE | short:PIPE | stuck:N",
          "(N: only the N-th emulated programmer, from 1; else all of them; OP an",
          "opcode in hex such as 83; PIPE one of CmdIn CmdOut MainIn MainOut;",
          "stuck:N leaves N bytes 00 after an erase, stuck:N=VV leaves them VV, two",
          "hex digits 00 to FE such as 7F)",
          "also: stall:PIPE@N and short:PIPE@N (from the pipe's N-th transfer on,",
          "counting from 0), unplug@N (the programmer vanishes after N transfers)",
          "and ident:CODE[@N] (from the N-th command on, counting from 0, the chip",
          "identifies as CODE, 4 hex digits such as 01A4: a chip swapped mid-run);",
          "flaky:ADDR[:MASK] (the bits in MASK of the chip's byte ADDR flip on",
          "every read of the chip, so two reads in a row differ there; ADDR and",
          "MASK decimal or 0x-prefixed hex as --offset takes them, MASK 1 to 0xFF,",
          "default 0x01), pin:D<n>=0|1 (data line D0..D7 stuck at 0 or 1 in what",
          "the chip reads) and pin:A<n> (address line A0..A18, below the chip's",
          "size, open: the chip answers for A<n>=0 at both halves)"}},
        {StartOption::WireLog,
         "wire-log",
         "FILE",
         true,
         false,
         false,
         {"(emulator) every block in wire order, one line each (with several",
          "emulated programmers, one file each, its serial before the extension):",
          "\"<pipe> <bytes as upper-case hex pairs separated by single spaces>\"",
          "FILE is replaced; it must not be any other file of the command, nor a",
          "symbolic link (refused, so that the file it leads to stays as it was)"}},
        {StartOption::Fast,
         "fast",
         nullptr,
         true,
         false,
         false,
         {"(emulator) no timing model; without it the emulated link runs at USB full speed"}},
        {StartOption::OnStall,
         "on-stall",
         "wait|terminate",
         false,
         false,
         true,
         {"answer to the stalled-transfer prompt (default: ask on a terminal,",
          "else terminate); an unplugged programmer is not waited for: it is a",
          "fatal stop at once"}},
    };
    return rows;
}

}  // namespace

std::span<const StartOptionRow> StartOptionRows() {
    return Rows();
}

const StartOptionRow& RowOf(StartOption id) {
    return *std::find_if(Rows().begin(), Rows().end(),
                         [id](const StartOptionRow& row) { return row.id == id; });
}

const StartOptionRow* RowOfFlag(const std::string& flag) {
    for (const StartOptionRow& row : Rows()) {
        if (flag == std::string("--") + row.name) return &row;
    }
    return nullptr;
}

std::string OptionFlag(StartOption id) {
    return std::string("--") + RowOf(id).name;
}

bool ApplyStartOption(StartOption id, const std::string& value, StartOptions& options,
                      std::string& error) {
    switch (id) {
        case StartOption::Catalogue:
            options.catalogue = value;
            break;
        case StartOption::Usb:
            if (value != "libusb" && value != "native") {
                error = OptionFlag(id) + " takes 'libusb' or 'native', not '" + value + "'";
                return false;
            }
            options.usb = value;
            break;
        case StartOption::Device:
            options.device = value;
            break;
        case StartOption::Emulate:
            options.emulate = true;
            options.emulated_chips = SplitList(value);
            if (std::count(options.emulated_chips.begin(), options.emulated_chips.end(), "")) {
                error = OptionFlag(id) + " names an empty chip in '" + value + "'";
                return false;
            }
            options.emulator.chip = options.emulated_chips.front();
            break;
        case StartOption::ChipFile:
            options.chip_files = SplitList(value);
            if (std::count(options.chip_files.begin(), options.chip_files.end(), "")) {
                error = OptionFlag(id) + " names an empty file in '" + value + "'";
                return false;
            }
            options.emulator.chip_file = options.chip_files.front();
            break;
        case StartOption::Ident: {
            std::array<std::uint8_t, 15> ident{};
            if (!emu::ParseIdent(value, ident, error)) return false;
            options.emulator.ident = ident;
            break;
        }
        case StartOption::Fault: {
            // "N:WORD" for the N-th emulated programmer alone; fault words
            // themselves never begin with a digit.
            const auto colon = value.find(':');
            const auto site = colon == std::string::npos
                                  ? std::nullopt
                                  : ParseDigits(std::string_view(value).substr(0, colon), 10, 999);
            if (!site) return emu::ParseFault(value, options.emulator.faults, error);
            const std::string word = value.substr(colon + 1);
            emu::Faults check;
            if (*site == 0) {
                error = OptionFlag(id) + " counts programmers from 1, not 0";
                return false;
            }
            if (!emu::ParseFault(word, check, error)) return false;
            options.site_faults.emplace_back(static_cast<std::size_t>(*site), word);
            break;
        }
        case StartOption::WireLog:
            options.emulator.wire_log = value;
            break;
        case StartOption::Fast:
            options.emulator.fast = true;
            break;
        case StartOption::OnStall:
            if (value == "wait") {
                options.on_stall = StallAnswer::Wait;
            } else if (value == "terminate") {
                options.on_stall = StallAnswer::Terminate;
            } else {
                error = OptionFlag(id) + " takes 'wait' or 'terminate', not '" + value + "'";
                return false;
            }
            break;
    }
    return true;
}

bool CheckStartOptions(const std::set<StartOption>& given, const StartOptions& options,
                       std::string& error) {
    if (!options.emulate) {
        for (const StartOptionRow& row : Rows()) {
            if (row.emulator_only && given.count(row.id)) {
                error =
                    "option '" + OptionFlag(row.id) + "' needs " + OptionFlag(StartOption::Emulate);
                return false;
            }
        }
    } else if (options.usb) {
        error = OptionFlag(StartOption::Usb) + " chooses real hardware; it cannot go with " +
                OptionFlag(StartOption::Emulate);
        return false;
    }
    const std::size_t count = options.emulated_chips.size();
    if (!options.chip_files.empty() && options.chip_files.size() != count) {
        error = OptionFlag(StartOption::ChipFile) + " names " +
                std::to_string(options.chip_files.size()) + " files for " + std::to_string(count) +
                " emulated programmers; give one per programmer";
        return false;
    }
    // Two programmers on one chip file would overwrite each other's chip.
    for (std::size_t i = 0; i < options.chip_files.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (SameFile(options.chip_files[i], options.chip_files[j])) {
                error = OptionFlag(StartOption::ChipFile) + " names '" + options.chip_files[i] +
                        "' for two programmers";
                return false;
            }
    for (const auto& [site, word] : options.site_faults)
        if (site > count) {
            error = OptionFlag(StartOption::Fault) + " " + std::to_string(site) + ":" + word +
                    ": there are " + std::to_string(count) + " emulated programmers";
            return false;
        }
    return true;
}

emu::EmulatorOptions StartOptions::EmulatorOptionsFor(std::size_t n) const {
    emu::EmulatorOptions one = emulator;
    one.number = n + 1;
    if (n < emulated_chips.size()) one.chip = emulated_chips[n];
    // The template's own chip file is the first programmer's alone.
    if (n < chip_files.size()) {
        one.chip_file = chip_files[n];
    } else if (n > 0) {
        one.chip_file.reset();
    }
    std::string ignored;
    for (const auto& [site, word] : site_faults)
        if (site == n + 1) emu::ParseFault(word, one.faults, ignored);
    // Each programmer's blocks in a file of its own.
    if (one.wire_log && emulated_chips.size() > 1)
        one.wire_log = NameWithTag(*one.wire_log, emu::EmulatedSerial(one.number));
    return one;
}

std::string StartOptionsHelp(std::size_t column) {
    std::string text;
    for (const StartOptionRow& row : Rows()) {
        std::string label = std::string("  --") + row.name;
        if (row.value_name != nullptr) label += std::string(" ") + row.value_name;
        // A label too long for its column keeps a gap of three.
        label.resize(std::max(column, label.size() + (label.size() >= column ? 3 : 0)), ' ');
        bool first = true;
        for (const char* line : row.help) {
            text += (first ? label : std::string(column, ' ')) + line + '\n';
            first = false;
        }
    }
    return text;
}

}  // namespace dspprog
