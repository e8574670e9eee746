// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// libusb's hot-plug events for the programmer's vendor and product.

#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "link/plug_notifier.h"

namespace dspprog {

class UsbContext;

class UsbPlugNotifier final : public PlugNotifier {
public:
    // `context` may be null (libusb did not start): then Start says no.
    explicit UsbPlugNotifier(std::shared_ptr<UsbContext> context);
    ~UsbPlugNotifier() override;
    UsbPlugNotifier(const UsbPlugNotifier&) = delete;
    UsbPlugNotifier& operator=(const UsbPlugNotifier&) = delete;

    bool Start(std::function<void()> changed) override;
    void Stop() override;

    // What libusb calls, on whichever thread handles its events then (this
    // notifier's, or one waiting for a transfer).
    void Changed();

private:
    void HandleEvents();

    std::shared_ptr<UsbContext> context_;
    std::mutex changed_mutex_;
    std::function<void()> changed_;
    int callback_ = 0;
    bool registered_ = false;
    std::atomic<bool> stopping_{false};
    std::thread events_;
};

}  // namespace dspprog
