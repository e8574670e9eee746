// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Which USB devices look like the programmer, and where they sit on the bus.
//
// The programmer shows one vendor-specific interface with four bulk
// endpoints, in the order of its pipes: replies in, commands out, data in,
// data out. Any device showing such an interface counts as an interface of
// the programmer's class; the manufacturer and the ids decide the rest.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

struct libusb_config_descriptor;
struct libusb_device;

namespace dspprog {

struct ProgrammerInterface {
    std::uint8_t number = 0;                  // bInterfaceNumber
    std::array<std::uint8_t, 4> endpoints{};  // addresses, in descriptor order
};

// The first interface whose first alternate setting is of class 0xFF and has
// exactly four endpoints, all bulk.
std::optional<ProgrammerInterface> FindProgrammerInterface(const libusb_config_descriptor& config);

// The same, in the device's active configuration (its first one when the
// device is not configured). Reads cached descriptors only: the device is not
// opened.
std::optional<ProgrammerInterface> FindProgrammerInterface(libusb_device* device);

// "1-2.3": the bus and the hub ports down to the device; nullopt for a device
// that hangs on no port (a root hub) or whose ports cannot be told.
std::optional<std::string> UsbDeviceLocation(libusb_device* device);

}  // namespace dspprog
