// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string_view>

#include "image/image_format_table.h"
#include "link/device_choice.h"

namespace dspprog {

namespace {

// The command line's own options, beside the programmer's (StartOptionRows).
const std::set<std::string> kValued = {"-o", "--to-sqlite", "--format", "--offset"};
const std::set<std::string> kFlags = {"--no-erase", "--pad"};

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

bool Apply(const std::string& name, const std::string& value, CliOptions& options,
           std::string& error) {
    if (name == "-o") {
        options.output = value;
    } else if (name == "--format") {
        options.format = ImageFormatFromName(value);
        if (!options.format) {
            error = "--format takes 'raw', 'ihex' or 'srec', not '" + value + "'";
            return false;
        }
    } else if (name == "--offset") {
        const std::optional<std::uint32_t> offset = ParseImageOffset(value);
        if (!offset) {
            error = "--offset takes an address, decimal or 0x-prefixed hex, not '" + value + "'";
            return false;
        }
        options.offset = *offset;
    } else if (name == "--to-sqlite") {
        options.to_sqlite = value;
    }
    return true;
}

// "identify, read, ..., speed or chips".
std::string CommandList() {
    std::string list;
    for (const OperationRow& row : OperationRows()) list += std::string(row.command) + ", ";
    list.resize(list.size() - 2);
    return list + ", " + kDevicesCommand + " or " + kChipsCommand;
}

}  // namespace

bool ParseCliArgs(const std::vector<std::string>& args, CliOptions& options, std::string& error) {
    options = CliOptions{};
    // --help answers whatever else the line says, so that a user who got the
    // rest wrong still gets to read how it goes.
    const auto end_of_options = std::find(args.begin(), args.end(), "--");
    if (std::any_of(args.begin(), end_of_options, IsHelp)) {
        options.help = true;
        return true;
    }

    std::vector<std::string> positional;
    std::set<std::string> seen;
    std::set<StartOption> given;
    bool options_ended = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options_ended || arg.size() < 2 || arg[0] != '-') {
            positional.push_back(arg);
            continue;
        }
        if (arg == "--") {
            options_ended = true;
            continue;
        }
        std::string name = arg;
        std::optional<std::string> value;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
        }
        const StartOptionRow* row = RowOfFlag(name);
        const bool valued = row != nullptr ? row->value_name != nullptr : kValued.count(name) > 0;
        if (!valued && row == nullptr && !kFlags.count(name)) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if ((row == nullptr || !row->repeatable) && !seen.insert(name).second) {
            error = "option '" + name + "' given twice";
            return false;
        }
        if (!valued) {
            if (value) {
                error = "option '" + name + "' takes no value";
                return false;
            }
            if (row != nullptr) {
                given.insert(row->id);
                if (!ApplyStartOption(row->id, "", options, error)) return false;
            }
            if (name == "--no-erase") options.no_erase = true;
            if (name == "--pad") options.pad = true;
            continue;
        }
        if (!value) {
            if (i + 1 == args.size()) {
                error = "option '" + name + "' needs a value";
                return false;
            }
            value = args[++i];
        }
        if (value->empty()) {
            error = "option '" + name + "' needs a non-empty value";
            return false;
        }
        if (row != nullptr) {
            given.insert(row->id);
            if (!ApplyStartOption(row->id, *value, options, error)) return false;
        } else if (!Apply(name, *value, options, error)) {
            return false;
        }
    }

    if (positional.empty()) {
        error = "no command given: " + CommandList();
        return false;
    }
    options.command = positional.front();
    options.operation = OperationNamed(options.command);
    if (options.operation == nullptr && options.command != kChipsCommand &&
        options.command != kDevicesCommand) {
        error = "unknown command '" + positional.front() + "'";
        return false;
    }
    positional.erase(positional.begin());

    const bool takes_image = options.TakesImage();
    const bool read = options.command == "read";
    if (takes_image) {
        if (positional.empty()) {
            error = options.command + " needs the image FILE";
            return false;
        }
        options.image = positional.front();
        positional.erase(positional.begin());
    }
    if (!positional.empty()) {
        error = "unexpected argument '" + positional.front() + "'";
        return false;
    }
    if (options.output && !read) {
        error = "-o belongs to the read command";
        return false;
    }
    if (options.no_erase && options.command != "write") {
        error = "--no-erase belongs to the write command";
        return false;
    }
    if (options.format && !read && !takes_image) {
        error = "--format belongs to read, write and verify";
        return false;
    }
    if (options.format && read && !options.output) {
        error = "--format needs -o FILE: it is the form the content is saved in";
        return false;
    }
    for (const char* image_option : {"--pad", "--offset"}) {
        if (seen.count(image_option) && !takes_image) {
            error = std::string("option '") + image_option + "' belongs to write and verify";
            return false;
        }
    }
    if (options.to_sqlite && options.command != kChipsCommand) {
        error = "--to-sqlite belongs to the chips command";
        return false;
    }
    if (options.command == kChipsCommand && (options.emulate || options.usb)) {
        error = "chips reads only the catalogue; it takes no programmer";
        return false;
    }
    if (options.command == kDevicesCommand && options.device) {
        error = "devices lists every programmer; it takes no " + OptionFlag(StartOption::Device);
        return false;
    }
    if (options.command == kChipsCommand && options.device) {
        error = "chips reads only the catalogue; it takes no programmer";
        return false;
    }
    return CheckStartOptions(given, options, error);
}

