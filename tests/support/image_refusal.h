// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An image reader's verdict as one short text, so that a failed comparison
// says which line was refused and why.

#include <optional>
#include <string>

#include "image/image_format.h"

namespace dspprog::testing {

// "line: reason", or "accepted".
std::string Refusal(const std::optional<ImageDefect>& defect);

}  // namespace dspprog::testing
