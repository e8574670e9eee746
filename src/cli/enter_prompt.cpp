// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/enter_prompt.h"

#include <string>

#include "app/series_run.h"

namespace dspprog {

NextChip EnterPrompt::AskNext(const SeriesCounts& counts) {
    (void)counts;  // the log has shown them
    err_ << kNextChipPrompt << std::endl;
    std::string line;
    if (in_ == nullptr || !std::getline(*in_, line)) return NextChip::Finish;
    const auto first = line.find_first_not_of(" \t\r");
    const bool quit = first != std::string::npos && (line[first] == 'q' || line[first] == 'Q') &&
                      line.find_first_not_of(" \t\r", first + 1) == std::string::npos;
    return quit ? NextChip::Finish : NextChip::Go;
}

}  // namespace dspprog
