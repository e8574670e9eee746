// SPDX-License-Identifier: GPL-3.0-or-later
// The one place the start-up options are spelled: every other file asks this
// table for a name.
#include "app/start_options.h"

#include <algorithm>

namespace dspprog {

namespace {

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
        {StartOption::Emulate,
         "emulate",
         "CHIP",
         false,
         false,
         false,
         {"use the built-in programmer emulator instead of USB. CHIP is a catalogue",
          "Code (0120), a Name (\"AMD Am29F010\"), or a part of a Name in any case",
          "that only one row has (am29f010; several rows: they are listed); or "
          "CODE:SIZE:TYPE (e.g. AB05:8192:255)",
          "needing no catalogue"}},
        {StartOption::ChipFile,
         "chip-file",
         "FILE",
         true,
         false,
         false,
         {"(emulator) the emulated chip's content; created erased when missing;",
          "erase and write change it"}},
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
         {"(emulator, repeatable) refuse:OP | fail:OP | stall:PIPE | short:PIPE | stuck:N",
          "(OP an opcode in hex such as 83; PIPE one of CmdIn CmdOut MainIn MainOut;",
          "stuck:N leaves N bytes 00 after an erase, stuck:N=VV leaves them VV, two",
          "hex digits 00 to FE such as 7F)",
          "also: stall:PIPE@N and short:PIPE@N (from the pipe's N-th transfer on,",
          "counting from 0), unplug@N (the programmer vanishes after N transfers)",
          "and ident:CODE[@N] (from the N-th command on, counting from 0, the chip",
          "identifies as CODE, 4 hex digits such as 01A4: a chip swapped mid-run)"}},
        {StartOption::WireLog,
         "wire-log",
         "FILE",
         true,
         false,
         false,
         {"(emulator) every block in wire order, one line each:",
          "\"<pipe> <bytes as upper-case hex pairs separated by single spaces>\"",
          "FILE is replaced; it must not be any other file of the command"}},
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
        case StartOption::Emulate:
            options.emulate = true;
            options.emulator.chip = value;
            break;
        case StartOption::ChipFile:
            options.emulator.chip_file = value;
            break;
        case StartOption::Ident: {
            std::array<std::uint8_t, 15> ident{};
            if (!emu::ParseIdent(value, ident, error)) return false;
            options.emulator.ident = ident;
            break;
        }
        case StartOption::Fault:
            return emu::ParseFault(value, options.emulator.faults, error);
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
    return true;
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
