// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_backend.h"

#include <libusb.h>

#include <cctype>

#include "link/usb/usb_device_match.h"
#include "link/usb/usb_interface_path.h"
#include "link/usb/usb_pipe.h"

namespace dspprog {

UsbLinkBackend::UsbLinkBackend(std::shared_ptr<UsbContext> context, std::ostream& diagnostics)
    : context_(std::move(context)), diagnostics_(diagnostics) {}

std::unique_ptr<Device> UsbLinkBackend::OpenDevice(const std::string& path) {
    const std::optional<UsbInterfacePathParts> wanted = ParseUsbInterfacePath(path);
    if (!wanted || !context_) return nullptr;

    libusb_device** list = nullptr;
    const ssize_t count = libusb_get_device_list(context_->get(), &list);
    if (count < 0) return nullptr;

    std::shared_ptr<UsbSession> session;
    bool present = false;
    for (ssize_t i = 0; i < count && !present; ++i) {
        libusb_device* device = list[i];
        if (UsbDeviceLocation(device) != wanted->location) continue;
        // Whatever sits at that place now must still be the device the search found.
        libusb_device_descriptor descriptor;
        if (libusb_get_device_descriptor(device, &descriptor) != LIBUSB_SUCCESS ||
            descriptor.idVendor != wanted->vendor || descriptor.idProduct != wanted->product)
            continue;
        const std::optional<ProgrammerInterface> interface = FindProgrammerInterface(device);
        if (!interface) continue;
        present = true;
        session = UsbSession::Open(context_, device, *interface, path, diagnostics_);
    }
    libusb_free_device_list(list, 1);

    if (!present) diagnostics_ << "dspprog: программатора " << path << " нет\n";
    if (!session) return nullptr;
    return std::make_unique<UsbDevice>(std::move(session));
}

std::unique_ptr<Pipe> UsbLinkBackend::OpenPipe(Device& device, const std::string& path,
                                               Access access) {
    auto* usb = dynamic_cast<UsbDevice*>(&device);
    if (!usb || !usb->session()) return nullptr;
    const std::shared_ptr<UsbSession>& session = usb->session();

    // <device path>\PIPEnn
    const std::string stem = session->path() + "\\PIPE";
    if (path.size() != stem.size() + 2 || path.compare(0, stem.size(), stem) != 0) return nullptr;
    const char tens = path[stem.size()];
    const char ones = path[stem.size() + 1];
    if (!std::isdigit(static_cast<unsigned char>(tens)) ||
        !std::isdigit(static_cast<unsigned char>(ones)))
        return nullptr;
    const int number = (tens - '0') * 10 + (ones - '0');
    const auto& endpoints = session->interface().endpoints;
    if (number >= static_cast<int>(endpoints.size())) return nullptr;

    const std::uint8_t endpoint = endpoints[static_cast<std::size_t>(number)];
    const bool is_in = (endpoint & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_IN;
    if (is_in != (access == Access::Read)) return nullptr;
    if (!session->TakePipe(number)) return nullptr;
    return std::make_unique<UsbPipe>(session, number, endpoint);
}

}  // namespace dspprog
