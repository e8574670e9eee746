// SPDX-License-Identifier: GPL-3.0-or-later
// The libusb backend of the Windows build on a system without the
// programmer, and with a libusb that did not start.

#include <gtest/gtest.h>

#include <sstream>

#include "link/discovery.h"
#include "link/usb/usb_backend.h"
#include "link/usb/usb_context.h"
#include "link/usb/usb_enumerator.h"
#include "link/usb/usb_platform_link.h"

namespace dspprog {
namespace {

constexpr const char* kAbsentProgrammer =
    "\\\\?\\usb#vid_1992&pid_2003#1-2#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";

TEST(WindowsLibusb, NoProgrammerGivesFalseAndAnEmptyPath) {
    std::ostringstream diagnostics;
    PlatformLink platform = MakeUsbPlatformLink(diagnostics);
    ASSERT_TRUE(platform.context);
    std::string path = "left over";
    EXPECT_FALSE(GetSymbolicLink(*platform.enumerator, kProgrammerInterfaceGuid, kProgrammerVendor,
                                 kProgrammerProduct, kProgrammerManufacturer, path));
    EXPECT_EQ(path, "");

    // The set is made and is empty, not refused.
    ASSERT_TRUE(platform.enumerator->Begin(kProgrammerInterfaceGuid));
    EXPECT_FALSE(platform.enumerator->Exists(0));
    platform.enumerator->End();
    platform.enumerator->End();
    EXPECT_EQ(diagnostics.str(), "");
}

TEST(WindowsLibusb, AProgrammerThatIsNotThereIsNotOpened) {
    std::string error;
    std::shared_ptr<UsbContext> context = UsbContext::Create(error);
    ASSERT_TRUE(context) << error;
    std::ostringstream diagnostics;
    UsbLinkBackend backend(context, diagnostics);

    EXPECT_FALSE(backend.OpenDevice(kAbsentProgrammer));
    EXPECT_EQ(diagnostics.str(),
              std::string("dspprog: программатора ") + kAbsentProgrammer + " нет\n");

    // A path that the native backend's discovery gives names no place on a
    // bus: libusb cannot open it.
    diagnostics.str("");
    EXPECT_FALSE(backend.OpenDevice(
        "\\\\?\\usb#vid_1992&pid_2003#5&2a1b3c4d&0&1#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}"));
    EXPECT_EQ(diagnostics.str(), "");
}

// What the front-ends get when libusb cannot start: a search that finds
// nothing, so that the start-up stops as it does without a programmer.
TEST(WindowsLibusb, WithoutAStartedLibusbNothingIsFoundOrOpened) {
    UsbInterfaceEnumerator enumerator(nullptr);
    EXPECT_FALSE(enumerator.Begin(kProgrammerInterfaceGuid));
    std::string path = "left over";
    EXPECT_FALSE(GetSymbolicLink(enumerator, kProgrammerInterfaceGuid, kProgrammerVendor,
                                 kProgrammerProduct, kProgrammerManufacturer, path));
    EXPECT_EQ(path, "");

    std::ostringstream diagnostics;
    UsbLinkBackend backend(nullptr, diagnostics);
    EXPECT_FALSE(backend.OpenDevice(kAbsentProgrammer));
    EXPECT_EQ(diagnostics.str(), "");
}

}  // namespace
}  // namespace dspprog
