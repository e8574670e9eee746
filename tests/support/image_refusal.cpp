// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/image_refusal.h"

namespace dspprog::testing {

std::string Refusal(const std::optional<ImageDefect>& defect) {
    return defect ? std::to_string(defect->line) + ": " + defect->reason : "accepted";
}

}  // namespace dspprog::testing
