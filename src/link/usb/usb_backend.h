// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The link backend over libusb: the programmer found by its place on the bus,
// its interface claimed, and its four bulk endpoints as the pipes.

#include <iostream>
#include <memory>
#include <string>

#include "link/pipe.h"
#include "link/usb/usb_context.h"
#include "link/usb/usb_session.h"

namespace dspprog {

class UsbDevice final : public Device {
public:
    explicit UsbDevice(std::shared_ptr<UsbSession> session) : session_(std::move(session)) {}
    ~UsbDevice() override { Close(); }
    // Lets go of the session; the handle closes once the pipes have closed too.
    void Close() override { session_.reset(); }
    const std::shared_ptr<UsbSession>& session() const { return session_; }

private:
    std::shared_ptr<UsbSession> session_;
};

class UsbLinkBackend final : public LinkBackend {
public:
    // Why a device could not be opened goes to `diagnostics`. A null context
    // (libusb did not start) makes a backend that opens nothing.
    explicit UsbLinkBackend(std::shared_ptr<UsbContext> context,
                            std::ostream& diagnostics = std::cerr);

    // `path` as the enumerator wrote it. Null when no present device sits at
    // that place with those ids and the programmer's interface, or when it
    // cannot be opened or its interface claimed.
    std::unique_ptr<Device> OpenDevice(const std::string& path) override;
    // `path` is the device's path and "\PIPEnn": the nn-th endpoint of the
    // interface, in descriptor order. Null when there is no such endpoint, its
    // direction is not the access asked for, or the pipe is open already.
    std::unique_ptr<Pipe> OpenPipe(Device& device, const std::string& path, Access access) override;

private:
    std::shared_ptr<UsbContext> context_;
    std::ostream& diagnostics_;
};

}  // namespace dspprog
