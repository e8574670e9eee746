// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Windows backend for the front-ends: SetupAPI discovery and the
// programmer's bulk-pipe driver.

#include "link/platform_parts.h"

namespace dspprog {

PlatformLink MakeNativePlatformLink();

}  // namespace dspprog
