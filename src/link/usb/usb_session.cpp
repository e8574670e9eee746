// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_session.h"

#include <libusb.h>

#include <cstdio>

namespace dspprog {

namespace {

// What the operator can do about a refusal, where there is something to do.
const char* Hint(int error) {
    switch (error) {
#ifdef _WIN32
        // libusb reaches a device on Windows only through WinUSB, which lets
        // one program at a time open it.
        case LIBUSB_ERROR_NOT_SUPPORTED:
            return "драйвер программатора — не WinUSB. Для --usb libusb привяжите к нему WinUSB "
                   "(например, программой Zadig); с собственным драйвером программатора выберите "
                   "--usb native.";
        case LIBUSB_ERROR_ACCESS:
            return "программатор открыт другой программой.";
#else
        case LIBUSB_ERROR_ACCESS:
            return "этому пользователю нельзя открыть программатор. Установите правило udev "
                   "60-dspprog.rules (см. docs/usb-setup.md), затем отключите программатор и "
                   "подключите его снова.";
#endif
        case LIBUSB_ERROR_BUSY:
            return "интерфейс программатора занят другой программой или драйвером.";
        default:
            return nullptr;
    }
}

#ifndef _WIN32
// Where udev reads rules from; the package puts the rule in the second.
const char* const kRuleFiles[] = {"/etc/udev/rules.d/60-dspprog.rules",
                                  "/usr/lib/udev/rules.d/60-dspprog.rules",
                                  "/lib/udev/rules.d/60-dspprog.rules"};

bool RuleInstalled() {
    for (const char* file : kRuleFiles)
        if (std::FILE* f = std::fopen(file, "r")) {
            std::fclose(f);
            return true;
        }
    return false;
}
#endif

}  // namespace

std::string OpenProblemText(std::uint8_t bus, std::uint8_t address, int error) {
#ifdef _WIN32
    (void)bus;
    (void)address;
    if (error == LIBUSB_ERROR_NOT_SUPPORTED)
        return "его драйвер — не WinUSB; привяжите к нему WinUSB или выберите --usb native";
#else
    if (error == LIBUSB_ERROR_ACCESS) {
        char node[32];
        std::snprintf(node, sizeof node, "/dev/bus/usb/%03u/%03u", bus, address);
        std::string text = std::string("нет прав на ") + node + "; ";
        if (RuleInstalled())
            return text +
                   "правило udev 60-dspprog.rules установлено: отключите программатор и "
                   "подключите его снова";
        return text +
               "правило udev 60-dspprog.rules не установлено: sudo install -m 644 "
               "packaging/60-dspprog.rules /etc/udev/rules.d/ && sudo udevadm control "
               "--reload-rules";
    }
#endif
    if (error == LIBUSB_ERROR_BUSY) return "его интерфейс занят другой программой или драйвером";
    if (const char* hint = Hint(error)) return hint;
    return std::string("не открывается: ") + libusb_strerror(static_cast<libusb_error>(error));
}

void ExplainUsbError(std::ostream& diagnostics, const std::string& what, const std::string& path,
                     int error) {
    diagnostics << "dspprog: " << what << " " << path << ": "
                << libusb_strerror(static_cast<libusb_error>(error)) << "\n";
    if (const char* hint = Hint(error)) diagnostics << "dspprog: " << hint << "\n";
}

std::shared_ptr<UsbSession> UsbSession::Open(std::shared_ptr<UsbContext> context,
                                             libusb_device* device,
                                             const ProgrammerInterface& interface,
                                             const std::string& path, std::ostream& diagnostics) {
    libusb_device_handle* handle = nullptr;
    int r = libusb_open(device, &handle);
    if (r != LIBUSB_SUCCESS) {
        ExplainUsbError(diagnostics, "не удаётся открыть", path, r);
        return nullptr;
    }
    r = libusb_claim_interface(handle, interface.number);
    if (r != LIBUSB_SUCCESS) {
        ExplainUsbError(diagnostics, "не удаётся занять интерфейс", path, r);
        libusb_close(handle);
        return nullptr;
    }
    return std::shared_ptr<UsbSession>(new UsbSession(std::move(context), handle, interface, path));
}

UsbSession::UsbSession(std::shared_ptr<UsbContext> context, libusb_device_handle* handle,
                       const ProgrammerInterface& interface, std::string path)
    : context_(std::move(context)), handle_(handle), interface_(interface), path_(std::move(path)) {
    events_ = std::thread([this] { RunEvents(); });
}

UsbSession::~UsbSession() {
    {
        std::unique_lock lock(held_mutex_);
        held_changed_.wait(lock, [&] { return held_transfers_ == 0; });
    }
    stop_ = true;
    // Wakes the thread from its wait for USB events; the request is kept
    // until handled, so it cannot be lost between the test and the wait.
    libusb_interrupt_event_handler(context_->get());
    events_.join();
    libusb_release_interface(handle_, interface_.number);
    libusb_close(handle_);
}

void UsbSession::RunEvents() {
    // Completions are delivered here; the transfer routines sleep on their
    // pipe's condition variable meanwhile. The timeout only bounds how long
    // a stop request could go unnoticed if the wake-up were missed.
    while (!stop_) {
        timeval timeout{1, 0};
        libusb_handle_events_timeout_completed(context_->get(), &timeout, nullptr);
    }
}

bool UsbSession::TakePipe(int number) {
    std::lock_guard lock(pipes_mutex_);
    const unsigned bit = 1u << number;
    if (pipes_taken_ & bit) return false;
    pipes_taken_ |= bit;
    return true;
}

void UsbSession::GiveBackPipe(int number) {
    std::lock_guard lock(pipes_mutex_);
    pipes_taken_ &= ~(1u << number);
}

void UsbSession::HoldForTransfer() {
    std::lock_guard lock(held_mutex_);
    ++held_transfers_;
}

void UsbSession::TransferEnded() {
    std::lock_guard lock(held_mutex_);
    --held_transfers_;
    held_changed_.notify_all();
}

}  // namespace dspprog
