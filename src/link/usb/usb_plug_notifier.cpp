// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_plug_notifier.h"

#include <libusb.h>

#include "link/discovery.h"
#include "link/usb/usb_context.h"

namespace dspprog {

namespace {

// The search finds the programmer by "vid_1992&pid_2003" in the interface
// path, where the ids are spelt in hex: the device's ids are the constants'
// decimal digits read as hex digits.
constexpr int DigitsAsHex(std::uint32_t digits) {
    int value = 0;
    for (int shift = 0; digits != 0; digits /= 10, shift += 4)
        value |= static_cast<int>(digits % 10) << shift;
    return value;
}
static_assert(DigitsAsHex(kProgrammerVendor) == 0x1992);

int LIBUSB_CALL OnPlug(libusb_context*, libusb_device*, libusb_hotplug_event, void* data) {
    static_cast<UsbPlugNotifier*>(data)->Changed();
    return 0;  // stay registered
}

}  // namespace

UsbPlugNotifier::UsbPlugNotifier(std::shared_ptr<UsbContext> context)
    : context_(std::move(context)) {}

UsbPlugNotifier::~UsbPlugNotifier() {
    Stop();
}

bool UsbPlugNotifier::Start(std::function<void()> changed) {
    if (!context_ || registered_ || !libusb_has_capability(LIBUSB_CAP_HAS_HOTPLUG)) return false;
    {
        const std::lock_guard lock(changed_mutex_);
        changed_ = std::move(changed);
    }
    const int r = libusb_hotplug_register_callback(
        context_->get(),
        static_cast<libusb_hotplug_event>(LIBUSB_HOTPLUG_EVENT_DEVICE_ARRIVED |
                                          LIBUSB_HOTPLUG_EVENT_DEVICE_LEFT),
        static_cast<libusb_hotplug_flag>(0), DigitsAsHex(kProgrammerVendor),
        DigitsAsHex(kProgrammerProduct), LIBUSB_HOTPLUG_MATCH_ANY, OnPlug, this, &callback_);
    if (r != LIBUSB_SUCCESS) return false;
    registered_ = true;
    stopping_ = false;
    events_ = std::thread([this] { HandleEvents(); });
    return true;
}

void UsbPlugNotifier::HandleEvents() {
    // libusb delivers hot-plug callbacks only to a thread handling its events.
    // The wait ends on an event or when Stop interrupts it; the timeout only
    // covers a Stop that comes between the check and the wait.
    timeval wait{1, 0};
    while (!stopping_.load())
        libusb_handle_events_timeout_completed(context_->get(), &wait, nullptr);
}

void UsbPlugNotifier::Changed() {
    const std::lock_guard lock(changed_mutex_);
    if (changed_) changed_();
}

void UsbPlugNotifier::Stop() {
    if (!registered_) return;
    stopping_ = true;
    libusb_hotplug_deregister_callback(context_->get(), callback_);
    libusb_interrupt_event_handler(context_->get());
    if (events_.joinable()) events_.join();
    // A thread waiting for a transfer may be in the callback still.
    const std::lock_guard lock(changed_mutex_);
    changed_ = nullptr;
    registered_ = false;
}

}  // namespace dspprog
