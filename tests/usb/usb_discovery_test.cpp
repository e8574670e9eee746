// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the programmer among the devices on a bus, through libusb.

#include <string>

#include "link/discovery.h"
#include "link/usb/usb_enumerator.h"
#include "usb/usb_bus_fixture.h"

namespace dspprog::testing {
namespace {

class UsbDiscoveryTest : public UsbBusFixture {
protected:
    // The start-up's search over the bus as it is now.
    bool Search(std::string& path) {
        StartLibusb();
        UsbInterfaceEnumerator enumerator(context_);
        return GetSymbolicLink(enumerator, kGuid, kProgrammerVendor, kProgrammerProduct,
                               kProgrammerManufacturer, path);
    }
};

TEST_F(UsbDiscoveryTest, FindsTheProgrammerWithoutOpeningOtherDevices) {
    EmulatedUsbDevice& drive = bus_->Plug("1-1", FlashDriveSpec());
    EmulatedUsbDevice& programmer = bus_->Plug("1-2", ProgrammerSpec());

    std::string path = "stale";
    EXPECT_TRUE(Search(path));
    EXPECT_EQ(path, ProgrammerPath("1-2"));
    EXPECT_EQ(drive.counts().opens, 0);
    // Opened once, to read its manufacturer string, and closed again.
    EXPECT_EQ(programmer.counts().opens, 1);
    EXPECT_EQ(programmer.counts().claims, 0);
}

TEST_F(UsbDiscoveryTest, ManufacturerMustMatchWhole) {
    EmulatedUsbDevice& lower_case = bus_->Plug("1-1", ProgrammerSpec("zelvandrik"));
    EmulatedUsbDevice& trailing_blank = bus_->Plug("1-2", ProgrammerSpec("Zelvandrik "));

    std::string path = "stale";
    EXPECT_FALSE(Search(path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(lower_case.counts().opens, 1);
    EXPECT_EQ(trailing_blank.counts().opens, 1);
}

TEST_F(UsbDiscoveryTest, ADeviceWithoutManufacturerStringNeverMatches) {
    EmulatedUsbDevice& anonymous = bus_->Plug("1-2", ProgrammerSpec(""));

    std::string path = "stale";
    EXPECT_FALSE(Search(path));
    EXPECT_EQ(path, "");
    EXPECT_EQ(anonymous.counts().opens, 0);
}

TEST_F(UsbDiscoveryTest, PassesOverAnotherProductOfTheMakerAndFindsTheProgrammerBehindAHub) {
    EmulatedUsbDevice& sibling = bus_->Plug("1-1", ProgrammerSpec("Zelvandrik", 0x1992, 0x2004));
    bus_->PlugHub("1-3");
    bus_->Plug("1-3.2", ProgrammerSpec());

    std::string path;
    EXPECT_TRUE(Search(path));
    EXPECT_EQ(path, ProgrammerPath("1-3.2"));
    EXPECT_EQ(sibling.counts().opens, 1);
}

TEST_F(UsbDiscoveryTest, WithoutTheProgrammerThePathIsTheLastOneOfTheMaker) {
    bus_->Plug("1-1", ProgrammerSpec("Zelvandrik", 0x1992, 0x2004));
    bus_->Plug("1-2", FlashDriveSpec());

    std::string path;
    EXPECT_FALSE(Search(path));
    EXPECT_EQ(path, ProgrammerPath("1-1", "vid_1992&pid_2004"));
}

}  // namespace
}  // namespace dspprog::testing
