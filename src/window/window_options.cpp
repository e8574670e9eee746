// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window_options.h"

#include <QCommandLineParser>

namespace dspprog {

OptionsVerdict ParseWindowOptions(const QStringList& arguments, WindowOptions& options,
                                  QString& text) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "The operator's window of the TMS320VC5509 USB chip programmer.");
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption emulate(
        "emulate",
        "Run against the built-in emulated programmer holding CHIP: a catalogue Code, a Name, "
        "a part of a Name in any case that only one row has, "
        "or CODE:SIZE:TYPE (e.g. AB05:8192:255).",
        "CHIP");
    const QCommandLineOption chip_file(
        "chip-file", "With --emulate: the chip's content (created erased when missing).", "FILE");
    const QCommandLineOption ident(
        "ident", "With --emulate: identification reply bytes 1..15 as 30 hex digits.", "HEX");
    const QCommandLineOption fault(
        "fault",
        "With --emulate, repeatable: refuse:OP, fail:OP, stall:PIPE[@N], short:PIPE[@N], "
        "stuck:N[=VV], unplug@N, ident:CODE[@N].",
        "WORD");
    const QCommandLineOption fast("fast", "With --emulate: no erase, programming or bus times.");
    const QCommandLineOption wire_log(
        "wire-log", "With --emulate: write every block on the wire to FILE at exit.", "FILE");
    const QCommandLineOption catalogue(
        "catalogue",
        "The chip catalogue (default: the first chips.db in the current directory, "
        "$XDG_DATA_HOME/dspprog or ~/.local/share/dspprog, then the installed share/dspprog).",
        "FILE");
    const QCommandLineOption usb("usb", "Hardware backend: libusb or native.", "BACKEND");
    parser.addOptions({emulate, chip_file, ident, fault, fast, wire_log, catalogue, usb});

    if (!parser.parse(arguments)) {
        text = parser.errorText();
        return OptionsVerdict::Error;
    }
    if (parser.isSet(help)) {
        text = parser.helpText();
        return OptionsVerdict::Help;
    }
    if (!parser.positionalArguments().isEmpty()) {
        text = "unexpected argument '" + parser.positionalArguments().first() + "'";
        return OptionsVerdict::Error;
    }

    if (parser.isSet(catalogue)) options.catalogue = parser.value(catalogue).toStdString();
    options.usb = parser.value(usb).toStdString();

    if (!parser.isSet(emulate)) {
        for (const QCommandLineOption* only_emulated :
             {&chip_file, &ident, &fault, &fast, &wire_log}) {
            if (parser.isSet(*only_emulated)) {
                text = "--" + only_emulated->names().first() + " needs --emulate";
                return OptionsVerdict::Error;
            }
        }
        options.emulate.reset();
        return OptionsVerdict::Run;
    }
    if (parser.isSet(usb)) {
        text = "--usb and --emulate exclude each other";
        return OptionsVerdict::Error;
    }

    emu::EmulatorOptions emulator;
    emulator.chip = parser.value(emulate).toStdString();
    if (parser.isSet(chip_file)) emulator.chip_file = parser.value(chip_file).toStdString();
    if (parser.isSet(wire_log)) emulator.wire_log = parser.value(wire_log).toStdString();
    emulator.fast = parser.isSet(fast);
    std::string error;
    if (parser.isSet(ident)) {
        std::array<std::uint8_t, 15> bytes{};
        if (!emu::ParseIdent(parser.value(ident).toStdString(), bytes, error)) {
            text = QString::fromStdString(error);
            return OptionsVerdict::Error;
        }
        emulator.ident = bytes;
    }
    for (const QString& word : parser.values(fault)) {
        if (!emu::ParseFault(word.toStdString(), emulator.faults, error)) {
            text = QString::fromStdString(error);
            return OptionsVerdict::Error;
        }
    }
    options.emulate = std::move(emulator);
    return OptionsVerdict::Run;
}

}  // namespace dspprog
