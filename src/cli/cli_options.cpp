// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>

#include "app/image_command.h"
#include "base/digits.h"
#include "base/utf8_file.h"
#include "image/image_format_table.h"
#include "link/device_choice.h"

namespace dspprog {

namespace {

// The command line's own options, beside the programmer's (StartOptionRows).
const std::set<std::string> kValued = {"-o",       "--to-sqlite",   "--format", "--offset",
                                       "--fill",   "--split",       "--size",   "--interleave",
                                       "--serial", "--serial-file", "--log"};
const std::set<std::string> kFlags = {"--no-erase", "--pad",       "--swap",
                                      "--sums",     "--auto-next", "--json"};
// The commands a series runs.
const std::set<std::string> kSeriesCommands = {"write", "verify", "erase", "read"};

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

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
    } else if (name == "--fill") {
        const std::optional<std::uint8_t> fill = ParseFillByte(value);
        if (!fill) {
            error = "--fill takes a byte, 0 to 255 or 0x00 to 0xFF, not '" + value + "'";
            return false;
        }
        options.layout.fill = *fill;
    } else if (name == "--split") {
        const std::optional<ByteLane> lane = ParseByteLane(value);
        if (!lane) {
            error = "--split takes K:N, K 2 or 4 and N from 0 to K-1 (2:0, 2:1, 4:3), not '" +
                    value + "'";
            return false;
        }
        options.layout.lane = *lane;
    } else if (name == "--size") {
        const std::optional<std::uint32_t> size = ParseImageOffset(value);
        if (!size || *size == 0 || *size > kMaxArrangedImage) {
            error = "--size takes a length from 1 to " + std::to_string(kMaxArrangedImage) +
                    ", decimal or 0x-prefixed hex, not '" + value + "'";
            return false;
        }
        options.size = *size;
    } else if (name == "--interleave") {
        if (value != "2" && value != "4") {
            error = "--interleave takes 2 or 4, not '" + value + "'";
            return false;
        }
        options.interleave = static_cast<unsigned>(value[0] - '0');
    } else if (name == "--to-sqlite") {
        options.to_sqlite = value;
    } else if (name == "--serial") {
        SerialNumbering numbering;
        if (!ParseSerialNumbering(value, numbering, error)) return false;
        options.serial = numbering;
    } else if (name == "--serial-file") {
        options.serial_file = value;
    } else if (name == "--log") {
        options.log = value;
    } else if (name == "--repeat") {
        const std::optional<std::uint64_t> count = ParseDigits(value, 10, 0xFFFFFFFF);
        if (!count || *count == 0) {
            error = "--repeat takes a COUNT from 1 to 4294967295, not '" + value + "'";
            return false;
        }
        options.repeat_count = static_cast<std::uint32_t>(*count);
    }
    return true;
}

// "identify, read, ..., speed or chips".
std::string CommandList() {
    std::string list;
    for (const OperationRow& row : OperationRows()) list += std::string(row.command) + ", ";
    list.resize(list.size() - 2);
    return list + ", " + kImageCommand + ", " + kDevicesCommand + " or " + kChipsCommand;
}

// Every FILE[@ADDR] of write, verify and image, read by one rule: a file
// named by the whole argument is that file; otherwise what follows the last
// '@' must be an address.
bool ParsePlacedNames(const std::vector<std::string>& args, std::vector<PlacedName>& names,
                      std::string& error) {
    for (const std::string& arg : args) {
        std::optional<PlacedName> name = ParsePlacedName(arg, FilePresent(arg), error);
        if (!name) return false;
        names.push_back(std::move(*name));
    }
    return true;
}

