// SPDX-License-Identifier: GPL-3.0-or-later
// The programmer search: which interface wins, and what the path holds on
// every way out.

#include <gtest/gtest.h>

#include <ostream>

#include <cstdint>
#include <string>
#include <vector>

#include "link/discovery.h"
#include "support/list_enumerator.h"

namespace dspprog {
namespace {

using Entry = ListEnumerator::Entry;

const std::string kMaker = kProgrammerManufacturer;
const std::string kProgrammer =
    "\\\\?\\usb#vid_1992&pid_2003#5&2f1c0a&0&1#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";
const std::string kSecondProgrammer =
    "\\\\?\\usb#vid_1992&pid_2003#5&2f1c0a&0&2#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";
const std::string kNoVendor =
    "\\\\?\\usb#vid_1993&pid_2003#6&11&0&1#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";
const std::string kNoProduct =
    "\\\\?\\usb#vid_1992&pid_2004#6&22&0&1#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";

struct Outcome {
    bool found;
    std::string path;
    int ended;
    int highest_examined;
};

// Runs the search with the programmer's own numbers; the path starts dirty so
// that "empty" proves it was cleared.
Outcome Search(ListEnumerator& list, std::uint32_t vendor = kProgrammerVendor,
               std::uint32_t product = kProgrammerProduct, const std::string& maker = kMaker) {
    std::string path = "left over from before";
    const bool found =
        GetSymbolicLink(list, kProgrammerInterfaceGuid, vendor, product, maker, path);
    return {found, path, list.ended(), list.highest_examined()};
}

Outcome Search(std::vector<Entry> entries) {
    ListEnumerator list(std::move(entries));
    return Search(list);
}

// --- Each way out of the search --------------------------------------------

TEST(DiscoveryExits, FoundReturnsTheInterfacePathAndReleasesTheSet) {
    const Outcome s = Search({{"Other maker", kProgrammer}, {kMaker, kProgrammer}});
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.path, kProgrammer);
    EXPECT_EQ(s.ended, 1);
}

TEST(DiscoveryExits, SetThatCannotBeMadeGivesFalseAndAnEmptyPath) {
    ListEnumerator list({{kMaker, kProgrammer}});
    list.FailBegin();
    const Outcome s = Search(list);
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.path, "");
    EXPECT_EQ(s.highest_examined, -1);
    EXPECT_EQ(s.ended, 0) << "there is no set to release";
}

TEST(DiscoveryExits, ExhaustedKeepsThePathOfTheLastMatchingManufacturer) {
    const Outcome s =
        Search({{kMaker, kNoVendor}, {kMaker, kNoProduct}, {"Other maker", kProgrammer}});
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.path, kNoProduct);
    EXPECT_EQ(s.ended, 1);
    EXPECT_EQ(s.highest_examined, 2);
}

TEST(DiscoveryExits, ExhaustedWithoutAMatchingManufacturerLeavesThePathEmpty) {
    const Outcome s = Search({{"Other maker", kProgrammer}});
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.path, "");
    EXPECT_EQ(s.ended, 1);
}

// A detail that cannot be read ends the search: the interfaces after it are
// not examined, even the programmer.
struct DetailFailure {
    const char* name;
    Entry broken;  // stands between a first interface and the programmer
};

// Test names carry the case; the parameter prints as its name alone.
void PrintTo(const DetailFailure& failure, std::ostream* out) { *out << failure.name; }

class DiscoveryDetailFailure : public ::testing::TestWithParam<DetailFailure> {};

TEST_P(DiscoveryDetailFailure, EndsTheSearchWithThePathAsBefore) {
    const DetailFailure& p = GetParam();
    {
        // Nothing matched before the broken interface.
        const Outcome s = Search({{"Other maker", kNoVendor}, p.broken, {kMaker, kProgrammer}});
        EXPECT_FALSE(s.found);
        EXPECT_EQ(s.path, "");
        EXPECT_EQ(s.ended, 1);
        EXPECT_EQ(s.highest_examined, 1);
    }
    {
        // A near miss before it keeps its path.
        const Outcome s = Search({{kMaker, kNoVendor}, p.broken, {kMaker, kProgrammer}});
        EXPECT_FALSE(s.found);
        EXPECT_EQ(s.path, kNoVendor);
        EXPECT_EQ(s.ended, 1);
        EXPECT_EQ(s.highest_examined, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllReads, DiscoveryDetailFailure,
    ::testing::Values(DetailFailure{"SizeZeroOnFirstRead", {kMaker, kSecondProgrammer, 0, -1}},
                      DetailFailure{"SizeZeroOnSecondRead", {kMaker, kSecondProgrammer, 1, -1}},
                      DetailFailure{"FirstReadFails", {kMaker, kSecondProgrammer, -1, 0}},
                      DetailFailure{"SecondReadFails", {kMaker, kSecondProgrammer, -1, 1}},
                      // A device of another maker whose detail cannot be read stops the search too.
                      DetailFailure{"OtherMakerSizeZero", {"Other maker", kNoProduct, 0, -1}},
                      DetailFailure{"OtherMakerReadFails", {"Other maker", kNoProduct, -1, 0}}),
    [](const ::testing::TestParamInfo<DetailFailure>& row) { return row.param.name; });

// --- Which interface wins ---------------------------------------------------

TEST(DiscoveryChoice, NoDeviceOfTheClassGivesFalseAndAnEmptyPath) {
    const Outcome s = Search(std::vector<Entry>{});
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.path, "");
    EXPECT_EQ(s.ended, 1);
}

TEST(DiscoveryChoice, TheFirstOfTwoProgrammersWinsAndTheSecondIsNeverExamined) {
    const Outcome s = Search({{kMaker, kProgrammer}, {kMaker, kSecondProgrammer}});
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.path, kProgrammer);
    EXPECT_EQ(s.highest_examined, 0);
}

