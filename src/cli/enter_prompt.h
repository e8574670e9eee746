// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line's "next chip?" between the chips of a series: a line on
// the input goes on, "q" (or "й", the same key in the Russian layout) or the
// input's end finishes.

#include <istream>
#include <ostream>

#include "production/next_chip_gate.h"

namespace dspprog {

class EnterPrompt final : public NextChipPrompt {
public:
    // `in` null: there is no input, and the run ends after the chip.
    EnterPrompt(std::istream* in, std::ostream& err) : in_(in), err_(err) {}
    NextChip AskNext(const SeriesCounts& counts) override;

private:
    std::istream* in_;
    std::ostream& err_;
};

}  // namespace dspprog
