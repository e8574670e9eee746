// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_device_match.h"

#include <libusb.h>

#include <vector>

#include "link/usb/usb_interface_path.h"

namespace dspprog {

std::optional<ProgrammerInterface> FindProgrammerInterface(const libusb_config_descriptor& config) {
    for (int i = 0; i < config.bNumInterfaces; ++i) {
        const libusb_interface& interface = config.interface[i];
        if (interface.num_altsetting < 1) continue;
        const libusb_interface_descriptor& setting = interface.altsetting[0];
        if (setting.bInterfaceClass != LIBUSB_CLASS_VENDOR_SPEC || setting.bNumEndpoints != 4)
            continue;
        ProgrammerInterface found;
        found.number = setting.bInterfaceNumber;
        bool all_bulk = true;
        for (int e = 0; e < 4; ++e) {
            const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
            if ((endpoint.bmAttributes & 0x03) != LIBUSB_TRANSFER_TYPE_BULK) all_bulk = false;
            found.endpoints[static_cast<std::size_t>(e)] = endpoint.bEndpointAddress;
        }
        if (all_bulk) return found;
    }
    return std::nullopt;
}

std::optional<ProgrammerInterface> FindProgrammerInterface(libusb_device* device) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS &&
        libusb_get_config_descriptor(device, 0, &config) != LIBUSB_SUCCESS)
        return std::nullopt;
    std::optional<ProgrammerInterface> found = FindProgrammerInterface(*config);
    libusb_free_config_descriptor(config);
    return found;
}

std::optional<std::string> UsbDeviceLocation(libusb_device* device) {
    // USB 3 allows seven tiers of hubs.
    std::uint8_t ports[8];
    const int count = libusb_get_port_numbers(device, ports, sizeof ports);
    if (count <= 0) return std::nullopt;
    return UsbLocationText(libusb_get_bus_number(device),
                           std::vector<std::uint8_t>(ports, ports + count));
}

}  // namespace dspprog
