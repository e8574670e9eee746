// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real-hardware link of this build, for the front-ends.

#include <memory>
#include <string>

#include "link/discovery.h"
#include "link/pipe.h"

namespace dspprog {

struct PlatformLink {
    std::unique_ptr<InterfaceEnumerator> enumerator;
    std::unique_ptr<LinkBackend> backend;
    // Anything the backend needs to keep alive (a library context, ...).
    std::shared_ptr<void> context;
};

// `which`: "" for the platform's default, "libusb" or "native". Returns an
// empty PlatformLink with `error` set when that backend is not in this build.
PlatformLink MakePlatformLink(const std::string& which, std::string& error);

}  // namespace dspprog
