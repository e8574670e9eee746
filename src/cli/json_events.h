// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line's output for programs (--json): one JSON object a line,
// an event each.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/chip_record.h"
#include "operations/operation_findings.h"
#include "production/next_chip_gate.h"
#include "production/run_executor.h"

namespace dspprog {

// {"event":"log","text":...}: one log line, the same text. A site of a gang
// names its programmer in `device`; empty leaves the field out.
std::string JsonLogEvent(const std::string& text, const std::string& device = {});
// {"event":"progress","done":N,"total":M}.
std::string JsonProgressEvent(std::uint32_t done, std::uint32_t total,
                              const std::string& device = {});

// What a command found, for its closing event.
struct CommandReport {
    std::string command;
    std::optional<ChipRecord> chip;  // the chip identified last
    OperationFindings findings;      // of the last operation (the last chip)
    std::optional<SeriesCounts> counts;
    std::optional<std::uint32_t> catalogue_rows;  // chips
    std::string reason;  // why the run (its last chip, its first failed site) failed
    std::optional<std::vector<SiteReport>> sites;  // every programmer of a gang
};

// {"event":"result","ok":...,"exit":N,...} with what `report` holds.
std::string JsonResultEvent(int exit_status, const CommandReport& report);

}  // namespace dspprog
