// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the programmer the options name, as both front-ends do it.

#include <gtest/gtest.h>

#include "catalogue/chip_table.h"
#include "link/clock.h"
#include "startup/programmer.h"
#include "support/expect_fatal_stop.h"
#include "support/temp_catalogue.h"

namespace dspprog {
namespace {

StartOptions Emulating(const std::string& chip, const std::string& catalogue) {
    StartOptions options;
    options.catalogue = catalogue;
    options.emulate = true;
    options.emulator.chip = chip;
    options.emulator.fast = true;
    return options;
}

// A chip named through the catalogue cannot be set up without one: a missing
// or damaged catalogue is the fatal stop of the chip lookup, whichever
// front-end asked, not a usage error.
TEST(Programmer, AChipNamedThroughAnUnusableCatalogueStopsTheProgram) {
    TempCatalogue catalogue;
    SimulatedClock clock;
    const std::string missing = (catalogue.dir() / "missing.db").string();
    catalogue.WriteBytes("this is no catalogue at all, just some text");
    for (const std::string& path : {missing, catalogue.path()}) {
        std::string error;
        const FatalStop stop = ExpectFatalStop(
            [&] { Programmer::Open(Emulating("TEST AB05", path), path, clock, error); });
        EXPECT_EQ(stop.kind(), FatalStop::Kind::Halt) << path;
        EXPECT_EQ(stop.message(), kCatalogueOpenError) << path;
    }
}

TEST(Programmer, AChipGivenInFullNeedsNoCatalogue) {
    TempCatalogue catalogue;
    SimulatedClock clock;
    const std::string missing = (catalogue.dir() / "missing.db").string();
    std::string error;
    const auto programmer =
        Programmer::Open(Emulating("AB05:8192:255", missing), missing, clock, error);
    ASSERT_NE(programmer, nullptr) << error;
    ASSERT_NE(programmer->emulated(), nullptr);
    EXPECT_EQ(programmer->emulated()->firmware().chip().size(), 8192u);
}

// A chip the catalogue has not, and a backend this build has not, are the
// options' fault: the one line says which option.
TEST(Programmer, WhatCannotBeOpenedIsNamedByItsOption) {
    TempCatalogue catalogue;
    catalogue.Write({{"AB05", "TEST AB05", "64K", "4", "1", "255"}});
    SimulatedClock clock;
    std::string error;
    EXPECT_EQ(Programmer::Open(Emulating("NO SUCH CHIP", catalogue.path()), catalogue.path(), clock,
                               error),
              nullptr);
    EXPECT_EQ(error.rfind(OptionFlag(StartOption::Emulate) + ": chip 'NO SUCH CHIP'", 0), 0u)
        << error;
#ifndef _WIN32
    StartOptions native;
    native.usb = "native";
    error.clear();
    EXPECT_EQ(Programmer::Open(native, catalogue.path(), clock, error), nullptr);
    EXPECT_EQ(error.rfind(OptionFlag(StartOption::Usb) + ": ", 0), 0u) << error;
#endif
}

}  // namespace
}  // namespace dspprog
