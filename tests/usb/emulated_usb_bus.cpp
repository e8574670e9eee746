// SPDX-License-Identifier: GPL-3.0-or-later
#include "usb/emulated_usb_bus.h"

#include <umockdev.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace dspprog::testing {

namespace {

constexpr const char* kRootHubPath = "/devices/pci0000:00/0000:00:14.0/usb1";

std::string NodeName(int devnum) {
    char name[32];
    std::snprintf(name, sizeof name, "bus/usb/001/%03d", devnum);
    return name;
}

// umockdev's form of the descriptors: lower case, no separators.
std::string DescriptorHex(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char pair[3];
    for (std::uint8_t b : bytes) {
        std::snprintf(pair, sizeof pair, "%02x", b);
        out += pair;
    }
    return out;
}

}  // namespace

EmulatedUsbBus::EmulatedUsbBus() : testbed_(umockdev_testbed_new()) {
    gchar* root = umockdev_testbed_get_root_dir(testbed_);
    root_ = root;
    g_free(root);
    sysfs_paths_["usb1"] = kRootHubPath;
    AddRecord("usb1", HubSpec(), 1);
}

EmulatedUsbBus::~EmulatedUsbBus() {
    // The testbed stops its handler thread before the devices go.
    g_object_unref(testbed_);
    devices_.clear();
}

bool EmulatedUsbBus::Active() {
    return umockdev_in_mock_environment();
}

void EmulatedUsbBus::RestartUnderPreload(char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if ((preload && std::string(preload).find("umockdev-preload") != std::string::npos) ||
        std::getenv("DSPPROG_UMOCKDEV_RESTARTED"))
        return;
    // AddressSanitizer insists on coming first; the preload does.
    std::string asan = std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "";
    asan += (asan.empty() ? "" : ":") + std::string("verify_asan_link_order=0");
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    setenv("LD_PRELOAD", "libumockdev-preload.so.0", 1);
    setenv("DSPPROG_UMOCKDEV_RESTARTED", "1", 1);
    execv("/proc/self/exe", argv);
}

std::string EmulatedUsbBus::SysfsPath(const std::string& place) const {
    // 1-2.3 hangs below 1-2, 1-2 below the root hub.
    const std::size_t dot = place.rfind('.');
    const std::string parent = dot == std::string::npos ? "usb1" : place.substr(0, dot);
    const auto found = sysfs_paths_.find(parent);
    if (found == sysfs_paths_.end()) throw std::logic_error("no hub at " + parent);
    return found->second + "/" + place;
}

void EmulatedUsbBus::AddRecord(const std::string& place, const UsbDeviceSpec& spec, int devnum) {
    char ids[64];
    std::snprintf(ids, sizeof ids, "A: idVendor=%04x\\n\nA: idProduct=%04x\\n\n", spec.vendor,
                  spec.product);
    char numbers[160];
    std::snprintf(numbers, sizeof numbers,
                  "E: BUSNUM=001\nE: DEVNUM=%03d\nA: busnum=1\\n\nA: devnum=%d\\n\n", devnum,
                  devnum);
    const std::string node = NodeName(devnum);
    const std::string record = "P: " + sysfs_paths_.at(place) + "\n" + "N: " + node + "\n" +
                               "E: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\n" +
                               numbers + "E: DEVNAME=/dev/" + node + "\n" + ids +
                               "A: speed=12\\n\nA: bConfigurationValue=1\\n\n" +
                               "H: descriptors=" + DescriptorHex(spec.Descriptors()) + "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + why);
    }
}

EmulatedUsbDevice& EmulatedUsbBus::Plug(const std::string& place, UsbDeviceSpec spec,
                                        emu::Firmware* firmware) {
    const int devnum = next_devnum_++;
    sysfs_paths_[place] = SysfsPath(place);
    auto device = std::make_unique<EmulatedUsbDevice>(spec, firmware);
    // The handler goes on the node before the device appears, so that no
    // one can open the node unserved.
    GError* error = nullptr;
    const std::string node = "/dev/" + NodeName(devnum);
    if (!umockdev_testbed_attach_ioctl(testbed_, node.c_str(), device->handler(), &error)) {
        const std::string why = error ? error->message : "?";
        g_clear_error(&error);
        throw std::runtime_error("umockdev: " + why);
    }
    AddRecord(place, spec, devnum);
    device->UseSignalNode(root_ + node);
    devices_.push_back(std::move(device));
    return *devices_.back();
}

void EmulatedUsbBus::Unplug(const std::string& place) {
    const std::string sysfs = "/sys" + sysfs_paths_.at(place);
    // The event is told while the device's properties can still be read.
    umockdev_testbed_uevent(testbed_, sysfs.c_str(), "remove");
    umockdev_testbed_remove_device(testbed_, sysfs.c_str());
    sysfs_paths_.erase(place);
}

void EmulatedUsbBus::PlugHub(const std::string& place) {
    sysfs_paths_[place] = SysfsPath(place);
    AddRecord(place, HubSpec(), next_devnum_++);
}

}  // namespace dspprog::testing
