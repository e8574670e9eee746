// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/usb_descriptors.h"

namespace dspprog::testing {

namespace {

void Put16(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

}  // namespace

std::vector<std::uint8_t> UsbDeviceSpec::Descriptors() const {
    std::vector<std::uint8_t> out{18, 1};
    Put16(out, 0x0200);  // USB 2.0
    out.insert(out.end(), {device_class, 0, 0, 64});
    Put16(out, vendor);
    Put16(out, product);
    Put16(out, 0x0100);
    out.push_back(manufacturer.empty() ? 0 : 1);
    out.push_back(product_name.empty() ? 0 : 2);
    out.push_back(serial.empty() ? 0 : 3);
    out.push_back(1);  // one configuration

    std::vector<std::uint8_t> config{9, 2, 0,    0, static_cast<std::uint8_t>(interfaces.size()),
                                     1, 0, 0x80, 50};
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        const UsbInterfaceSpec& interface = interfaces[i];
        config.insert(config.end(),
                      {9, 4, static_cast<std::uint8_t>(i), 0,
                       static_cast<std::uint8_t>(interface.endpoints.size()), interface.class_code,
                       interface.subclass, interface.protocol, 0});
        for (const UsbEndpointSpec& endpoint : interface.endpoints) {
            config.insert(config.end(), {7, 5, endpoint.address, endpoint.attributes});
            Put16(config, endpoint.max_packet);
            config.push_back(endpoint.attributes == 3 ? 12 : 0);
        }
    }
    config[2] = static_cast<std::uint8_t>(config.size() & 0xFF);
    config[3] = static_cast<std::uint8_t>(config.size() >> 8);
    out.insert(out.end(), config.begin(), config.end());
    return out;
}

UsbDeviceSpec ProgrammerSpec(std::string manufacturer, std::uint16_t vendor,
                             std::uint16_t product) {
    UsbDeviceSpec spec;
    spec.vendor = vendor;
    spec.product = product;
    spec.manufacturer = std::move(manufacturer);
    spec.product_name = "TMS320VC5509 programmer";
    spec.interfaces.push_back(
        {0xFF, 0, 0, {{kReplyIn, 2}, {kCommandOut, 2}, {kDataIn, 2}, {kDataOut, 2}}});
    return spec;
}

UsbDeviceSpec FlashDriveSpec() {
    UsbDeviceSpec spec;
    spec.vendor = 0x0781;
    spec.product = 0x5567;
    spec.manufacturer = "SanDisk";
    spec.product_name = "Cruzer Blade";
    spec.interfaces.push_back({0x08, 0x06, 0x50, {{0x81, 2, 512}, {0x02, 2, 512}}});
    return spec;
}

UsbDeviceSpec HubSpec() {
    UsbDeviceSpec spec;
    spec.device_class = 9;
    spec.vendor = 0x1d6b;
    spec.product = 0x0002;
    spec.interfaces.push_back({0x09, 0, 0, {{0x81, 3, 4}}});
    return spec;
}

}  // namespace dspprog::testing
