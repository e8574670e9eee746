// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/platform_link.h"

#ifdef DSPPROG_HAVE_LIBUSB
#include "link/usb/usb_platform_link.h"
#endif
#ifdef DSPPROG_HAVE_WIN32_LINK
#include "link/win32/native_platform_link.h"
#endif

namespace dspprog {

namespace {

// A build without a hardware backend sees no programmer.
class NoDevices final : public LinkBackend {
public:
    std::unique_ptr<Device> OpenDevice(const std::string&) override { return nullptr; }
    std::unique_ptr<Pipe> OpenPipe(Device&, const std::string&, Access) override { return nullptr; }
};

}  // namespace

PlatformLink MakePlatformLink(const std::string& which, std::string& error) {
#ifdef DSPPROG_HAVE_WIN32_LINK
    // On Windows the programmer's own driver is the default; libusb (through
    // WinUSB) only when asked for.
    if (which.empty() || which == "native") return MakeNativePlatformLink();
#ifndef DSPPROG_HAVE_LIBUSB
    if (which == "libusb") {
        error = "libusb is not part of this Windows build";
        return {};
    }
#endif
#endif
#ifdef DSPPROG_HAVE_LIBUSB
    if (which.empty() || which == "libusb") return MakeUsbPlatformLink();
#endif
    if (!which.empty()) {
        error = "backend '" + which + "' is not part of this build";
        return {};
    }
    return {std::make_unique<FixedEnumerator>(), std::make_unique<NoDevices>(), nullptr, nullptr};
}

}  // namespace dspprog
