// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator of one lane of a gang: the terminal operator, its lines
// prefixed with the programmer's name, nobody to ask and no progress bar.

#include <mutex>
#include <ostream>
#include <string>

#include "base/prefixed_lines.h"
#include "cli/terminal_operator.h"

namespace dspprog {

// The lane's own streams, made before the operator that writes to them.
struct LaneStreams {
    LaneStreams(std::ostream& out, std::mutex& out_lock, std::ostream& err, std::mutex& err_lock,
                const std::string& prefix)
        : lane_out(out, out_lock, prefix), lane_err(err, err_lock, prefix) {}
    PrefixedLines lane_out;
    PrefixedLines lane_err;
};

class LaneOperator final : private LaneStreams, public TerminalOperator {
public:
    LaneOperator(std::ostream& out, std::mutex& out_lock, std::ostream& err, std::mutex& err_lock,
                 const std::string& prefix, DialogAnswers answers)
        : LaneStreams(out, out_lock, err, err_lock, prefix),
          TerminalOperator(lane_out, lane_err, nullptr, std::move(answers), false) {}
};

}  // namespace dspprog
