// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line's output for programs (--json): one JSON object a line,
// an event each.

#include <cstdint>
#include <optional>
#include <string>

#include "app/next_chip_gate.h"
#include "catalogue/chip_record.h"
#include "operations/operation_findings.h"

namespace dspprog {

// {"event":"log","text":...}: one log line, the same text.
std::string JsonLogEvent(const std::string& text);
// {"event":"progress","done":N,"total":M}.
std::string JsonProgressEvent(std::uint32_t done, std::uint32_t total);

// What a command found, for its closing event.
struct CommandReport {
    std::string command;
    std::optional<ChipRecord> chip;  // the chip identified last
    OperationFindings findings;      // of the last operation (the last chip)
    std::optional<SeriesCounts> counts;
    std::optional<std::uint32_t> catalogue_rows;  // chips
};

// {"event":"result","ok":...,"exit":N,...} with what `report` holds.
std::string JsonResultEvent(int exit_status, const CommandReport& report);

}  // namespace dspprog
