// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a hardware backend gives the program: its enumerator and its link
// backend, and whatever they need kept alive.

#include <memory>

#include "link/discovery.h"
#include "link/pipe.h"
#include "link/plug_notifier.h"

namespace dspprog {

struct PlatformLink {
    std::unique_ptr<InterfaceEnumerator> enumerator;
    std::unique_ptr<LinkBackend> backend;
    // Anything the backend needs to keep alive (a library context, ...).
    std::shared_ptr<void> context;
    // Null where the platform does not tell when programmers come and go.
    std::unique_ptr<PlugNotifier> notifier;
};

}  // namespace dspprog
