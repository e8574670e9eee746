// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the command line asks for, and the usage text that documents it.

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "image/image_arrangement.h"
#include "image/image_format.h"
#include "image/serial_number.h"
#include "startup/operation_table.h"
#include "startup/start_options.h"

namespace dspprog {

// The command that lists the catalogue, beside the operations.
inline constexpr const char* kChipsCommand = "chips";
// The command that arranges an image without a programmer.
inline constexpr const char* kImageCommand = "image";
// The command that lists the programmers present.
inline constexpr const char* kDevicesCommand = "devices";
// "job save JOB COMMAND ...": the run COMMAND would make, saved as a job file.
inline constexpr const char* kJobCommand = "job";
// "run JOB": the run a job file holds.
inline constexpr const char* kRunCommand = "run";
// The command that makes the database's tables or reports on its numbers.
inline constexpr const char* kDbCommand = "db";

// The programmer's options, and the command's own.
struct CliOptions : StartOptions {
    bool help = false;
    std::string command;  // an operation's word, kChipsCommand, kImageCommand or kDevicesCommand
    const OperationRow* operation = nullptr;  // the operation; null for the other commands

    std::optional<std::string> output;     // read -o FILE: the save dialog's answer
    std::optional<ImageFormat> format;     // --format: the form of read's -o FILE, of write's
                                           // and verify's FILE
    std::string image;                     // write / verify FILE: the open dialog's answer
    ImageLayout layout;                    // the rest of FILE[@ADDR]..., --fill, --swap, --split
    bool sums = false;                     // read / verify --sums
    std::uint32_t passes = 1;              // read --passes N
    std::vector<PlacedName> inputs;        // image INPUT[@ADDR]...
    std::optional<std::uint64_t> size;     // image --size N
    std::optional<unsigned> interleave;    // image --interleave K
    bool no_erase = false;                 // write --no-erase
    bool pad = false;                      // write / verify --pad
    std::uint32_t offset = 0;              // write / verify --offset ADDR
    std::optional<std::string> to_sqlite;  // chips --to-sqlite FILE: the copy to make

    bool repeat = false;                        // --repeat: chip after chip
    std::optional<std::uint32_t> repeat_count;  // --repeat COUNT
    bool auto_next = false;                     // --auto-next: go on when the chip is swapped
    std::optional<SerialNumbering> serial;      // write --serial
    std::optional<std::string> serial_file;     // --serial-file FILE
    std::optional<std::string> serial_db;       // --serial-db URL
    std::optional<std::string> serial_series;   // --serial-series NAME
    std::optional<std::string> log;             // --log FILE: a JSON line for each chip
    bool json = false;                          // --json: events for programs on stdout

    // job save JOB [--chip CODE|NAME] COMMAND ...: `command` and the rest
    // are the command's, saved in JOB instead of run; run JOB: `command` is
    // kRunCommand.
    std::optional<std::string> job_file;
    bool job_save = false;
    std::optional<std::string> job_chip;  // job save --chip: else the chip in the socket
    std::string db_action;                 // db init|report
    std::string db_url;                    // db ... URL
    std::optional<std::string> db_series;  // db report --series NAME

    bool TakesImage() const { return operation != nullptr && operation->takes_image; }
};

// Where --help lists an option.
enum class CliSection { Commands, Series, Output };

// One of the command line's own options, beside the programmer's (StartOptionRows):
// the parser, its refusals and --help are all made from these rows.
struct CliOptionRow {
    std::string name;  // as typed, dashes included
    // Empty for a flag; "[COUNT]" when the value is taken only where digits
    // follow ("--repeat FILE" repeats the write of FILE).
    std::string value_name;
    std::vector<std::string> commands;  // the commands it belongs to; empty: every one
    CliSection section;
    // The refusal names it in quotes and its commands bare, as it always has.
    bool quoted_refusal;
    std::string takes;  // what the value may be, for "--offset takes ..., not 'x'"
    // Takes the value (empty for a flag); false when it is not one, with
    // `error` set where `takes` does not say it.
    using Apply = bool (*)(const std::string& value, CliOptions& options, std::string& error);
    Apply apply;
    std::vector<std::string> help;  // one entry a line
};

// Every row, in the order --help lists them.
std::span<const CliOptionRow> CliOptionRows();

// Parses the arguments after the program name. False with `error` set (one
// line, no program name) on anything that is not a valid command line.
bool ParseCliArgs(const std::vector<std::string>& args, CliOptions& options, std::string& error);

// The --help text.
std::string UsageText();

}  // namespace dspprog
