// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An opened programmer: the device handle with the programmer's interface
// claimed, and the thread that runs libusb's event handling for as long as it
// is open. The device and its pipes share it; it closes when the last of
// them has closed, so a pipe can never outlive the handle it transfers on.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

#include "link/usb/usb_context.h"
#include "link/usb/usb_device_match.h"

struct libusb_device;
struct libusb_device_handle;

namespace dspprog {

// Writes why a libusb call on the device at `path` failed, and what the
// operator can do about it where there is something to do.
void ExplainUsbError(std::ostream& diagnostics, const std::string& what, const std::string& path,
                     int error);

// Why a device that libusb found cannot be opened, for the listing: for a
// refused permission, the device node and whether the udev rule that grants
// it is installed; empty for errors that say nothing the user can act on.
std::string OpenProblemText(std::uint8_t bus, std::uint8_t address, int error);

class UsbSession {
public:
    // Opens `device` and claims `interface`. Null when either fails; what went
    // wrong is written to `diagnostics`, with a hint when it is a matter of
    // permissions. `path` is the interface path the device was opened on.
    static std::shared_ptr<UsbSession> Open(std::shared_ptr<UsbContext> context,
                                            libusb_device* device,
                                            const ProgrammerInterface& interface,
                                            const std::string& path, std::ostream& diagnostics);
    // Waits for the transfers held for, then stops the event thread, releases
    // the interface and closes the handle.
    ~UsbSession();
    UsbSession(const UsbSession&) = delete;
    UsbSession& operator=(const UsbSession&) = delete;

    libusb_device_handle* handle() const { return handle_; }
    const ProgrammerInterface& interface() const { return interface_; }
    const std::string& path() const { return path_; }

    // Pipes are opened exclusively, as the programmer's driver does: a pipe
    // that is already open cannot be opened a second time.
    bool TakePipe(int number);
    void GiveBackPipe(int number);

    // A transfer that a pipe gave up on while libusb still had it: the handle
    // stays open and events are handled until its completion has run.
    void HoldForTransfer();
    void TransferEnded();

private:
    UsbSession(std::shared_ptr<UsbContext> context, libusb_device_handle* handle,
               const ProgrammerInterface& interface, std::string path);
    void RunEvents();

    std::shared_ptr<UsbContext> context_;
    libusb_device_handle* handle_;
    ProgrammerInterface interface_;
    std::string path_;
    std::mutex pipes_mutex_;
    unsigned pipes_taken_ = 0;
    std::mutex held_mutex_;
    std::condition_variable held_changed_;
    int held_transfers_ = 0;
    std::atomic<bool> stop_{false};
    std::thread events_;
};

}  // namespace dspprog
