// What the front-ends get on Windows: the native backend by default, and
// libusb refused with its reason.

#include <gtest/gtest.h>

#include "link/platform_link.h"
#include "link/win32/native_backend.h"
#include "link/win32/setupapi_enumerator.h"

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

TEST(WindowsPlatformLink, LibusbIsRefusedWithItsReason) {
    std::string error;
    PlatformLink platform = MakePlatformLink("libusb", error);
    EXPECT_FALSE(platform.enumerator);
    EXPECT_FALSE(platform.backend);
    EXPECT_EQ(error, "libusb is not part of this Windows build");
}

}  // namespace
}  // namespace dspprog
