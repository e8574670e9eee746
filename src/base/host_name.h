// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This computer's name on the network.

#include <string>

namespace dspprog {

// "?" when the system will not say.
std::string HostName();

}  // namespace dspprog
