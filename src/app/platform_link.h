// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The choice between the hardware backends built into this program.

#include <string>

#include "link/platform_parts.h"

namespace dspprog {

// `which`: "" for the platform's default, "libusb" or "native". Returns an
// empty PlatformLink with `error` set when that backend is not in this build.
PlatformLink MakePlatformLink(const std::string& which, std::string& error);

}  // namespace dspprog
