// SPDX-License-Identifier: GPL-3.0-or-later
// The destructors are defined here, so that each class's type information
// is made once, in the library, and a catch in a program built against it
// matches what the library throws.
#include "dspprog/error.h"

namespace dspprog::v0 {

Error::Error(const std::string& what) : std::runtime_error(what) {}
Error::~Error() = default;
BadInput::BadInput(const std::string& what) : Error(what) {}
BadInput::~BadInput() = default;
ChipFailure::ChipFailure(const std::string& what) : Error(what) {}
ChipFailure::~ChipFailure() = default;
ProgrammerGone::ProgrammerGone(const std::string& what) : Error(what) {}
ProgrammerGone::~ProgrammerGone() = default;
Cancelled::Cancelled(const std::string& what) : Error(what) {}
Cancelled::~Cancelled() = default;

}  // namespace dspprog::v0
