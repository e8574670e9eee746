// SPDX-License-Identifier: GPL-3.0-or-later
// The USB tests' entry: gtest, under umockdev's preload library. ctest sets
// the preload; run by hand, the program restarts itself with it, so that it
// tests the same thing either way.

#include <gtest/gtest.h>

#include "usb/emulated_usb_bus.h"

int main(int argc, char** argv) {
    dspprog::testing::EmulatedUsbBus::RestartUnderPreload(argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
