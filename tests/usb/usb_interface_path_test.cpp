// SPDX-License-Identifier: GPL-3.0-or-later
// The interface path: the Windows form, with the place on the bus where
// Windows has its instance id.

#include <gtest/gtest.h>

#include "link/discovery.h"
#include "link/usb/usb_interface_path.h"

namespace dspprog {
namespace {

TEST(UsbInterfacePathTest, IsWrittenTheWindowsWay) {
    EXPECT_EQ(
        UsbInterfacePath(0x1992, 0x2003, UsbLocationText(1, {2, 3}), kProgrammerInterfaceGuid),
        "\\\\?\\usb#vid_1992&pid_2003#1-2.3#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}");
    // Hex digits in lower case, four of them.
    EXPECT_EQ(UsbInterfacePath(0xABC, 0x7, UsbLocationText(12, {4}), "{X}"),
              "\\\\?\\usb#vid_0abc&pid_0007#12-4#{x}");
}

TEST(UsbInterfacePathTest, ReadsBackWhatWasWritten) {
    const auto parts = ParseUsbInterfacePath(
        "\\\\?\\usb#vid_1992&pid_20aF#3-1.10.2#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}");
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->vendor, 0x1992);
    EXPECT_EQ(parts->product, 0x20AF);
    EXPECT_EQ(parts->location, "3-1.10.2");
}

TEST(UsbInterfacePathTest, RefusesPathsItDidNotWrite) {
    for (const char* path : {
             "",
             "\\\\?\\usb#vid_1992&pid_2003#emulated#{guid}",  // the emulator's
             "\\\\?\\hid#vid_1992&pid_2003#1-2#{guid}",
             "\\\\?\\usb#vid_1992&pid_203#1-2#{guid}",
             "\\\\?\\usb#vid_19g2&pid_2003#1-2#{guid}",
             "\\\\?\\usb#vid_1992&pid_2003#1-#{guid}",
             "\\\\?\\usb#vid_1992&pid_2003#-2#{guid}",
             "\\\\?\\usb#vid_1992&pid_2003#1-2..3#{guid}",
             "\\\\?\\usb#vid_1992&pid_2003#1-2#{guid}#more",
             "\\\\?\\usb#vid_1992&pid_2003#1-2",
         }) {
        EXPECT_FALSE(ParseUsbInterfacePath(path)) << path;
    }
}

}  // namespace
}  // namespace dspprog
