// SPDX-License-Identifier: GPL-3.0-or-later
// Listing every programmer present and choosing among them.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/device_choice.h"
#include "link/programmer_list.h"

namespace dspprog {
namespace {

std::string Path(const std::string& ids, const std::string& instance) {
    return "\\\\?\\usb#" + ids + "#" + instance + "#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";
}

const std::string kIds = "vid_1992&pid_2003";

// Interfaces in enumeration order: programmers with and without serials, one
// that cannot be opened, and neighbours the search passes over.
FixedEnumerator Bus() {
    return FixedEnumerator({
        {"Zelvandrik", Path(kIds, "a"), {"S-7", "1-1", ""}},
        {"Other", Path(kIds, "b"), {"S-X", "1-2", ""}},                   // another maker
        {"Zelvandrik", Path("vid_1992&pid_2004", "c"), {"", "1-3", ""}},  // another product
        {"Zelvandrik", Path(kIds, "d"), {"", "1-4.2", ""}},               // no serial
        {"", Path(kIds, "e"), {"", "1-5", "no permission on /dev/bus/usb/001/007"}},
        {"Zelvandrik", Path(kIds, "f"), {"1-4.2", "2-1", ""}},  // a serial like a location
    });
}

TEST(ProgrammerListing, EveryProgrammerInOrderWithTheReasonOfOneThatCannotOpen) {
    FixedEnumerator bus = Bus();
    std::vector<std::string> lines;
    for (const ProgrammerEntry& entry : ListProgrammers(bus)) lines.push_back(ListingLine(entry));
    EXPECT_EQ(lines,
              (std::vector<std::string>{
                  "1\tS-7\t1-1\t" + Path(kIds, "a"),
                  "2\t-\t1-4.2\t" + Path(kIds, "d"),
                  "3\t-\t1-5\t" + Path(kIds, "e") + "\tno permission on /dev/bus/usb/001/007",
                  "4\t1-4.2\t2-1\t" + Path(kIds, "f"),
              }));
}

TEST(ProgrammerListing, ASerialOfAnyBytesKeepsToItsFieldAndLine) {
    const ProgrammerEntry entry{0, 1, Path(kIds, "a"), {"A\tB\nC\x1B[2J", "1-1", "x\ty"}};
    EXPECT_EQ(ListingLine(entry), "1\tA\\tB\\nC\\x1B[2J\t1-1\t" + Path(kIds, "a") + "\tx\\ty");
}

// A gang's read files: no serial may lead a file into another folder, and no
// two programmers may share one.
TEST(ProgrammerFiles, EachTagHoldsOnlyNameCharactersAndNoTwoAreTheSame) {
    const auto entry = [](std::size_t number, const std::string& serial) {
        return ProgrammerEntry{0, number, "", {serial, "", ""}};
    };
    const std::vector<ProgrammerEntry> entries = {
        entry(1, "EMU-1_a"), entry(2, "../../etc"), entry(3, "a/b"), entry(4, "a\\b"),
        entry(5, ""),        entry(6, "Ж"),         entry(7, "x y"),
    };
    EXPECT_EQ(FileTags(entries), (std::vector<std::string>{"EMU-1_a", "______etc", "a_b-3", "a_b-4",
                                                           "5", "__", "x_y"}));
}

TEST(ProgrammerChoice, SerialThenLocationThenNumberThenPath) {
    struct Case {
        const char* selector;
        std::vector<std::size_t> numbers;  // of the entries chosen
    };
    const std::vector<Case> cases = {
        {"S-7", {1}},
        {"1-5", {3}},
        // A serial that reads like another's location is the serial's.
        {"1-4.2", {4}},
        {"2", {2}},
        {"all", {1, 2, 3, 4}},
        {"S-X", {}},  // not a programmer's
        {"9", {}},
        {"", {}},
    };
    FixedEnumerator bus = Bus();
    const std::vector<ProgrammerEntry> list = ListProgrammers(bus);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        std::vector<std::size_t> numbers;
        for (const ProgrammerEntry& entry : ChooseProgrammers(list, c.selector))
            numbers.push_back(entry.number);
        EXPECT_EQ(numbers, c.numbers);
    }
    const std::string by_path = Path(kIds, "f");
    ASSERT_EQ(ChooseProgrammers(list, by_path).size(), 1u);
    EXPECT_EQ(ChooseProgrammers(list, by_path).front().member, 5u);
}

TEST(ProgrammerChoice, TheSearchAmongTheChosenTakesTheFirstOfThem) {
    FixedEnumerator bus = Bus();
    const std::vector<ProgrammerEntry> list = ListProgrammers(bus);
    SubsetEnumerator chosen(bus, {list[3].member, list[0].member});
    std::string path;
    EXPECT_TRUE(GetSymbolicLink(chosen, kProgrammerInterfaceGuid, kProgrammerVendor,
                                kProgrammerProduct, kProgrammerManufacturer, path));
    EXPECT_EQ(path, Path(kIds, "f"));
}

}  // namespace
}  // namespace dspprog
