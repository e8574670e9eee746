// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/fatal_stop.h"

#include <utility>

namespace dspprog {

FatalStop::FatalStop(Kind kind, std::string message)
    : std::runtime_error(message), kind_(kind), message_(std::move(message)) {}

std::string FatalStop::BoxText() const {
    if (kind_ != Kind::Halt) return message_;
    return message_ + "\n\r" + kHaltClosing;
}

void CriticalHalt(const std::string& message) { throw FatalStop(FatalStop::Kind::Halt, message); }

void Terminate(const std::string& why) { throw FatalStop(FatalStop::Kind::Terminated, why); }

}  // namespace dspprog
