// SPDX-License-Identifier: GPL-3.0-or-later
// Finding the programmer among the devices on a bus, through libusb.

#include <string>

#include <libusb.h>

#include <vector>

#include "link/device_choice.h"
#include "link/discovery.h"
#include "link/programmer_list.h"
#include "link/usb/usb_enumerator.h"
#include "link/usb/usb_session.h"
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

UsbDeviceSpec WithSerial(std::string serial) {
    UsbDeviceSpec spec = ProgrammerSpec();
    spec.serial = std::move(serial);
    return spec;
}

TEST_F(UsbDiscoveryTest, ListsEveryProgrammerWithSerialAndPortAndASerialChoosesOne) {
    bus_->Plug("1-1", WithSerial("A1"));
    bus_->Plug("1-2", FlashDriveSpec());
    bus_->PlugHub("1-3");
    bus_->Plug("1-3.2", WithSerial("B2"));
    bus_->Plug("1-4", ProgrammerSpec());
    StartLibusb();
    UsbInterfaceEnumerator enumerator(context_);

    const std::vector<ProgrammerEntry> list = ListProgrammers(enumerator);
    std::vector<std::string> lines;
    for (const ProgrammerEntry& entry : list) lines.push_back(ListingLine(entry));
    EXPECT_EQ(lines, (std::vector<std::string>{"1\tA1\t1-1\t" + ProgrammerPath("1-1"),
                                               "2\tB2\t1-3.2\t" + ProgrammerPath("1-3.2"),
                                               "3\t-\t1-4\t" + ProgrammerPath("1-4")}));

    const std::vector<ProgrammerEntry> chosen = ChooseProgrammers(list, "B2");
    ASSERT_EQ(chosen.size(), 1u);
    SubsetEnumerator subset(enumerator, {chosen.front().member});
    std::string path;
    EXPECT_TRUE(GetSymbolicLink(subset, kGuid, kProgrammerVendor, kProgrammerProduct,
                                kProgrammerManufacturer, path));
    EXPECT_EQ(path, ProgrammerPath("1-3.2"));
}

TEST(UsbOpenProblem, NamesTheDeviceNodeAndTheUdevRuleForARefusedPermission) {
    const std::string text = OpenProblemText(1, 7, LIBUSB_ERROR_ACCESS);
    EXPECT_NE(text.find("нет прав на /dev/bus/usb/001/007"), std::string::npos) << text;
    EXPECT_NE(text.find("60-dspprog.rules"), std::string::npos) << text;
}

}  // namespace
}  // namespace dspprog::testing
