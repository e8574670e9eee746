// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Telling a programmer that has been unplugged from one whose transfer merely
// failed, from what a transfer on its pipe ended with.

#include <windows.h>

#include <string>

namespace dspprog {

// ERROR_NO_SUCH_DEVICE, which not every SDK's headers define.
inline constexpr DWORD kErrorNoSuchDevice = 433;

// True when a transfer that ended with `error` did so because the device
// opened on `device_path` is no longer there: either the error says so by
// itself, or, for any other error, the device can no longer be found at
// its path.
bool DeviceGone(DWORD error, const std::string& device_path);

}  // namespace dspprog
