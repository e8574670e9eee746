// SPDX-License-Identifier: GPL-3.0-or-later
// libusb's word on programmers plugged in and removed while the program runs.

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "link/usb/usb_plug_notifier.h"
#include "usb/usb_bus_fixture.h"

namespace dspprog::testing {
namespace {

class UsbPlugNotifierTest : public UsbBusFixture {
protected:
    // Waits, a bounded time, until the notifier has called `count` times in all.
    bool WaitForCalls(int count) {
        std::unique_lock lock(mutex_);
        return called_.wait_for(lock, std::chrono::seconds(5), [&] { return calls_ >= count; });
    }
    int calls() {
        const std::lock_guard lock(mutex_);
        return calls_;
    }
    void Count() {
        const std::lock_guard lock(mutex_);
        ++calls_;
        called_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable called_;
    int calls_ = 0;
};

TEST_F(UsbPlugNotifierTest, CallsOnPlugAndUnplugOfTheProgrammerOnly) {
    StartLibusb();
    UsbPlugNotifier notifier(context_);
    ASSERT_TRUE(notifier.Start([this] { Count(); }));

    // Events come in order: once the programmer's has come, the drive's
    // would have come before it.
    bus_->Plug("1-1", FlashDriveSpec());
    bus_->Plug("1-2", ProgrammerSpec());
    ASSERT_TRUE(WaitForCalls(1)) << "no call on plugging in";
    EXPECT_EQ(calls(), 1);

    bus_->Unplug("1-1");
    bus_->Unplug("1-2");
    ASSERT_TRUE(WaitForCalls(2)) << "no call on unplugging";
    EXPECT_EQ(calls(), 2);

    notifier.Stop();
    bus_->Plug("1-3", ProgrammerSpec());
    bus_->Unplug("1-3");
    // Nothing to wait for: after Stop no thread handles the events.
    EXPECT_EQ(calls(), 2);
}

TEST_F(UsbPlugNotifierTest, SaysNoWithoutLibusb) {
    UsbPlugNotifier notifier(nullptr);
    EXPECT_FALSE(notifier.Start([this] { Count(); }));
}

}  // namespace
}  // namespace dspprog::testing
