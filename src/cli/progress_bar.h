// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A one-line progress bar redrawn in place on a terminal.

#include <cstddef>
#include <cstdint>
#include <ostream>

namespace dspprog {

class ProgressBar {
public:
    explicit ProgressBar(std::ostream& terminal) : terminal_(terminal) {}

    // Draws "[#####     ] done/total"; the bar goes away once done reaches total.
    void Show(std::uint32_t done, std::uint32_t total);
    // Wipes the bar, so that other text can use the line.
    void Clear();

private:
    static constexpr std::uint32_t kWidth = 40;

    std::ostream& terminal_;
    std::size_t drawn_ = 0;  // characters on the line now; 0 when nothing is shown
};

}  // namespace dspprog