TEST(DiscoveryChoice, SameMakerWithoutVendorOrProductIsNoMatchButLeavesItsPath) {
    for (const std::string& near_miss : {kNoVendor, kNoProduct}) {
        const Outcome s = Search({{kMaker, near_miss}});
        EXPECT_FALSE(s.found) << near_miss;
        EXPECT_EQ(s.path, near_miss);
    }
}

TEST(DiscoveryChoice, ManufacturerMustMatchWholeAndExactly) {
    for (const char* maker : {"zelvandrik", "ZELVANDRIK", "Zelvandrik Ltd", "Zelvandrik ",
                              " Zelvandrik", "Zelvandri"}) {
        const Outcome s = Search({{maker, kProgrammer}});
        EXPECT_FALSE(s.found) << '"' << maker << '"';
        EXPECT_EQ(s.path, "") << '"' << maker << '"';
    }
}

TEST(DiscoveryChoice, UnreadableManufacturerNeverMatches) {
    const Outcome s = Search({{"", kProgrammer}});
    EXPECT_FALSE(s.found);
    EXPECT_EQ(s.path, "");
}

TEST(DiscoveryChoice, VendorAndProductTextsAreCaseSensitive) {
    const std::string upper =
        "\\\\?\\USB#VID_1992&PID_2003#5&2f1c0a&0&1#{00873FDF-61A8-11D1-AA5E-00C04FB1728B}";
    const std::string upper_vendor_only = "\\\\?\\usb#VID_1992&pid_2003#1";
    for (const std::string& path : {upper, upper_vendor_only}) {
        const Outcome s = Search({{kMaker, path}});
        EXPECT_FALSE(s.found) << path;
        EXPECT_EQ(s.path, path);
    }
}

TEST(DiscoveryChoice, VendorAndProductMayStandAnywhereInEitherOrder) {
    for (const std::string path : {"\\\\?\\usb#pid_2003&vid_1992#1", "vid_1992pid_2003",
                                   "\\\\?\\usb#x#pid_2003#y#vid_1992", "pid_20031&vid_19920"}) {
        const Outcome s = Search({{kMaker, path}});
        EXPECT_TRUE(s.found) << path;
        EXPECT_EQ(s.path, path);
    }
}

TEST(DiscoveryChoice, NumbersAreWrittenInDecimalNotHex) {
    // 1992 and 2003 are 0x7C8 and 0x7D3: a path spelled in hex is not the programmer.
    EXPECT_FALSE(Search({{kMaker, "\\\\?\\usb#vid_07c8&pid_07d3#1"}}).found);
    EXPECT_FALSE(Search({{kMaker, "\\\\?\\usb#vid_07C8&pid_07D3#1"}}).found);
}

TEST(DiscoveryChoice, OtherNumbersBuildTheirOwnTexts) {
    ListEnumerator list({{kMaker, "usb#vid_1992&pid_2003"}, {kMaker, "usb#vid_0007&pid_12345"}});
    const Outcome s = Search(list, 7, 12345);
    EXPECT_TRUE(s.found);
    EXPECT_EQ(s.path, "usb#vid_0007&pid_12345");
}

TEST(DiscoveryTexts, FourDecimalDigitsAtLeastNeverCut) {
    EXPECT_EQ(VendorText(1992), "vid_1992");
    EXPECT_EQ(ProductText(2003), "pid_2003");
    EXPECT_EQ(VendorText(7), "vid_0007");
    EXPECT_EQ(VendorText(0), "vid_0000");
    EXPECT_EQ(ProductText(42), "pid_0042");
    EXPECT_EQ(VendorText(12345), "vid_12345");
    EXPECT_EQ(ProductText(4294967295u), "pid_4294967295");
}

}  // namespace
}  // namespace dspprog
