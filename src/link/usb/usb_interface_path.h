// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmer's interface path, written the way the Windows driver stack
// writes it, so that the search and the pipe names are the same on every
// platform: \\?\usb#vid_1992&pid_2003#1-2.3#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}.
// Where Windows puts an instance id, this backend puts the device's place on
// the bus: the bus number, a dash and the hub ports from the root down.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace dspprog {

// "1-2.3" for bus 1, ports 2 then 3.
std::string UsbLocationText(std::uint8_t bus, const std::vector<std::uint8_t>& ports);

// Vendor and product as four lower-case hex digits; the interface class GUID
// in lower case.
std::string UsbInterfacePath(std::uint16_t vendor, std::uint16_t product,
                             const std::string& location, const std::string& interface_class);

struct UsbInterfacePathParts {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string location;  // "1-2.3"
};

// The parts of a path that UsbInterfacePath wrote; nullopt for anything else.
std::optional<UsbInterfacePathParts> ParseUsbInterfacePath(const std::string& path);

}  // namespace dspprog
