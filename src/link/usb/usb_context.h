// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One libusb context, shared by the enumerator, the backend and every device
// they open; it ends when the last of them lets go.

#include <memory>
#include <string>

struct libusb_context;

namespace dspprog {

class UsbContext {
public:
    // Null, with `error` saying why, when libusb cannot start (no USB support
    // in this system, out of memory).
    static std::shared_ptr<UsbContext> Create(std::string& error);
    ~UsbContext();
    UsbContext(const UsbContext&) = delete;
    UsbContext& operator=(const UsbContext&) = delete;

    libusb_context* get() const { return context_; }

private:
    explicit UsbContext(libusb_context* context) : context_(context) {}
    libusb_context* context_;
};

}  // namespace dspprog
