// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Discovery over libusb: the present devices that show the programmer's
// interface, each with its interface path and manufacturer string.

#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/discovery.h"
#include "link/usb/usb_context.h"

struct libusb_device;

namespace dspprog {

class UsbInterfaceEnumerator final : public InterfaceEnumerator {
public:
    // A null context (libusb did not start) makes an enumerator that finds
    // nothing. A device that has the programmer's interface but cannot be
    // opened is explained on `diagnostics` (a missing udev rule, a driver
    // other than WinUSB): otherwise the operator would only hear that no
    // programmer was found.
    explicit UsbInterfaceEnumerator(std::shared_ptr<UsbContext> context,
                                    std::ostream& diagnostics = std::cerr);
    ~UsbInterfaceEnumerator() override;

    // Lists the devices with the programmer's interface, ordered by bus and
    // port so that the search is the same from run to run. No device is
    // opened here.
    bool Begin(const std::string& interface_class) override;
    bool Exists(std::uint32_t index) override { return index < entries_.size(); }
    std::uint32_t DetailSize(std::uint32_t index) override;
    std::optional<std::string> ReadPath(std::uint32_t index) override;
    // Opens the device to read its manufacturer string descriptor; empty when
    // the device cannot be opened or has none.
    std::string Manufacturer(std::uint32_t index) override;
    // The serial number is read along with the manufacturer; the location is
    // the port path.
    DeviceFacts Facts(std::uint32_t index) override;
    void End() override;

private:
    struct Entry {
        libusb_device* device;  // one reference held until End
        std::string path;
        std::uint8_t bus;
        std::vector<std::uint8_t> ports;
        std::string serial;   // read when the manufacturer is
        std::string problem;  // why the device would not open
    };

    std::shared_ptr<UsbContext> context_;
    std::ostream& diagnostics_;
    std::vector<Entry> entries_;
};

}  // namespace dspprog
