// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A USB bus under umockdev: sysfs entries and /dev/bus/usb nodes that libusb
// enumerates and opens as it would real devices, each node served by an
// EmulatedUsbDevice. Only meaningful in a process started with umockdev's
// preload library; Active() tells.
//
// Build the bus (devices included) before creating a libusb context, and
// destroy every libusb object before the bus.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "emulator/firmware.h"
#include "usb/emulated_usb_device.h"
#include "usb/usb_descriptors.h"

typedef struct _UMockdevTestbed UMockdevTestbed;

namespace dspprog::testing {

class EmulatedUsbBus {
public:
    // Bus 1 with its root hub.
    EmulatedUsbBus();
    ~EmulatedUsbBus();
    EmulatedUsbBus(const EmulatedUsbBus&) = delete;
    EmulatedUsbBus& operator=(const EmulatedUsbBus&) = delete;

    // True when libusb in this process will see this bus instead of the real one.
    static bool Active();
    // Restarts the program (same arguments) with umockdev's preload library
    // unless it runs with it already; returns only when it does, or when the
    // restart failed. Call first thing in main.
    static void RestartUnderPreload(char** argv);

    // Plugs a device in at `place` ("1-2": port 2 of the root hub; "1-2.3":
    // port 3 of the hub at 1-2, which must be plugged in first). `firmware`
    // serves its bulk endpoints; it must outlive the bus.
    EmulatedUsbDevice& Plug(const std::string& place, UsbDeviceSpec spec,
                            emu::Firmware* firmware = nullptr);
    // Pulls out what was plugged in at `place`; its object stays alive, unserved.
    void Unplug(const std::string& place);
    // A hub: no requests served, only a place for devices below it.
    void PlugHub(const std::string& place);

private:
    std::string SysfsPath(const std::string& place) const;
    void AddRecord(const std::string& place, const UsbDeviceSpec& spec, int devnum);

    UMockdevTestbed* testbed_;
    std::string root_;
    std::map<std::string, std::string> sysfs_paths_;
    std::vector<std::unique_ptr<EmulatedUsbDevice>> devices_;
    int next_devnum_ = 2;
};

}  // namespace dspprog::testing
