// SPDX-License-Identifier: GPL-3.0-or-later
// Discovery through SetupAPI on a system without the programmer, and the
// interface class as SetupAPI gets it.

#include <gtest/gtest.h>

#include <cstring>

#include "link/discovery.h"
#include "link/programmer_list.h"
#include "link/win32/setupapi_enumerator.h"

namespace dspprog {
namespace {

TEST(SetupApiDiscovery, NoProgrammerGivesFalseAndAnEmptyPath) {
    SetupApiEnumerator enumerator;
    std::string path = "left over";
    EXPECT_FALSE(GetSymbolicLink(enumerator, kProgrammerInterfaceGuid, kProgrammerVendor,
                                 kProgrammerProduct, kProgrammerManufacturer, path));
    EXPECT_EQ(path, "");
}

TEST(SetupApiDiscovery, EmptySetAnswersEveryStepAsFailed) {
    SetupApiEnumerator enumerator;
    ASSERT_TRUE(enumerator.Begin(kProgrammerInterfaceGuid));
    EXPECT_FALSE(enumerator.Exists(0));
    EXPECT_EQ(enumerator.DetailSize(0), 0u);
    EXPECT_FALSE(enumerator.ReadPath(0));
    EXPECT_EQ(enumerator.Manufacturer(0), "");
    enumerator.End();
    enumerator.End();  // released once; the second is harmless
    EXPECT_FALSE(enumerator.Exists(0));
}

TEST(SetupApiDiscovery, ClassThatIsNotAGuidMakesNoSet) {
    SetupApiEnumerator enumerator;
    for (const char* text : {"", "not a guid", "{00873FDF-61A8-11D1-AA5E-00C04FB1728B",
                             "{00873FDF-61A8-11D1-AA5E-00C04FB1728BX}"}) {
        EXPECT_FALSE(enumerator.Begin(text)) << text;
    }
}

TEST(SetupApiDiscovery, InterfaceClassKeepsItsByteOrder) {
    const GUID expected = {
        0x00873FDF, 0x61A8, 0x11D1, {0xAA, 0x5E, 0x00, 0xC0, 0x4F, 0xB1, 0x72, 0x8B}};
    for (const char* text :
         {"{00873FDF-61A8-11D1-AA5E-00C04FB1728B}", "00873fdf-61a8-11d1-aa5e-00c04fb1728b"}) {
        GUID guid{};
        ASSERT_TRUE(ParseInterfaceClass(text, guid)) << text;
        EXPECT_EQ(guid.Data1, expected.Data1);
        EXPECT_EQ(guid.Data2, expected.Data2);
        EXPECT_EQ(guid.Data3, expected.Data3);
        EXPECT_EQ(0, std::memcmp(guid.Data4, expected.Data4, sizeof guid.Data4));
    }
}

TEST(SetupApiListing, NoProgrammerListsNothing) {
    SetupApiEnumerator enumerator;
    EXPECT_TRUE(ListProgrammers(enumerator).empty());
}

TEST(SetupApiListing, SerialIsTheInstanceIdsLastPartUnlessWindowsMadeItUp) {
    const struct {
        const char* id;
        const char* serial;
    } cases[] = {
        {"USB\\VID_1992&PID_2003\\A1", "A1"},
        {"USB\\VID_1992&PID_2003\\5&2F1C0A&0&1", ""},
        {"USB\\VID_1992&PID_2003", ""},  // no part after the IDs
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(SerialFromInstanceId(c.id), c.serial) << c.id;
}

TEST(SetupApiListing, AWrongDriverIsNamed) {
    EXPECT_NE(WrongDriverText("WinUSB").find("\"WinUSB\""), std::string::npos);
    EXPECT_NE(WrongDriverText("").find("драйвер для него не установлен"), std::string::npos);
}

}  // namespace
}  // namespace dspprog
