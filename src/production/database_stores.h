// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Serial numbers and the chip log on a PostgreSQL server that several
// stations share, and what an administrator does with that database.
//
// The rows of a series' numbers, and what becomes of them:
//   reserved             taken for a chip; once its write begins the row
//                        says when, and from then on the number is spent
//   written              the chip holds it
//   failed-before-write  the chip failed before its write: kept for the
//                        station's next chip
//   failed               the write began and failed: spent
// A number reserved by a run that has ended (its connection is gone) and
// whose write never began is kept as failed-before-write is: the station's
// next run of the series takes it first. The run's connection holds a lock
// on a key of its own, which the server lets go of however the run ends;
// that is how a reserved row is told to be a dead run's.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "production/chip_log.h"
#include "production/serial_numbers.h"

namespace dspprog {

// True when `text` names a database rather than a file: a postgresql:// or
// postgres:// URL.
inline bool IsDatabaseUrl(const std::string& text) {
    return text.starts_with("postgresql://") || text.starts_with("postgres://");
}

// Why the database cannot be used, and the exit status that says so: 2 for
// what the operator gave (the address, a password, a series that disagrees),
// 3 for a server that cannot be reached.
struct DatabaseRefusal {
    std::string text;  // one line
    int status = 2;
};

// Refuses an address that cannot be parsed or that holds a password, without
// connecting: the address may end up in a job file.
std::optional<DatabaseRefusal> CheckDatabaseAddress(const std::string& url);

// The series `series` on the server at `url` (a URL or a key=value
// connection string, without a password): created from `numbering`'s START
// and STEP on first use, refused when it holds others.
std::unique_ptr<SerialNumbers> OpenDatabaseSerials(const std::string& url,
                                                   const std::string& series,
                                                   const SerialNumbering& numbering,
                                                   DatabaseRefusal& refusal);

// The chip log as rows of the server at `url`, each row committed before
// Append returns; `series` names the rows' series (nothing: no numbers).
std::unique_ptr<ChipLogSink> OpenDatabaseLog(const std::string& url,
                                             const std::optional<std::string>& series,
                                             DatabaseRefusal& refusal);

// Creates the tables (nothing when they are there); the lines say what was
// done. Returns the exit status, with `refusal` set when it is not 0.
int InitDatabase(const std::string& url, std::vector<std::string>& lines, DatabaseRefusal& refusal);

// The counts of numbers per series, station and state, and the numbers spent
// without a written chip; of `series` alone when given.
int ReportDatabase(const std::string& url, const std::optional<std::string>& series,
                   std::vector<std::string>& lines, DatabaseRefusal& refusal);

}  // namespace dspprog
