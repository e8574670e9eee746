// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <algorithm>
#include <iterator>
#include <set>
#include <string_view>
#include <utility>

#include "base/digits.h"
#include "base/utf8_file.h"
#include "image/image_format_table.h"
#include "production/job_file.h"
#include "startup/image_command.h"

namespace dspprog {

namespace {

// The commands a series runs.
const std::vector<std::string> kSeriesCommands = {"write", "verify", "erase", "read"};

bool AllDigits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

// A row from its --help label, "--name" or "--name VALUE".
CliOptionRow Option(const std::string& label, std::vector<std::string> commands, CliSection section,
                    bool quoted_refusal, std::string takes, CliOptionRow::Apply apply,
                    std::vector<std::string> help) {
    const std::size_t space = std::min(label.find(' '), label.size());
    return {label.substr(0, space),
            label.substr(std::min(space + 1, label.size())),
            std::move(commands),
            section,
            quoted_refusal,
            std::move(takes),
            apply,
            std::move(help)};
}

// "write", "write and verify", "write, verify and image" (`last` " and ").
std::string JoinCommands(const std::vector<std::string>& commands, const char* last) {
    std::string list;
    for (std::size_t i = 0; i < commands.size(); ++i)
        list += (i == 0 ? "" : i + 1 == commands.size() ? last : ", ") + commands[i];
    return list;
}

bool Refuse(std::string& error, std::string text) {
    error = std::move(text);
    return false;
}

bool Set(bool& flag) {
    flag = true;
    return true;
}

template <typename Field, typename Value>
bool Store(Field& field, const std::optional<Value>& parsed) {
    if (parsed) field = *parsed;
    return parsed.has_value();
}

const std::vector<CliOptionRow>& Rows() {
    using S = CliSection;
    const std::vector<std::string> arranging = {"write", "verify", "image"};
    std::vector<std::string> output_help = {
        "read: save the content in FILE, which must not",
        "exist yet (nothing is saved without -o); image: the new file,",
        "OUT. The form is --format's, else the name's:"};
    for (const ImageFormatRow& row : ImageFormatTable()) {
        if (row.id == ImageFormat::Raw) continue;  // it is what every other name gets
        std::string line;
        for (std::string_view extension : row.extensions) (line += extension) += ' ';
        line.back() = ':';
        output_help.push_back(line + ' ' + std::string(row.title));
    }
    output_help.push_back("anything else: the raw bytes");

    static const std::vector<CliOptionRow> rows = {
        Option(
            "-o FILE", {"read", "image"}, S::Commands, false, "",
            [](auto& v, auto& o, auto&) { return Store(o.output, std::optional(v)); }, output_help),
        Option("--no-erase", {"write"}, S::Commands, false, "",
               [](auto&, auto& o, auto&) { return Set(o.no_erase); },
               {"skips the erase that some chips get before writing"}),
        Option(std::string("--format ") + ImageFormatNames("|"),
               {"read", "write", "verify", "image"}, S::Commands, false, "'raw', 'ihex' or 'srec'",
               [](auto& v, auto& o, auto&) { return Store(o.format, ImageFormatFromName(v)); },
               {"the form of read's -o FILE, of", "write's and verify's FILE and of image's OUT"}),
        Option("--pad", {"write", "verify"}, S::Commands, true, "",
               [](auto&, auto& o, auto&) { return Set(o.pad); },
               {"a raw FILE shorter than the chip is filled", "with 0xFF"}),
        Option("--offset ADDR", arranging, S::Commands, true,
               "an address, decimal or 0x-prefixed hex",
               [](auto& v, auto& o, auto&) { return Store(o.offset, ParseImageOffset(v)); },
               {"a HEX or S-record FILE's address A goes",
                "to chip address A - ADDR; ADDR: decimal or 0x-prefixed hex,", "default 0"}),
        Option("--fill BYTE", arranging, S::Commands, true, "a byte, 0 to 255 or 0x00 to 0xFF",
               [](auto& v, auto& o, auto&) { return Store(o.layout.fill, ParseFillByte(v)); },
               {"with several files or an @ADDR, bytes no",
                "file gives are BYTE (default 0xFF); with --interleave it fills",
                "a HEX lane's holes"}),
        Option("--swap", arranging, S::Commands, true, "",
               [](auto&, auto& o, auto&) { return Set(o.layout.swap); },
               {"swaps the two bytes of every 16-bit word"}),
        Option("--split K:N", arranging, S::Commands, true,
               "K:N, K 2 or 4 and N from 0 to K-1 (2:0, 2:1, 4:3)",
               [](auto& v, auto& o, auto&) { return Store(o.layout.lane, ParseByteLane(v)); },
               {"(K 2 or 4) keeps bytes N, N+K, N+2K, ...:",
                "2:0 is the even chip of a 16-bit board, 2:1 the odd one, and the",
                "chip's size is checked against that lane"}),
        Option("--size N", {"image"}, S::Commands, true,
               "a length from 1 to " + std::to_string(kMaxArrangedImage) +
                   ", decimal or 0x-prefixed hex",
               [](auto& v, auto& o, auto&) {
                   const std::optional<std::uint32_t> size = ParseImageOffset(v);
                   return size && *size != 0 && *size <= kMaxArrangedImage && Store(o.size, size);
               },
               {"fixes the image's length, never below the last byte", "given"}),
        Option("--interleave K", {"image"}, S::Commands, true, "2 or 4",
               [](auto& v, auto& o, auto&) {
                   return (v == "2" || v == "4") && Store(o.interleave, std::optional(v[0] - '0'));
               },
               {"undoes --split: byte i of OUT is byte i div K of",
                "FILE(i mod K), the files equally long and whole (no @ADDR, no",
                "--offset); --size fixes the interleaved length, --swap swaps",
                "its words after interleaving"}),
        Option("--sums", {"read", "verify", "image"}, S::Commands, false, "",
               [](auto&, auto& o, auto&) { return Set(o.sums); },
               {"adds the 16-bit sum, CRC-32, SHA-1 and SHA-256 of",
                "the whole chip; a verify that finds differences",
                "names the chip's and the file's"}),
        Option("--passes N", {"read"}, S::Commands, false, "a count from 2 to 9",
               [](auto& v, auto& o, auto&) {
                   const std::optional<std::uint64_t> passes = ParseDigits(v, 10, kMostReadPasses);
                   if (!passes || *passes < 2) return false;
                   o.passes = static_cast<std::uint32_t>(*passes);
                   return true;
               },
               {"read the chip N times (2 to 9), each pass compared",
                "with the first; bytes that differ (the first 16 with what each",
                "pass read, their count and the bits that flip) fail the read",
                "with exit status 1, and so does a chip that no longer",
                "identifies as itself afterwards; -o FILE then keeps the first",
                "pass as FILE.part only"}),
        Option(
            "--to-sqlite FILE", {kChipsCommand}, S::Commands, false, "",
            [](auto& v, auto& o, auto&) { return Store(o.to_sqlite, std::optional(v)); },
            {"write instead an SQLite copy of the catalogue to FILE,", "which must not exist yet"}),
        Option("--chip CODE|NAME", {kJobCommand}, S::Commands, false, "",
               [](auto& v, auto& o, auto&) { return Store(o.job_chip, std::optional(v)); },
               {"the chip the job is for, a catalogue Code (0120) or",
                "Name as --emulate takes it; without it the chip in the socket of the",
                "programmer the options name"}),
        Option("--repeat [COUNT]", kSeriesCommands, S::Series, true, "a COUNT from 1 to 4294967295",
               [](auto& v, auto& o, auto&) {
                   o.repeat = true;
                   if (v.empty()) return true;
                   const std::optional<std::uint64_t> count = ParseDigits(v, 10, 0xFFFFFFFF);
                   if (!count || *count == 0) return false;
                   o.repeat_count = static_cast<std::uint32_t>(*count);
                   return true;
               },
               {"after each chip ask on standard error for the next one: Enter",
                "goes on, q or й (the same key; either case) or the end of the",
                "input ends the run; with COUNT (a number right after --repeat,",
                "1 to 4294967295) the run also ends after COUNT chips.",
                "read -o NAME saves chip N as NAME with -N before the",
                "extension, never over an existing file"}),
        Option("--auto-next", kSeriesCommands, S::Series, true, "",
               [](auto&, auto& o, auto&) { return Set(o.auto_next); },
               {"instead of asking, wait until the chip has been taken out and",
                "one of the same catalogue row is put in, looking twice a",
                "second; with --repeat COUNT the run ends after COUNT chips,",
                "otherwise when it is interrupted"}),
        Option("--serial ADDR:START[:STEP[:BYTES[:FORM]]]", {"write"}, S::Series, false, "",
               [](auto& v, auto& o, auto& error) {
                   SerialNumbering numbering;
                   return ParseSerialNumbering(v, numbering, error) &&
                          Store(o.serial, std::optional(numbering));
               },
               {"write a number into each chip's image at chip address",
                "ADDR: START, then START+STEP (default 1) and so on; BYTES 1 to 8",
                "(default 4), FORM le (default), be, bcd-le, bcd-be or ascii",
                "(decimal digits); a number that does not fit ends the run",
                "before that chip, with exit status 2"}),
        Option("--serial-file FILE", {}, S::Series, false, "",
               [](auto& v, auto& o, auto&) { return Store(o.serial_file, std::optional(v)); },
               {"(with --serial) keep the next number in FILE, one decimal line,",
                "across runs (START counts only when FILE does not exist); FILE",
                "is locked for the run and replaced atomically. A chip that",
                "failed before its write began leaves its number to the next.",
                "FILE may be a symbolic link: the file it leads to is locked",
                "and replaced, the link kept"}),
        Option("--serial-db URL", {}, S::Series, false, "",
               [](auto& v, auto& o, auto&) { return Store(o.serial_db, std::optional(v)); },
               {"(with --serial, instead of --serial-file) take the numbers from",
                "a PostgreSQL database that several stations share: URL is",
                "postgresql://[USER@]HOST[:PORT]/DB or a key=value connection",
                "string, never with a password (it comes from ~/.pgpass or",
                "PGPASSWORD). Each number is taken in a transaction before the",
                "chip's write begins; a number kept by a chip that failed before",
                "its write, or by a run that ended before its write began, goes",
                "to the same station's next chip (the station: host name and",
                "programmer serial). A server that cannot be reached, at the",
                "start or later, stops the run before the next chip with exit",
                "status 3; the tables come from the db init command"}),
        Option("--serial-series NAME", {}, S::Series, false, "",
               [](auto& v, auto& o, auto&) { return Store(o.serial_series, std::optional(v)); },
               {"(with --serial-db) the series' name in the database, default",
                "the numbering as ADDR:START:STEP:BYTES:FORM (0x10:1:1:4:le); its",
                "first run creates it with --serial's START and STEP, and a run",
                "whose START or STEP differ from it is refused (exit status 2)"}),
        Option("--series NAME", {kDbCommand}, S::Commands, false, "",
               [](auto& v, auto& o, auto&) { return Store(o.db_series, std::optional(v)); },
               {"(db report) that series alone"}),
        Option("--log FILE", kSeriesCommands, S::Series, true, "",
               [](auto& v, auto& o, auto&) { return Store(o.log, std::optional(v)); },
               {"append one JSON line for each chip (time, programmer,",
                "operation, chip, ok, reason, duration_ms, sum16, crc32, serial)",
                "before the next chip starts; a log that cannot be written ends",
                "the run. FILE must not be a symbolic link (refused, as for", "--wire-log)",
                "A postgresql:// URL instead of FILE puts each line, as jsonb",
                "beside its time, station, series, number and outcome, into the",
                "database's chip log (made by db init), committed before the",
                "next chip"}),
        Option("--json", {}, S::Output, false, "",
               [](auto&, auto& o, auto&) { return Set(o.json); },
               {"standard output carries JSON Lines instead of the log: a \"log\"",
                "event for each log line, \"progress\" events while blocks move",
                "and one closing \"result\" event with what the command found;",
                "boxes and prompts are answered as without a terminal. The",
                "events are described in docs/json.md"}),
    };
    return rows;
}

const CliOptionRow* CliRowNamed(const std::string& name) {
    for (const CliOptionRow& row : Rows())
        if (name == row.name) return &row;
    return nullptr;
}

// "--no-erase belongs to the write command", "option '--pad' belongs to write and verify".
std::string BelongsRefusal(const CliOptionRow& row) {
    std::string list = JoinCommands(row.commands, " and ");
    if (row.commands.size() == 1) {
        list = "the " + list + " command";
    } else if (row.commands.size() == 2 && !row.quoted_refusal) {
        list = "the " + list + " commands";
    }
    return (row.quoted_refusal ? "option '" + row.name + "'" : row.name) + " belongs to " + list;
}

// The rows of a --help section as "  --name VALUE" with the help beside it
// from `column` on, each led by its commands where they are not the section's.
std::string CliOptionsHelp(CliSection section, const std::vector<std::string>& commands,
                           std::size_t column) {
    std::string text;
    for (const CliOptionRow& row : Rows()) {
        if (row.section != section) continue;
        std::string label = "  " + row.name;
        if (!row.value_name.empty()) label += " " + row.value_name;
        // A label too long for its column stands on a line of its own.
        label = label.size() + 2 <= column ? label + std::string(column - label.size(), ' ')
                                           : label + '\n' + std::string(column, ' ');
        if (!row.commands.empty() && row.commands != commands)
            label += "(" + JoinCommands(row.commands, ", ") + ") ";
        bool first = true;
        for (const std::string& line : row.help) {
            text += (first ? label : std::string(column, ' ')) + line + '\n';
            first = false;
        }
    }
    return text;
}

// "identify, read, ..., speed or chips".
std::string CommandList() {
    std::string list;
    for (const OperationRow& row : OperationRows()) list += std::string(row.command) + ", ";
    list.resize(list.size() - 2);
    return list + ", " + kImageCommand + ", " + kDevicesCommand + ", " + kDbCommand + " or " +
           kChipsCommand;
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
    for (const PlacedName& input : options.inputs) {
        if (input.at) {
            error = "--interleave takes each lane whole, at no address: '" + input.name + "@...'";
            return false;
        }
    }
    return true;
}

// "job save JOB COMMAND ..." leaves COMMAND and what follows it to be read
// as ever; "run JOB" takes the job alone, beside the start options and the
// series' two that the place of the run decides.
bool ParseJobWords(std::vector<std::string>& positional, const std::set<std::string>& seen,
                   CliOptions& options, std::string& error) {
    if (positional.front() == kRunCommand) {
        if (positional.size() != 2)
            return Refuse(error, positional.size() < 2 ? "run needs the JOB file"
                                                       : "unexpected argument '" + positional[2] +
                                                             "': run takes one JOB file");
        for (const std::string& name : seen)
            if (CliRowNamed(name) != nullptr && name != "--repeat" && name != "--auto-next" &&
                name != "--json")
                return Refuse(error, "option '" + name +
                                         "' cannot go with run: the job sets it (beside a job only "
                                         "the programmer's options, --repeat and --auto-next)");
        options.command = kRunCommand;
        options.job_file = positional[1];
        if (options.repeat && options.auto_next && !options.repeat_count)
            return Refuse(error, "--auto-next goes on by itself: with it, --repeat takes a COUNT");
        return true;
    }
    if (positional.front() != kJobCommand) return true;
    if (positional.size() < 2 || positional[1] != "save")
        return Refuse(error, "job takes 'save': job save JOB [--chip CODE|NAME] COMMAND ...");
    if (positional.size() < 4 || !JobOperation(positional[3]))
        return Refuse(error, "job save needs JOB and a COMMAND: write, verify, read or erase");
    if (options.device && *options.device == kAllDevices)
        return Refuse(error, "job save is for one chip: --device all does not go with it");
    options.job_save = true;
    options.job_file = positional[2];
    positional.erase(positional.begin(), positional.begin() + 3);
    return true;
}

// The rules between options, beside the commands each belongs to.
bool CheckOptionRules(const std::set<std::string>& seen, const CliOptions& options,
                      std::string& error) {
    if (options.format && options.command == "read" && !options.output)
        return Refuse(error, "--format needs -o FILE: it is the form the content is saved in");
    if (options.interleave && options.layout.lane.count > 1)
        return Refuse(error, "--interleave undoes --split; they do not go together");
    // The lanes are whole files from address 0, as a split wrote them.
    if (options.interleave && seen.count("--offset"))
        return Refuse(error, "--interleave takes each lane whole; --offset does not go with it");
    // --auto-next with --repeat COUNT: waits for each chip, and ends after COUNT.
    if (options.repeat && options.auto_next && !options.repeat_count)
        return Refuse(error, "--auto-next goes on by itself: with it, --repeat takes a COUNT");
    if (options.serial_file && !options.serial)
        return Refuse(error,
                      "--serial-file needs --serial: it keeps the next number of the series");
    if (options.serial_db && !options.serial)
        return Refuse(error, "--serial-db needs --serial: it keeps the numbers of the series");
    if (options.serial_db && options.serial_file)
        return Refuse(error, "--serial-db and --serial-file both keep the numbers; give one");
    if (options.serial_series && !options.serial_db)
        return Refuse(error, "--serial-series needs --serial-db: it names the series there");
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
        const CliOptionRow* own = CliRowNamed(name);
        const StartOptionRow* row = RowOfFlag(name);
        if (own == nullptr && row == nullptr) {
            error = "unknown option '" + name + "'";
            return false;
        }
        if ((row == nullptr || !row->repeatable) && !seen.insert(name).second) {
            error = "option '" + name + "' given twice";
            return false;
        }
        const bool valued = own != nullptr ? !own->value_name.empty() : row->value_name != nullptr;
        if (!valued && value) {
            error = "option '" + name + "' takes no value";
            return false;
        }
        if (own != nullptr && own->value_name.starts_with('[')) {
            if (!value && i + 1 < args.size() && AllDigits(args[i + 1])) value = args[++i];
        } else if (valued && !value) {
            if (i + 1 == args.size()) {
                error = "option '" + name + "' needs a value";
                return false;
            }
            value = args[++i];
        }
        if (valued && value && value->empty()) {
            error = "option '" + name + "' needs a non-empty value";
            return false;
        }
        if (own != nullptr) {
            error.clear();
            if (!own->apply(value.value_or(""), options, error)) {
                if (error.empty()) error = name + " takes " + own->takes + ", not '" + *value + "'";
                return false;
            }
        } else {
            given.insert(row->id);
            if (!ApplyStartOption(row->id, value.value_or(""), options, error)) return false;
        }
    }

