// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The libusb backend as the front-ends get it.

#include <iostream>

#include "link/platform_parts.h"

namespace dspprog {

// The enumerator and the backend over one libusb context. When libusb cannot
// start, the reason goes to `diagnostics` and the pair sees no programmer, so
// that the program stops as it does when none is plugged in.
PlatformLink MakeUsbPlatformLink(std::ostream& diagnostics = std::cerr);

}  // namespace dspprog
