// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The common ground of the USB tests: an emulated bus to plug devices into,
// and a libusb context that is created once they are plugged in and goes
// before the bus does.

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "link/usb/usb_context.h"
#include "usb/emulated_usb_bus.h"

namespace dspprog::testing {

// The programmer's interface class, as the start-up passes it to the search.
inline constexpr const char* kGuid = "{00873FDF-61A8-11D1-AA5E-00C04FB1728B}";

// The path of a programmer (1992:2003) at `place` on bus 1.
inline std::string ProgrammerPath(const std::string& place, const char* ids = "vid_1992&pid_2003") {
    return std::string("\\\\?\\usb#") + ids + "#" + place +
           "#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";
}

class UsbBusFixture : public ::testing::Test {
protected:
    void SetUp() override {
        bus_ = std::make_unique<EmulatedUsbBus>();
        if (!EmulatedUsbBus::Active()) {
#ifdef DSPPROG_UMOCKDEV_PRELOAD_INSTALLED
            FAIL() << "umockdev's preload library is installed but not active";
#endif
            if (std::getenv("DSPPROG_REQUIRE_UMOCKDEV"))
                FAIL() << "umockdev's preload library is not active";
            GTEST_SKIP() << "umockdev's preload library is not active; "
                            "run with LD_PRELOAD=libumockdev-preload.so.0";
        }
    }

    void TearDown() override {
        context_.reset();
        bus_.reset();
    }

    // Call once the devices are plugged in: libusb takes its first look now.
    void StartLibusb() {
        std::string error;
        context_ = UsbContext::Create(error);
        ASSERT_TRUE(context_) << error;
    }

    std::unique_ptr<EmulatedUsbBus> bus_;
    std::shared_ptr<UsbContext> context_;
};

}  // namespace dspprog::testing
