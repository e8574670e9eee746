// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_context.h"

#include <libusb.h>

namespace dspprog {

std::shared_ptr<UsbContext> UsbContext::Create(std::string& error) {
    libusb_context* context = nullptr;
    const int r = libusb_init(&context);
    if (r != LIBUSB_SUCCESS) {
        error = std::string("libusb не запускается: ") + libusb_strerror(r);
        return nullptr;
    }
    return std::shared_ptr<UsbContext>(new UsbContext(context));
}

UsbContext::~UsbContext() {
    libusb_exit(context_);
}

}  // namespace dspprog
