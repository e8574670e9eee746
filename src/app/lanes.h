// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A gang: one operation on several programmers at once, one lane (a thread
// with its own session, link, chip and log) per programmer. A lane that
// fails, stalls or loses its programmer ends alone; the others go on.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/programmer.h"
#include "app/series_run.h"
#include "operations/button_operation.h"
#include "operations/operator.h"

namespace dspprog {

// How one lane ended.
struct LaneReport {
    std::string name;  // the programmer's serial, else its listing number
    std::string chip;  // the chip identified; empty when none was
    bool succeeded = false;
    // The lane's file or serial number could not be used: the run's usage
    // status, as for one programmer, not a failed chip.
    bool unusable = false;
    std::uint64_t ms = 0;
    std::optional<std::uint16_t> chip_sum;  // after a read or a compare
    std::optional<SeriesCounts> counts;     // a series' chips
    std::string problem;                    // why a series could not go on
};

// What every lane of a run shares.
struct LaneWork {
    const ButtonOperation* operation = nullptr;
    OperationSettings settings;
    char decimal_separator = '.';
    std::string catalogue_path;
    // Chip after chip in every lane, sharing the serial numbers, the log and
    // the operator's one answer (a SharedNextChipGate as the prompt, which
    // each lane leaves when it ends); null for one chip each.
    const SeriesShared* series = nullptr;
    SharedNextChipGate* gate = nullptr;
};

// Gives each lane its operator; called on the lane's own thread.
using LaneOperatorMaker = std::function<std::unique_ptr<Operator>(const ProgrammerEntry&)>;

// Runs `work` on every programmer of `lanes` at the same time and returns
// their reports in the same order, when the last lane has ended. A fatal
// stop in a lane is shown through that lane's operator and ends the lane.
std::vector<LaneReport> RunLanes(Programmer& programmer, const std::vector<ProgrammerEntry>& lanes,
                                 const LaneWork& work, const LaneOperatorMaker& make_operator,
                                 Clock& clock);

// One summary line: name, chip, OK or ОШИБКА, the time, and with `sums` the
// checksum; tab-separated.
std::string LaneSummaryLine(const LaneReport& report, bool sums);
// The count line that closes the summary.
std::string LaneCountLine(const std::vector<LaneReport>& reports);

}  // namespace dspprog
