// SPDX-License-Identifier: GPL-3.0-or-later
// What the front-ends get on Windows: the native backend by default, and
// libusb when asked for (refused with its reason by a build without it).

#include <gtest/gtest.h>

#include "app/platform_link.h"
#include "link/win32/native_backend.h"
#include "link/win32/setupapi_enumerator.h"
#ifdef DSPPROG_HAVE_LIBUSB
#include "link/usb/usb_backend.h"
#include "link/usb/usb_enumerator.h"
#endif

namespace dspprog {
namespace {

TEST(WindowsPlatformLink, DefaultAndNativeAreSetupApiAndTheNativeBackend) {
    for (const char* which : {"", "native"}) {
        std::string error;
        PlatformLink platform = MakePlatformLink(which, error);
        EXPECT_NE(dynamic_cast<SetupApiEnumerator*>(platform.enumerator.get()), nullptr) << which;
        EXPECT_NE(dynamic_cast<NativeBackend*>(platform.backend.get()), nullptr) << which;
        EXPECT_EQ(error, "");
    }
}

#ifdef DSPPROG_HAVE_LIBUSB
TEST(WindowsPlatformLink, LibusbIsTheLibusbBackendOnAStartedContext) {
    std::string error;
    PlatformLink platform = MakePlatformLink("libusb", error);
    EXPECT_NE(dynamic_cast<UsbInterfaceEnumerator*>(platform.enumerator.get()), nullptr);
    EXPECT_NE(dynamic_cast<UsbLinkBackend*>(platform.backend.get()), nullptr);
    EXPECT_TRUE(platform.context);  // libusb started
    EXPECT_EQ(error, "");
}
#else
TEST(WindowsPlatformLink, LibusbIsRefusedWithItsReason) {
    std::string error;
    PlatformLink platform = MakePlatformLink("libusb", error);
    EXPECT_FALSE(platform.enumerator);
    EXPECT_FALSE(platform.backend);
    EXPECT_EQ(error, "libusb is not part of this Windows build");
}
#endif

}  // namespace
}  // namespace dspprog
