// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/expect_fatal_stop.h"

#include <gtest/gtest.h>

namespace dspprog {

FatalStop ExpectFatalStop(const std::function<void()>& action) {
    try {
        action();
    } catch (const FatalStop& stop) {
        return stop;
    }
    ADD_FAILURE() << "the program was expected to stop";
    return FatalStop(FatalStop::Kind::Terminated, "(did not stop)");
}

}  // namespace dspprog
