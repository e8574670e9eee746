// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/routing_backend.h"

namespace dspprog::emu {

namespace {

// "\PIPE00".
constexpr std::size_t kPipeSuffixLength = 7;

}  // namespace

EmulatedBackend* RoutingBackend::Find(const std::string& path, bool pipe) {
    const std::string device = pipe && path.size() >= kPipeSuffixLength
                                   ? path.substr(0, path.size() - kPipeSuffixLength)
                                   : path;
    for (const Route& route : routes_)
        if (route.path == device) return route.backend;
    // An unknown path is the first programmer's to refuse, as a lone
    // programmer refuses it.
    return routes_.empty() ? nullptr : routes_.front().backend;
}

std::unique_ptr<Device> RoutingBackend::OpenDevice(const std::string& path) {
    EmulatedBackend* backend = Find(path, false);
    return backend ? backend->OpenDevice(path) : nullptr;
}

std::unique_ptr<Pipe> RoutingBackend::OpenPipe(Device& device, const std::string& path,
                                               Access access) {
    EmulatedBackend* backend = Find(path, true);
    return backend ? backend->OpenPipe(device, path, access) : nullptr;
}

}  // namespace dspprog::emu
