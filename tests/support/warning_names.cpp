// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/warning_names.h"

namespace dspprog::testing {

std::vector<std::string> WarningNames(const std::vector<ContentWarning>& warnings) {
    std::vector<std::string> names;
    for (const ContentWarning& warning : warnings) {
        const std::string line = "D" + std::to_string(warning.bit);
        // A data line's sentence names the line twice; "?" when it does not.
        const bool named = warning.text.find(line) != warning.text.rfind(line);
        using Kind = ContentWarning::Kind;
        names.push_back(warning.kind == Kind::AllZero ? "zero"
                        : warning.kind == Kind::MirroredHalves
                            ? "half"
                            : line + "=" + std::to_string(warning.value) + (named ? "" : "?"));
    }
    return names;
}

}  // namespace dspprog::testing
