#pragma once
// The libusb backend as the front-ends get it.

#include <string>

#include "link/platform_link.h"

namespace dspprog {

// The enumerator and the backend over one libusb context; empty with `error`
// set when libusb cannot start.
PlatformLink MakeUsbPlatformLink(std::string& error);

}  // namespace dspprog