bool CliOptions::Gang() const {
    return device && *device == kAllDevices && operation != nullptr;
}

namespace {

// The help text names the forms through these marks, filled in from the table of forms.
void ReplaceAll(std::string& text, std::string_view mark, const std::string& with) {
    for (std::size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + with.size()))
        text.replace(at, mark.size(), with);
}

}  // namespace

std::string UsageText() {
    // The forms and the extensions that name them, from the table of forms.
    const std::string formats = "[--format " + ImageFormatNames("|") + "]";
    std::string extension_rule;
    for (const ImageFormatRow& row : ImageFormatTable()) {
        if (row.id == ImageFormat::Raw) continue;  // it is what every other name gets
        extension_rule += "                     ";
        for (std::string_view extension : row.extensions) (extension_rule += ' ') += extension;
        (extension_rule += ": ") += row.title;
        extension_rule += '\n';
    }
    extension_rule += "                      anything else: the raw bytes";
    std::string text = R"(Usage: dspprog-cli [options] COMMAND
  dspprog-cli [options] identify
  dspprog-cli [options] read [-o FILE] @FORMATS@
  dspprog-cli [options] erase
  dspprog-cli [options] write [--no-erase] [--pad] [--offset ADDR] @FORMATS@ FILE
  dspprog-cli [options] verify [--pad] [--offset ADDR] @FORMATS@ FILE
  dspprog-cli [options] speed
  dspprog-cli [options] devices
  dspprog-cli [)" + OptionFlag(StartOption::Catalogue) +
                       R"( FILE] chips [--to-sqlite FILE]

Commands:
  identify            identify the chip in the programmer's socket
  read [-o FILE] @FORMATS@
                      read the whole chip: blank or checksum; with -o, save the
                      content in FILE, which must not exist yet (nothing is
                      saved without -o). The form is --format's, else the name's:
@EXTENSIONS@
  erase               erase the chip and check that it reads back blank
  write [--no-erase] [--pad] [--offset ADDR] @FORMATS@ FILE
                      write the image FILE into the chip and verify every byte;
                      --no-erase skips the erase that some chips get before writing.
                      FILE is Intel HEX or Motorola S-record (file address A goes to
                      chip address A - ADDR, bytes no record gives are 0xFF), or else
                      the raw bytes, exactly the chip's size (with --pad a shorter one
                      is filled with 0xFF). ADDR (--offset): decimal or 0x-prefixed
                      hex, default 0. The form is --format's, else the content's, else
                      the name's as for read; other text is refused, not written as
                      raw bytes (--format raw writes it). A FILE that is missing, not
                      an ordinary file, unreadable, damaged (its line and reason are
                      shown) or of a size the chip cannot take is refused before
                      anything is erased or written, with exit status 2
  verify [--pad] [--offset ADDR] @FORMATS@ FILE
                      compare the chip with the image FILE (taken as write takes it);
                      exit status 0 when they are equal, 1 when they differ, 2 when
                      FILE cannot be used; the first 16 differing addresses are shown
  speed               measure the transfer speed of the two output pipes
  devices             list the programmers present, one line each: number, serial
                      number, bus location, interface path, tab-separated ('-' for
                      what is not known), and for one that cannot be opened the
                      reason; exit status 1 when there is none
  chips [--to-sqlite FILE]
                      list the catalogue's rows as the chip lookup reads them, in its
                      order: a heading line, then Code, Name, Size, Type, tErase and
                      tWrite separated by tabs. The catalogue may be the SQLite one or
                      a legacy Paradox table (not read by Windows builds); either is
                      recognised by its content.
                      With --to-sqlite, write instead an SQLite copy of the catalogue
                      to FILE, which must not exist yet

Options:
)" + StartOptionsHelp(22) +
                       R"(  --help              show this text

Dialogs: an OK/Cancel box is answered Cancel unless a terminal is there to ask (y/N).
Log lines go to standard output; boxes, prompts and progress to standard error.

Exit status: 0 the operation succeeded; 1 it did not (refused, failed, cancelled;
for verify: the chip differs from the file); 2 the command line is wrong or names
something unusable, such as a FILE for write or verify that cannot be used; 3 the
program was stopped (a fatal error, or the stalled-transfer prompt answered with
terminate).

With --device all every programmer runs the command at once: each log line begins
with its serial number (or number) and a tab, nobody is asked (a stall ends its lane
unless --on-stall answers it), read -o FILE saves FILE-SERIAL.EXT for each, and a
summary follows: per programmer its name, chip, OK or ОШИБКА, time and (read, verify)
checksum, then a count line. Exit status 0 when all succeeded, 1 when any failed, 3
when the run could not start.
)";
    ReplaceAll(text, "@FORMATS@", formats);
    ReplaceAll(text, "@EXTENSIONS@", extension_rule);
    return text;
}

}  // namespace dspprog
