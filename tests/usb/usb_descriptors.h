// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Descriptor sets for the devices of the emulated bus: the programmer and a
// few neighbours it must be told apart from.

#include <cstdint>
#include <string>
#include <vector>

namespace dspprog::testing {

struct UsbEndpointSpec {
    std::uint8_t address;
    std::uint8_t attributes;  // 2 bulk, 3 interrupt
    std::uint16_t max_packet = 64;
};

struct UsbInterfaceSpec {
    std::uint8_t class_code;
    std::uint8_t subclass = 0;
    std::uint8_t protocol = 0;
    std::vector<UsbEndpointSpec> endpoints;
};

struct UsbDeviceSpec {
    std::uint8_t device_class = 0;
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
    std::string manufacturer;  // string 1; none when empty
    std::string product_name;  // string 2; none when empty
    std::string serial;        // string 3; none when empty
    std::vector<UsbInterfaceSpec> interfaces;

    // The device descriptor followed by the one configuration with its
    // interfaces and endpoints, as sysfs shows them in "descriptors".
    std::vector<std::uint8_t> Descriptors() const;
};

// The programmer: one vendor-specific interface, bulk IN, OUT, IN, OUT.
inline constexpr std::uint8_t kReplyIn = 0x81;
inline constexpr std::uint8_t kCommandOut = 0x02;
inline constexpr std::uint8_t kDataIn = 0x83;
inline constexpr std::uint8_t kDataOut = 0x04;
UsbDeviceSpec ProgrammerSpec(std::string manufacturer = "Zelvandrik", std::uint16_t vendor = 0x1992,
                             std::uint16_t product = 0x2003);
// A flash drive: two bulk endpoints on a mass-storage interface.
UsbDeviceSpec FlashDriveSpec();
// A hub, root or external.
UsbDeviceSpec HubSpec();

}  // namespace dspprog::testing