    if (positional.empty()) {
        error = "no command given: " + CommandList();
        return false;
    }
    if (!ParseJobWords(positional, seen, options, error)) return false;
    if (options.command == kRunCommand) return CheckStartOptions(given, options, error);
    options.command = positional.front();
    options.operation = OperationNamed(options.command);
    const bool image_command = options.command == kImageCommand;
    const bool db_command = options.command == kDbCommand;
    if (options.operation == nullptr && options.command != kChipsCommand && !image_command &&
        options.command != kDevicesCommand && !db_command) {
        error = "unknown command '" + positional.front() + "'";
        return false;
    }
    positional.erase(positional.begin());

    const bool takes_image = options.TakesImage();
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
    if (db_command) {
        if (positional.size() != 2 || (positional[0] != "init" && positional[0] != "report"))
            return Refuse(error, "db takes init URL or report URL [--series NAME]");
        options.db_action = positional[0];
        options.db_url = positional[1];
        if (options.db_series && options.db_action != "report")
            return Refuse(error, "--series belongs to db report");
        if (options.emulate || options.usb || options.device || !given.empty())
            return Refuse(error, "db needs no programmer and no catalogue; it takes neither");
        positional.clear();
    }
    if (!positional.empty()) {
        error = "unexpected argument '" + positional.front() + "'";
        return false;
    }
    for (const CliOptionRow& row : Rows()) {
        const auto belongs = [&row](const std::string& command) {
            return std::find(row.commands.begin(), row.commands.end(), command) !=
                   row.commands.end();
        };
        if (seen.count(row.name) && !row.commands.empty() && !belongs(options.command) &&
            !(options.job_save && belongs(kJobCommand))) {
            error = BelongsRefusal(row);
            return false;
        }
    }
    if (!CheckOptionRules(seen, options, error)) return false;
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

std::span<const CliOptionRow> CliOptionRows() {
    return Rows();
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
    constexpr std::size_t kColumn = 22;
    const std::string formats = "[--format " + ImageFormatNames("|") + "]";
    std::string text =
        R"(Usage: dspprog-cli [options] COMMAND
  dspprog-cli [options] identify
  dspprog-cli [options] read [-o FILE] [--sums] [--passes N] @FORMATS@ [SERIES]
  dspprog-cli [options] erase [SERIES]
  dspprog-cli [options] write [--no-erase] [--pad] [--offset ADDR] @ARRANGE@
                              @FORMATS@ [--serial ADDR:START[:STEP[:BYTES[:FORM]]]
                              [--serial-file FILE | --serial-db URL
                              [--serial-series NAME]] [SERIES] FILE[@ADDR]...
  dspprog-cli [options] verify [--pad] [--offset ADDR] @ARRANGE@ [--sums]
                               @FORMATS@ [SERIES] FILE[@ADDR]...
  dspprog-cli [options] speed
  dspprog-cli image INPUT[@ADDR]... [--offset ADDR] [--size N] @ARRANGE@
                    -o OUT @FORMATS@
  dspprog-cli image --interleave K FILE0 FILE1 [FILE2 FILE3] [--size N]
                    [--fill BYTE] [--swap] -o OUT @FORMATS@
  dspprog-cli [options] job save JOB [--chip CODE|NAME] COMMAND [its options and FILEs]
  dspprog-cli [options] run JOB [--repeat [COUNT]] [--auto-next]
  dspprog-cli [options] devices
  dspprog-cli db init URL
  dspprog-cli db report URL [--series NAME]
  dspprog-cli [)" +
        OptionFlag(StartOption::Catalogue) +
        R"( FILE] chips [--to-sqlite FILE]

Commands:
  identify            identify the chip in the programmer's socket
  read [-o FILE] @FORMATS@
                      read the whole chip: blank or checksum. The checksum line
                      ("Контрольная сумма") adds up (modulo 65536) the bytes of the
                      4096-byte blocks from the start up to and including the first
                      block that is not blank (not all 0xFF), not the whole chip;
                      --sums gives the whole chip's sums. With -o, save the content
                      in FILE (see -o below). Every read warns, without changing the
                      exit status, of content that points to a bad contact: a data
                      bit the same in every byte of a chip that is not blank, an
                      upper half that repeats the lower (chips of 64 KB and more),
                      or nothing but 00h
  erase               erase the chip and check that it reads back blank
  write [--no-erase] [--pad] [--offset ADDR] @FORMATS@ FILE
                      write the image FILE into the chip and verify every byte.
                      FILE is Intel HEX or Motorola S-record (placed by its addresses,
                      see --offset; bytes no record gives are 0xFF), or else the raw
                      bytes, exactly the chip's size (shorter with --pad).
                      The form is --format's, else the content's, else the name's as
                      for read; other text is refused, not written as raw bytes
                      (--format raw writes it). A FILE that is missing, not an
                      ordinary file, unreadable, damaged (its line and reason are
                      shown) or of a size the chip cannot take is refused before
                      anything is erased or written, with exit status 2
  verify [--pad] [--offset ADDR] @FORMATS@ FILE
                      compare the chip with the image FILE (taken as write takes it);
                      exit status 0 when they are equal, 1 when they differ, 2 when
                      FILE cannot be used; the first 16 differing addresses are shown
  FILE[@ADDR]... (write, verify, image)
                      arrange the image before it goes to the chip or is compared:
                      a raw FILE goes to address ADDR (default 0), a HEX or S-record
                      FILE's addresses move by ADDR; where two files give one address
                      different bytes the image is refused; files that give no byte
                      at all are refused. FILE@ADDR: when a file of the whole name
                      exists, it is that file at no address; otherwise the text after
                      the last '@' must be an address (decimal or 0x-prefixed hex,
                      below 4 GB), or it is refused. With --fill, --swap and --split,
                      files are placed, then swapped, then split
  image INPUT[@ADDR]... -o OUT
                      arrange without a programmer and write the image to OUT, which
                      must not exist yet (form: --format's, else OUT's name's); without
                      --size the image runs from address 0 to the last byte any input
                      gives. Prints the length and the sums as read --sums does
  speed               measure the transfer speed of the two output pipes
  job save JOB [--chip CODE|NAME] COMMAND ...
                      save the run COMMAND (write, verify, read or erase) would make
                      with its options and FILEs as the job file JOB (TOML, described
                      in docs/job.md), which must not exist yet: each FILE with its
                      SHA-256 and its path from JOB's folder, and the chip --chip
                      names, else the chip identified in the programmer's socket
  run JOB             run the job file JOB. Its files are taken from JOB's folder, not
                      the current directory. A job that is damaged or newer than this
                      program (its line and reason are shown), a file that is missing
                      or whose SHA-256 is not the job's, and a chip in the socket other
                      than the job's are refused with exit status 2 before anything is
                      erased or written. Beside JOB only the programmer's options
                      (Options below), --repeat, --auto-next and --json are taken
  devices             list the programmers present, one line each: number, serial
                      number, bus location, interface path, tab-separated ('-' for
                      what is not known), and for one that cannot be opened the
                      reason; exit status 1 when there is none
  db init URL         create the tables of the serial numbers and the chip log
                      in the PostgreSQL database at URL (see --serial-db); what is
                      there already is kept, and a schema version row says which
                      tables these are
  db report URL [--series NAME]
                      for each series, station and state of its numbers
                      (reserved, written, failed-before-write, failed) the count,
                      then the numbers spent without a written chip: failed, or
                      reserved by a run that ended while the chip was written
  chips [--to-sqlite FILE]
                      list the catalogue's rows as the chip lookup reads them, in its
                      order: a heading line, then Code, Name, Size, Type, tErase and
                      tWrite separated by tabs. The catalogue may be the SQLite one or
                      a legacy Paradox table (not read by Windows builds); either is
                      recognised by its content

Options of the commands (the commands each belongs to in parentheses):
)" + CliOptionsHelp(CliSection::Commands, {}, kColumn) +
        R"(
SERIES (read, erase, write, verify: chip after chip):
)" + CliOptionsHelp(CliSection::Series, kSeriesCommands, kColumn) +
        R"(                      After each chip the log says the counts of good and failed
                      chips; a failed chip does not end the run, and the exit status
                      is 0 only when every chip passed

Output for programs (any command):
)" + CliOptionsHelp(CliSection::Output, {}, kColumn) +
        R"(
Options:
)" + StartOptionsHelp(kColumn) +
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
    return text;
}

}  // namespace dspprog
