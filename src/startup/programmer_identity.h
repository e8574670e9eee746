// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which programmer did the work, as the chip log and the reports name it.

#include <string>

namespace dspprog {

struct ProgrammerIdentity {
    std::string serial;
    std::string location;
};

}  // namespace dspprog
