// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one executor of a run plan: a single run, a series, or a gang (one
// operation on several programmers at once, one site each: a thread with its
// own session, link, chip and log). Whatever the path, the outcome is one
// record, and the exit status follows from it by one rule.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "operations/operator.h"
#include "operations/session.h"
#include "production/chip_log.h"
#include "production/run_plan.h"
#include "production/serial_source.h"
#include "production/series_run.h"
#include "startup/programmer.h"

namespace dspprog {

// What closes the message of a site's fatal stop, in place of the whole
// program's closing sentence.
inline constexpr const char* kSiteStoppedClosing =
    "Этот программатор остановлен, остальные продолжают работу.";

// How one site of a gang ended.
struct SiteReport {
    std::string name;  // the programmer's serial, else its listing number
    std::string chip;  // the chip identified; empty when none was
    bool succeeded = false;
    // The site's file or serial number could not be used: the run's usage
    // status, as for one programmer, not a failed chip.
    bool unusable = false;
    // The site stopped (its programmer was lost, or it stalled) while the
    // others went on.
    bool stopped = false;
    // The server of the numbers or the log was lost: the run's stop status.
    bool server_lost = false;
    std::uint64_t ms = 0;
    std::optional<std::uint16_t> chip_sum;  // after a read or a compare
    std::optional<SeriesCounts> counts;     // a series' chips
    OperationFindings findings;             // of its last chip
    std::string reason;                     // why the site failed or stopped
    std::string problem;                    // why its series could not go on
};

// What a run ended with, on every path.
struct RunOutcome {
    int status = 0;  // the exit status
    // Why the run (or its last chip) did not succeed; empty when it did.
    std::string reason;
    // The run could not go on with its files or serial numbers: one line for
    // the operator, beside the log.
    std::string problem;
    std::optional<SeriesCounts> counts;  // a series' chips
    ChipRecord chip;                     // the chip identified last
    OperationFindings findings;          // of the last chip
    std::optional<std::uint16_t> chip_sum;
    std::optional<std::vector<SiteReport>> sites;  // every programmer of a gang
};

// The serial numbers and the log a plan names (files, or a database
// server), opened before any programmer is: what cannot be used ends the run
// before a chip is touched, with `status`: 2, or 3 for a server that cannot
// be reached.
struct PlanFiles {
    std::unique_ptr<SerialNumbers> serials;
    std::unique_ptr<ChipLogSink> log;
    int status = 2;
};
bool OpenPlanFiles(const RunPlan& plan, PlanFiles& files, std::string& error);

// The plan on one programmer's open session: one operation, or a series when
// the plan asks for one. `programmer` may be null (the log then names the
// link's device alone, and no chip is swapped). Busy is the caller's, as with
// RunButtonOperation; a fatal stop leaves this function.
RunOutcome RunOnSession(const RunPlan& plan, Session& session, Programmer* programmer,
                        PlanFiles& files, NextChipPrompt& prompt);

// Where the sites of a gang run: each site's operator, made on the site's own
// thread, the catalogue every site opens, and the locale's decimal separator.
struct GangPlace {
    std::function<std::unique_ptr<Operator>(const ProgrammerEntry&)> make_operator;
    std::string catalogue_path;
    char decimal_separator = '.';
};

// The plan on every programmer of `sites` at the same time; the outcome has
// one report per site, in the same order. A series shares the serial
// numbers, the log and the operator's one answer (`person`, asked once all
// sites have finished their chip). A fatal stop in a site is shown through
// its operator and ends that site alone.
RunOutcome RunGang(const RunPlan& plan, Programmer& programmer,
                   const std::vector<ProgrammerEntry>& sites, const GangPlace& place,
                   PlanFiles& files, NextChipPrompt& person, Clock& clock);

// One summary line of a gang: name, chip, OK or ОШИБКА, the time, with
// `sums` the chip's checksum, and why a site failed; tab-separated.
std::string SiteSummaryLine(const SiteReport& report, bool sums);
// The count line that closes the summary.
std::string SiteCountLine(const std::vector<SiteReport>& reports);

}  // namespace dspprog
