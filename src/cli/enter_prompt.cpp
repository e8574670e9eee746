// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/enter_prompt.h"

#include <string>

#include "production/series_run.h"

namespace dspprog {

NextChip EnterPrompt::AskNext(const SeriesCounts& counts) {
    (void)counts;  // the log has shown them
    err_ << kNextChipPrompt << std::endl;
    std::string line;
    if (in_ == nullptr || !std::getline(*in_, line)) return NextChip::Finish;
    const auto first = line.find_first_not_of(" \t\r");
    const auto last = line.find_last_not_of(" \t\r");
    const std::string word = first == std::string::npos ? "" : line.substr(first, last - first + 1);
    // On a Russian keyboard layout the key of q types й.
    const bool quit = word == "q" || word == "Q" || word == "й" || word == "Й";
    return quit ? NextChip::Finish : NextChip::Go;
}

}  // namespace dspprog
