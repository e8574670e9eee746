// SPDX-License-Identifier: GPL-3.0-or-later
// What the front-ends get on Windows: the native backend by default, and
// libusb when asked for (refused with its reason by a build without it).

#include <gtest/gtest.h>

#include "link/win32/native_backend.h"
#include "link/win32/setupapi_enumerator.h"
#include "startup/backend_table.h"
#ifdef DSPPROG_HAVE_LIBUSB
#include "link/usb/usb_backend.h"
#include "link/usb/usb_enumerator.h"
#endif

namespace dspprog {
namespace {

// The row --usb `which` chooses ("" for none), opened as the programmer opens it.
PlatformLink OpenRow(const char* which, std::string& error) {
    StartOptions options;
    if (*which != '\0') options.usb = which;
    SteadyClock clock;
    OpenedBackend opened;
    OpenChosenBackend(options, "", clock, opened, error);
    return std::move(opened.link);
}

TEST(WindowsPlatformLink, DefaultAndNativeAreSetupApiAndTheNativeBackend) {
    for (const char* which : {"", "native"}) {
        std::string error;
        PlatformLink platform = OpenRow(which, error);
        EXPECT_NE(dynamic_cast<SetupApiEnumerator*>(platform.enumerator.get()), nullptr) << which;
        EXPECT_NE(dynamic_cast<NativeBackend*>(platform.backend.get()), nullptr) << which;
        EXPECT_EQ(error, "");
    }
}

#ifdef DSPPROG_HAVE_LIBUSB
TEST(WindowsPlatformLink, LibusbIsTheLibusbBackendOnAStartedContext) {
    std::string error;
    PlatformLink platform = OpenRow("libusb", error);
    EXPECT_NE(dynamic_cast<UsbInterfaceEnumerator*>(platform.enumerator.get()), nullptr);
    EXPECT_NE(dynamic_cast<UsbLinkBackend*>(platform.backend.get()), nullptr);
    EXPECT_TRUE(platform.context);  // libusb started
    EXPECT_EQ(error, "");
}
#else
TEST(WindowsPlatformLink, LibusbIsRefusedWithItsReason) {
    std::string error;
    PlatformLink platform = OpenRow("libusb", error);
    EXPECT_FALSE(platform.enumerator);
    EXPECT_FALSE(platform.backend);
    EXPECT_EQ(error, "--usb: libusb is not part of this Windows build");
}
#endif

}  // namespace
}  // namespace dspprog
