// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/warning_names.h"

namespace dspprog::testing {

std::vector<std::string> WarningNames(const std::vector<ContentWarning>& warnings) {
    std::vector<std::string> names;
    for (const ContentWarning& warning : warnings) {
        switch (warning.kind) {
            case ContentWarning::Kind::DataBit: {
                const std::string line = "D" + std::to_string(warning.bit);
                // The sentence names the line it is about, twice.
                const bool named = warning.text.find(line) != warning.text.rfind(line);
                names.push_back(line + "=" + std::to_string(warning.value) + (named ? "" : "?"));
                break;
            }
            case ContentWarning::Kind::MirroredHalves:
                names.push_back("half");
                break;
            case ContentWarning::Kind::AllZero:
                names.push_back("zero");
                break;
        }
    }
    return names;
}

}  // namespace dspprog::testing