// image INPUT[@ADDR]... -o OUT, or image --interleave K FILE0 FILE1 [FILE2 FILE3] -o OUT.
bool ParseImageCommand(const std::vector<std::string>& positional, CliOptions& options,
                       std::string& error) {
    if (positional.empty()) {
        error = "image needs at least one INPUT";
        return false;
    }
    if (!options.output) {
        error = "image needs -o OUT, the new file to write";
        return false;
    }
    if (!ParsePlacedNames(positional, options.inputs, error)) return false;
    if (!options.interleave) return true;
    if (positional.size() != *options.interleave) {
        error = "--interleave " + std::to_string(*options.interleave) + " takes " +
                std::to_string(*options.interleave) + " files, one a lane, not " +
                std::to_string(positional.size());
        return false;
    }
    if (options.layout.lane.count > 1) {
        error = "--interleave undoes --split; they do not go together";
        return false;
    }
    for (const PlacedName& input : options.inputs) {
        if (input.at) {
            error = "--interleave takes each lane whole, at no address: '" + input.name + "@...'";
            return false;
        }
    }
    return true;
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
        // --repeat takes its COUNT only when one follows: "--repeat FILE"
        // repeats the write of FILE.
        if (name == "--repeat") {
            if (!seen.insert(name).second) {
                error = "option '" + name + "' given twice";
                return false;
            }
            options.repeat = true;
            if (!value && i + 1 < args.size() && AllDigits(args[i + 1])) value = args[++i];
            if (value && !Apply(name, *value, options, error)) return false;
            continue;
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
            if (name == "--swap") options.layout.swap = true;
            if (name == "--sums") options.sums = true;
            if (name == "--auto-next") options.auto_next = true;
            if (name == "--json") options.json = true;
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
    const bool image_command = options.command == kImageCommand;
    if (options.operation == nullptr && options.command != kChipsCommand && !image_command &&
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
        // FILE[@ADDR]...: the first is the file the dialog would pick.
        std::vector<PlacedName> names;
        if (!ParsePlacedNames(positional, names, error)) return false;
        options.image = names.front().name;
        options.layout.first_at = names.front().at;
        options.layout.more.assign(names.begin() + 1, names.end());
        positional.clear();
    }
    if (image_command) {
        if (!ParseImageCommand(positional, options, error)) return false;
        positional.clear();
    }
    if (!positional.empty()) {
        error = "unexpected argument '" + positional.front() + "'";
        return false;
    }
    if (options.output && !read && !image_command) {
        error = "-o belongs to the read and image commands";
        return false;
    }
    if (options.no_erase && options.command != "write") {
        error = "--no-erase belongs to the write command";
        return false;
    }
    if (options.format && !read && !takes_image && !image_command) {
        error = "--format belongs to read, write, verify and image";
        return false;
    }
    if (options.format && read && !options.output) {
        error = "--format needs -o FILE: it is the form the content is saved in";
        return false;
    }
    for (const char* image_option : {"--pad"}) {
        if (seen.count(image_option) && !takes_image) {
            error = std::string("option '") + image_option + "' belongs to write and verify";
            return false;
        }
    }
    for (const char* arranging : {"--offset", "--fill", "--swap", "--split"}) {
        if (seen.count(arranging) && !takes_image && !image_command) {
            error = std::string("option '") + arranging + "' belongs to write, verify and image";
            return false;
        }
    }
    for (const char* own : {"--size", "--interleave"}) {
        if (seen.count(own) && !image_command) {
            error = std::string("option '") + own + "' belongs to the image command";
            return false;
        }
    }
    // The lanes are whole files from address 0, as a split wrote them.
    if (options.interleave && seen.count("--offset")) {
        error = "--interleave takes each lane whole; --offset does not go with it";
        return false;
    }
    if (options.sums && !read && options.command != "verify" && !image_command) {
        error = "--sums belongs to read, verify and image";
        return false;
    }
    if (options.to_sqlite && options.command != kChipsCommand) {
        error = "--to-sqlite belongs to the chips command";
        return false;
    }
    const bool series_command = kSeriesCommands.count(options.command) > 0;
    for (const char* series_option : {"--repeat", "--auto-next", "--log"}) {
        if (seen.count(series_option) && !series_command) {
            error = std::string("option '") + series_option +
                    "' belongs to write, verify, erase and read";
            return false;
        }
    }
    // --auto-next with --repeat COUNT: waits for each chip, and ends after COUNT.
    if (options.repeat && options.auto_next && !options.repeat_count) {
        error = "--auto-next goes on by itself: with it, --repeat takes a COUNT";
        return false;
    }
    if (options.serial && options.command != "write") {
        error = "--serial belongs to the write command";
        return false;
    }
    if (options.serial_file && !options.serial) {
        error = "--serial-file needs --serial: it keeps the next number of the series";
        return false;
    }
    if (options.command == kChipsCommand && (options.emulate || options.usb)) {
        error = "chips reads only the catalogue; it takes no programmer";
        return false;
    }
    if (image_command && (options.emulate || options.usb || options.device || !given.empty())) {
        error = "image needs no programmer and no catalogue; it takes neither";
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
  dspprog-cli [options] read [-o FILE] [--sums] @FORMATS@ [SERIES]
  dspprog-cli [options] erase [SERIES]
  dspprog-cli [options] write [--no-erase] [--pad] [--offset ADDR] @ARRANGE@
                              @FORMATS@ [--serial ADDR:START[:STEP[:BYTES[:FORM]]]
                              [--serial-file FILE]] [SERIES] FILE[@ADDR]...
  dspprog-cli [options] verify [--pad] [--offset ADDR] @ARRANGE@ [--sums]
                               @FORMATS@ [SERIES] FILE[@ADDR]...
  dspprog-cli [options] speed
  dspprog-cli image INPUT[@ADDR]... [--offset ADDR] [--size N] @ARRANGE@
                    -o OUT @FORMATS@
  dspprog-cli image --interleave K FILE0 FILE1 [FILE2 FILE3] [--size N]
                    [--fill BYTE] [--swap] -o OUT @FORMATS@
  dspprog-cli [options] devices
  dspprog-cli [)" + OptionFlag(StartOption::Catalogue) +
                       R"( FILE] chips [--to-sqlite FILE]

Commands:
  identify            identify the chip in the programmer's socket
  read [-o FILE] @FORMATS@
                      read the whole chip: blank or checksum. The checksum line
                      ("Контрольная сумма") adds up (modulo 65536) the bytes of the
                      4096-byte blocks from the start up to and including the first
                      block that is not blank (not all 0xFF), not the whole chip;
                      --sums gives the whole chip's sums. With -o, save the content
                      in FILE, which must not exist yet (nothing is saved without
                      -o). The form is --format's, else the name's:
@EXTENSIONS@
                      --sums adds the 16-bit sum, CRC-32, SHA-1 and SHA-256 of the
                      whole chip
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
                      FILE cannot be used; the first 16 differing addresses are shown;
                      --sums as for read
  FILE[@ADDR]..., --fill BYTE, --swap, --split K:N (write, verify, image)
                      arrange the image before it goes to the chip or is compared:
                      a raw FILE goes to address ADDR (default 0), a HEX or S-record
                      FILE's addresses move by ADDR; where two files give one address
                      different bytes the image is refused. With several files or an
                      @ADDR, bytes no file gives are BYTE (--fill, default 0xFF);
                      files that give no byte at all are refused. FILE@ADDR: when a
                      file of the whole name exists, it is that file at no address;
                      otherwise the text after the last '@' must be an address
                      (decimal or 0x-prefixed hex, below 4 GB), or it is refused.
                      --swap swaps the two bytes of every 16-bit word; --split K:N
                      (K 2 or 4) keeps bytes N, N+K, N+2K, ...: 2:0 is the even chip of
                      a 16-bit board, 2:1 the odd one, and the chip's size is checked
                      against that lane. Files are placed, then swapped, then split
  image INPUT[@ADDR]... -o OUT
                      arrange without a programmer and write the image to OUT, which
                      must not exist yet (form: --format's, else OUT's name's). --size
                      N fixes its length, never below the last byte given; without it
                      the image runs from address 0 to the last byte any input gives.
                      --interleave K undoes --split: byte i of OUT is byte i div K of
                      FILE(i mod K), the files equally long and whole (no @ADDR, no
                      --offset); --fill fills a HEX lane's holes, --size fixes the
                      interleaved length, --swap swaps its words after interleaving.
                      Prints the length and the sums as read --sums does
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

SERIES (read, erase, write, verify: chip after chip):
  --repeat [COUNT]    after each chip ask on standard error for the next one: Enter
                      goes on, q or й (the same key; either case) or the end of the
                      input ends the run; with COUNT (a number right after --repeat,
                      1 to 4294967295) the run also ends after COUNT chips.
                      read -o NAME saves chip N as NAME with -N before the
                      extension, never over an existing file
  --auto-next         instead of asking, wait until the chip has been taken out and
                      one of the same catalogue row is put in, looking twice a
                      second; with --repeat COUNT the run ends after COUNT chips,
                      otherwise when it is interrupted
  --serial ADDR:START[:STEP[:BYTES[:FORM]]]
                      (write) write a number into each chip's image at chip address
                      ADDR: START, then START+STEP (default 1) and so on; BYTES 1 to 8
                      (default 4), FORM le (default), be, bcd-le, bcd-be or ascii
                      (decimal digits); a number that does not fit ends the run
                      before that chip, with exit status 2
  --serial-file FILE  (with --serial) keep the next number in FILE, one decimal line,
                      across runs (START counts only when FILE does not exist); FILE
                      is locked for the run and replaced atomically. A chip that
                      failed before its write began leaves its number to the next.
                      FILE may be a symbolic link: the file it leads to is locked
                      and replaced, the link kept
  --log FILE          append one JSON line for each chip (time, programmer,
                      operation, chip, ok, reason, duration_ms, sum16, crc32, serial)
                      before the next chip starts; a log that cannot be written ends
                      the run. FILE must not be a symbolic link (refused, as for
                      --wire-log)
                      After each chip the log says the counts of good and failed
                      chips; a failed chip does not end the run, and the exit status
                      is 0 only when every chip passed

Output for programs (any command):
  --json              standard output carries JSON Lines instead of the log: a "log"
                      event for each log line, "progress" events while blocks move
                      and one closing "result" event with what the command found;
                      boxes and prompts are answered as without a terminal. The
                      events are described in docs/json.md

Options:
)" + StartOptionsHelp(22) +
                       R"(  --help              show this text

Dialogs: an OK/Cancel box is answered Cancel unless a terminal is there to ask (y/N).
Log lines go to standard output; boxes, prompts and progress to standard error.
File names, catalogue fields and serial numbers in log lines and in the devices and
chips listings show control characters written out (\n, \t, \x1B) and bytes that
are not UTF-8 as U+FFFD, so that each stays on its line and in its field.

Exit status: 0 the operation succeeded; 1 it did not (refused, failed, cancelled;
for verify: the chip differs from the file); 2 the command line is wrong or names
something unusable, such as a FILE for write or verify that cannot be used; 3 the
program was stopped (a fatal error, or the stalled-transfer prompt answered with
terminate).

With --device all every programmer runs the command at once: each log line begins
with its serial number (or number) and a tab, nobody is asked (a stall ends its lane
unless --on-stall answers it), read -o FILE saves FILE-SERIAL.EXT for each (of the
serial only letters, digits, - and _; anything else becomes _, and the programmer's
number follows where two names would be the same), and a summary follows: per
programmer its name, chip, OK or ОШИБКА, time and (read, verify) checksum, then a
count line. Exit status 0 when all succeeded, 1 when any failed, 2 when the input
cannot be used (as with one programmer), 3 when the run could not start.
)";
    ReplaceAll(text, "@FORMATS@", formats);
    ReplaceAll(text, "@ARRANGE@", "[--fill BYTE] [--swap] [--split K:N]");
    ReplaceAll(text, "@EXTENSIONS@", extension_rule);
    return text;
}

}  // namespace dspprog
