// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator of one lane of a gang: the terminal operator, its lines
// prefixed with the programmer's name, nobody to ask and no progress bar.
// Under --json its log lines and progress are events that name the
// programmer instead.

#include <mutex>
#include <ostream>
#include <string>

#include "base/prefixed_lines.h"
#include "base/shown_text.h"
#include "cli/terminal_operator.h"

namespace dspprog {

// The lane's own streams, made before the operator that writes to them.
struct LaneStreams {
    LaneStreams(std::ostream& out, std::mutex& out_lock, std::ostream& err, std::mutex& err_lock,
                const std::string& out_prefix, const std::string& err_prefix)
        : lane_out(out, out_lock, out_prefix), lane_err(err, err_lock, err_prefix) {}
    PrefixedLines lane_out;
    PrefixedLines lane_err;
};

class LaneOperator final : private LaneStreams, public TerminalOperator {
public:
    LaneOperator(std::ostream& out, std::mutex& out_lock, std::ostream& err, std::mutex& err_lock,
                 const std::string& name, DialogAnswers answers, bool json)
        : LaneStreams(out, out_lock, err, err_lock, json ? std::string() : ShownText(name) + '\t',
                      ShownText(name) + '\t'),
          TerminalOperator(lane_out, lane_err, nullptr, std::move(answers), false, json) {
        if (json) NameDeviceInEvents(name);
    }
};

}  // namespace dspprog
