// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_enumerator.h"

#include <libusb.h>

#include <algorithm>
#include <tuple>

#include "link/usb/usb_device_match.h"
#include "link/usb/usb_interface_path.h"
#include "link/usb/usb_session.h"

namespace dspprog {

UsbInterfaceEnumerator::UsbInterfaceEnumerator(std::shared_ptr<UsbContext> context,
                                               std::ostream& diagnostics)
    : context_(std::move(context)), diagnostics_(diagnostics) {}

UsbInterfaceEnumerator::~UsbInterfaceEnumerator() {
    End();
}

bool UsbInterfaceEnumerator::Begin(const std::string& interface_class) {
    End();
    if (!context_) return false;  // libusb did not start
    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_->get(), &list);
    if (count < 0) return false;

    for (ssize_t i = 0; i < count; ++i) {
        libusb_device* device = list[i];
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS) continue;
        if (!FindProgrammerInterface(device)) continue;
        std::uint8_t ports[8];
        const int depth = libusb_get_port_numbers(device, ports, sizeof ports);
        if (depth <= 0) continue;

        Entry entry;
        entry.device = libusb_ref_device(device);
        entry.bus = libusb_get_bus_number(device);
        entry.ports.assign(ports, ports + depth);
        entry.path = UsbInterfacePath(descriptor.idVendor, descriptor.idProduct,
                                      UsbLocationText(entry.bus, entry.ports), interface_class);
        entries_.push_back(std::move(entry));
    }
    libusb_free_device_list(list, 1);

    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        return std::tie(a.bus, a.ports) < std::tie(b.bus, b.ports);
    });
    return true;
}

std::uint32_t UsbInterfaceEnumerator::DetailSize(std::uint32_t index) {
    // The size a Windows detail record of this path would have: a 4-byte
    // size field, the path and its NUL.
    return static_cast<std::uint32_t>(4 + entries_.at(index).path.size() + 1);
}

std::optional<std::string> UsbInterfaceEnumerator::ReadPath(std::uint32_t index) {
    return entries_.at(index).path;
}

namespace {

// A string descriptor as ASCII; empty when the device has none.
std::string StringOf(libusb_device_handle* handle, std::uint8_t index) {
    if (index == 0) return {};
    unsigned char text[256];
    const int length = libusb_get_string_descriptor_ascii(handle, index, text, sizeof text);
    if (length <= 0) return {};
    return std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length));
}

}  // namespace

std::string UsbInterfaceEnumerator::Manufacturer(std::uint32_t index) {
    Entry& entry = entries_.at(index);
    libusb_device_descriptor descriptor;
    if (libusb_get_device_descriptor(entry.device, &descriptor) != LIBUSB_SUCCESS ||
        descriptor.iManufacturer == 0)
        return {};
    libusb_device_handle* handle = nullptr;
    if (const int r = libusb_open(entry.device, &handle); r != LIBUSB_SUCCESS) {
        ExplainUsbError(diagnostics_, "не удаётся открыть", entry.path, r);
        entry.problem = OpenProblemText(entry.bus, libusb_get_device_address(entry.device), r);
        return {};
    }
    std::string manufacturer = StringOf(handle, descriptor.iManufacturer);
    entry.serial = StringOf(handle, descriptor.iSerialNumber);
    libusb_close(handle);
    return manufacturer;
}

DeviceFacts UsbInterfaceEnumerator::Facts(std::uint32_t index) {
    const Entry& entry = entries_.at(index);
    return {entry.serial, UsbLocationText(entry.bus, entry.ports), entry.problem};
}

void UsbInterfaceEnumerator::End() {
    for (Entry& entry : entries_) libusb_unref_device(entry.device);
    entries_.clear();
}

}  // namespace dspprog
