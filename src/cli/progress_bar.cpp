// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/progress_bar.h"

#include <string>

namespace dspprog {

void ProgressBar::Show(std::uint32_t done, std::uint32_t total) {
    if (total == 0 || done >= total) {
        Clear();
        return;
    }
    const auto filled = static_cast<std::uint32_t>(std::uint64_t{done} * kWidth / total);
    std::string line = "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] " +
                       std::to_string(done) + "/" + std::to_string(total);
    // A shorter line than the last one must not leave the old tail behind.
    const std::size_t length = line.size();
    if (length < drawn_) line += std::string(drawn_ - length, ' ');
    terminal_ << '\r' << line << std::flush;
    drawn_ = length;
}

void ProgressBar::Clear() {
    if (drawn_ == 0) return;
    terminal_ << '\r' << std::string(drawn_, ' ') << '\r' << std::flush;
    drawn_ = 0;
}

}  // namespace dspprog
