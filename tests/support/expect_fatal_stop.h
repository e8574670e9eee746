// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way the tests catch the end of the program.

#include <functional>

#include "link/fatal_stop.h"

namespace dspprog {

// Runs `action`, which must end the program with a fatal stop, and returns the
// stop; fails the test when it returns normally.
FatalStop ExpectFatalStop(const std::function<void()>& action);

}  // namespace dspprog
