// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32/native_platform_link.h"

#include "link/win32/device_change_notifier.h"
#include "link/win32/native_backend.h"
#include "link/win32/setupapi_enumerator.h"

namespace dspprog {

PlatformLink MakeNativePlatformLink() {
    return {std::make_unique<SetupApiEnumerator>(), std::make_unique<NativeBackend>(), nullptr,
            std::make_unique<DeviceChangeNotifier>()};
}

}  // namespace dspprog
