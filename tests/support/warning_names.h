// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A read's content warnings in short, for comparing with a test's list:
// "D3=0", "D6=1", "half", "zero", in their order.

#include <string>
#include <vector>

#include "image/content_warnings.h"

namespace dspprog::testing {

std::vector<std::string> WarningNames(const std::vector<ContentWarning>& warnings);

}  // namespace dspprog::testing
