// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One link backend in front of several emulated programmers: each device and
// pipe is opened on the programmer whose interface path it names, as one
// platform backend serves every programmer on the bus.

#include <memory>
#include <string>
#include <vector>

#include "emulator/emulated_link.h"
#include "link/pipe.h"

namespace dspprog::emu {

class RoutingBackend final : public LinkBackend {
public:
    struct Route {
        std::string path;  // the programmer's interface path
        EmulatedBackend* backend;
    };
    explicit RoutingBackend(std::vector<Route> routes) : routes_(std::move(routes)) {}

    std::unique_ptr<Device> OpenDevice(const std::string& path) override;
    std::unique_ptr<Pipe> OpenPipe(Device& device, const std::string& path, Access access) override;

private:
    // The backend whose programmer `path` (a device or pipe path) belongs to.
    EmulatedBackend* Find(const std::string& path, bool pipe);

    std::vector<Route> routes_;
};

}  // namespace dspprog::emu
