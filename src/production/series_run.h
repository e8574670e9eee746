// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A production run: one operation on chip after chip in one programmer's
// socket (a site), with the counts, serial numbers and the record of each
// chip. The front-ends set it up and answer "next chip?"; a run over several
// programmers runs one site each, sharing the serial numbers, the log and
// (through SharedNextChipGate) the operator's answer.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "operations/button_operation.h"
#include "operations/session.h"
#include "production/chip_log.h"
#include "production/next_chip_gate.h"
#include "production/serial_numbers.h"

namespace dspprog {

struct SeriesSettings {
    std::optional<std::uint32_t> count;  // the run ends after this many chips
    bool auto_next = false;              // wait for the chip swap instead of asking
    bool numbered_files = true;          // a read saves chip N as NAME-N.ext
};

// The prompt a front-end shows between chips, and the counts line.
inline constexpr const char* kNextChipPrompt =
    "  Вставьте следующий чип и нажмите Enter (q — закончить)";
std::string CountsLine(const SeriesCounts& counts);

// The station that takes a series' numbers: this computer and the programmer.
std::string StationName(const std::string& host, const ProgrammerIdentity& programmer);

// One programmer's part of the run.
struct SeriesSite {
    Session& session;  // its settings are every chip's
    ProgrammerIdentity identity;
    // Told that the chip is finished with and is to be swapped (the
    // emulator then puts the next chip in); may be empty. False with the
    // error set ends the run as unusable.
    std::function<bool(bool auto_next, std::string& error)> chip_done;
};

// What the sites share.
struct SeriesShared {
    const char* command = "";  // the operation's word, for the log
    const ButtonOperation* operation = nullptr;
    SeriesSettings settings;
    SerialNumbers* serials = nullptr;  // null: no serial numbers
    ChipLogSink* log = nullptr;        // null: no log
    std::string host;                  // this computer's name, for the station
    NextChipPrompt* prompt = nullptr;  // unused with auto_next
};

struct SeriesOutcome {
    SeriesCounts counts;
    enum class End {
        Finished,  // the count was reached or the operator ended it
        Unusable,  // the image, a serial number or the log cannot be used: see `message`
        Stopped,   // the server of the numbers or the log was lost: see `message`
    } end = End::Finished;
    std::string message;  // one line, for End::Unusable and End::Stopped
};

// Runs the series on one site; the session's Busy is the caller's, as with
// RunButtonOperation. A failed chip does not end it; a fatal stop
// does, after the counts line, by leaving this function with the stop.
SeriesOutcome RunSeries(SeriesSite& site, const SeriesShared& shared);

}  // namespace dspprog
