// SPDX-License-Identifier: GPL-3.0-or-later
// Setting up the --emulate programmer: the chip, its file, its identification
// bytes and its wire log.

#include "emulator/emulated_programmer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "cli_fixture.h"

namespace dspprog::testing {
namespace {

using emu::EmulatedProgrammer;
using emu::EmulatorOptions;
using Ident = std::array<std::uint8_t, 15>;

class CliEmulatorSetUp : public CliTest {
protected:
    std::unique_ptr<EmulatedProgrammer> Make(const EmulatorOptions& options,
                                             const std::string& catalogue_path) {
        error.clear();
        return EmulatedProgrammer::Create(options, catalogue_path, clock, error);
    }
    std::unique_ptr<EmulatedProgrammer> Make(const std::string& chip) {
        EmulatorOptions options;
        options.chip = chip;
        return Make(options, catalogue.path());
    }

    std::string error;
};

TEST(CliParseIdent, TakesExactlyThirtyHexDigits) {
    Ident ident{};
    std::string error;
    ASSERT_TRUE(emu::ParseIdent("00112233445566778899aAbBcCdDeE", ident, error)) << error;
    EXPECT_EQ(ident, (Ident{0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB,
                            0xCC, 0xDD, 0xEE}));
    for (const char* bad : {"", "0011", "00112233445566778899AABBCCDDEEFF",
                            "0011223344556677889900AABBCCDDX", "00 11 22 33 44 55 66 77 88 99"}) {
        EXPECT_FALSE(emu::ParseIdent(bad, ident, error)) << bad;
        EXPECT_NE(error.find("30 hex digits"), std::string::npos);
    }
}

TEST_F(CliEmulatorSetUp, CodeSizeTypeNeedsNoCatalogue) {
    EmulatorOptions options;
    options.chip = "ab05:16384:$FC00";
    const auto programmer = Make(options, Path("no-such.db"));
    ASSERT_TRUE(programmer) << error;
    EXPECT_EQ(programmer->firmware().chip().size(), 16384u);
    EXPECT_EQ(programmer->firmware().chip().type(), 0xFC00);
    // Bytes 1 and 2 carry the code; the rest are zero.
    EXPECT_EQ(programmer->firmware().ident(), (Ident{0xAB, 0x05}));

    options.chip = "0120:524288:0xFD00";
    const auto hex = Make(options, Path("no-such.db"));
    ASSERT_TRUE(hex) << error;
    EXPECT_EQ(hex->firmware().chip().type(), 0xFD00);
    options.chip = "0120:1048576:255";
    ASSERT_TRUE(Make(options, Path("no-such.db"))) << error;
}

TEST_F(CliEmulatorSetUp, MalformedCodeSizeTypeIsRefused) {
    for (const auto& [chip, reason] : std::vector<std::pair<std::string, std::string>>{
             {"AB5:8192:255", "CODE must be 4 hex digits"},
             {"AB0G:8192:255", "CODE must be 4 hex digits"},
             {"AB05:4096:255", "SIZE must be"},
             {"AB05:12288:255", "SIZE must be"},
             {"AB05:2097152:255", "SIZE must be"},
             {"AB05:8K:255", "SIZE must be"},
             {"AB05:8192:65536", "TYPE must be"},
             {"AB05:8192:$", "TYPE must be"},
             {"AB05:8192:-1", "TYPE must be"},
             {"AB05:8192", "neither a catalogue name nor CODE:SIZE:TYPE"},
             {"AB05:8192:255:1", "neither a catalogue name nor CODE:SIZE:TYPE"},
         }) {
        EXPECT_FALSE(Make(chip)) << chip;
        EXPECT_NE(error.find(reason), std::string::npos) << chip << ": " << error;
    }
}

TEST_F(CliEmulatorSetUp, ACatalogueNameOrCodeIsFoundIgnoringCase) {
    for (const char* chip : {"test eprom 8k", "TEST EPROM 8K", "ab06", "AB06"}) {
        const auto programmer = Make(chip);
        ASSERT_TRUE(programmer) << chip << ": " << error;
        EXPECT_EQ(programmer->firmware().chip().size(), 8192u);
        EXPECT_EQ(programmer->firmware().chip().type(), 0xFE00);
        EXPECT_EQ(programmer->firmware().ident(), (Ident{0xAB, 0x06}));
    }
    // The last row is looked at too.
    const auto last = Make("Test Huge");
    ASSERT_TRUE(last) << error;
    EXPECT_EQ(last->firmware().chip().size(), 1048576u);
}

TEST_F(CliEmulatorSetUp, CatalogueRowsThatCannotBeUsedAreRefused) {
    EXPECT_FALSE(Make("Test Nothing"));
    EXPECT_NE(error.find("is not in the catalogue"), std::string::npos) << error;

    catalogue.Write(
        {{"AB05", "Odd Size", "64k", "4", "1", "255"}, {"XY", "Odd Code", "64K", "4", "1", "255"}});
    EXPECT_FALSE(Make("Odd Size"));
    EXPECT_NE(error.find("unknown Size '64k'"), std::string::npos) << error;
    EXPECT_FALSE(Make("Odd Code"));
    EXPECT_NE(error.find("not 4 hex digits"), std::string::npos) << error;

    EmulatorOptions by_code;
    by_code.chip = "AB05";
    EXPECT_FALSE(Make(by_code, Path("no-such.db")));
    EXPECT_NE(error.find("cannot be opened"), std::string::npos) << error;
}

TEST_F(CliEmulatorSetUp, ACodeThenANameThenAUniquePartOfANameNamesTheChip) {
    catalogue.Write({{"AB05", "Test Flash 8K", "64K", "4", "1", "255"},
                     {"AB06", "Test EPROM 8K", "64K", "0", "0", "65024"},
                     {"AB07", "AB05", "128K", "4", "1", "255"},
                     {"AB09", "Other Flash 512K", "4M", "4", "1", "255"}});
    struct Case {
        const char* chip;
        std::uint8_t dev;  // of the row chosen; 0 for none
        const char* error;
    };
    for (const Case& c : std::vector<Case>{
             {"AB05", 0x05, ""},           // a Code comes before a Name
             {"Test EPROM 8K", 0x06, ""},  // the whole Name
             {"eprom", 0x06, ""},          // a part of one Name, any case
             {"512k", 0x09, ""},
             {"flash", 0, "matches 2 catalogue rows"},
             {"ab06", 0x06, ""},  // a Code in either case
             {"Test EPROM 16K", 0, "is not in the catalogue"},
         }) {
        SCOPED_TRACE(c.chip);
        const auto programmer = Make(c.chip);
        EXPECT_EQ(programmer != nullptr, c.dev != 0) << error;
        if (programmer) {
            EXPECT_EQ(programmer->firmware().ident()[1], c.dev);
        }
        EXPECT_NE(error.find(c.error), std::string::npos) << error;
    }
    Make("flash");
    EXPECT_NE(error.find("\n  AB05  Test Flash 8K\n  AB09  Other Flash 512K"), std::string::npos)
        << error;
}

TEST_F(CliEmulatorSetUp, TheChipFileIsCreatedErasedLoadedOrRefused) {
    EmulatorOptions options;
    options.chip = "AB05:8192:255";
    options.chip_file = Path("chip.bin");
    ASSERT_TRUE(Make(options, catalogue.path())) << error;
    EXPECT_EQ(ReadBytes(*options.chip_file), std::vector<std::uint8_t>(8192, 0xFF));

    std::vector<std::uint8_t> content(8192, 0x5A);
    content[100] = 0x00;
    WriteBytes(*options.chip_file, content);
    const auto loaded = Make(options, catalogue.path());
    ASSERT_TRUE(loaded) << error;
    EXPECT_EQ(loaded->firmware().chip().content(), content);

    options.chip_file = catalogue.dir().string();
    EXPECT_FALSE(Make(options, catalogue.path()));
    EXPECT_NE(error.find("не обычный файл"), std::string::npos) << error;

    options.chip_file = Path("no-such-dir/chip.bin");
    EXPECT_FALSE(Make(options, catalogue.path()));
    EXPECT_NE(error.find("не удаётся создать"), std::string::npos) << error;
}

TEST_F(CliEmulatorSetUp, OptionsReachTheFirmware) {
    EmulatorOptions options;
    options.chip = "AB05:8192:255";
    options.ident = Ident{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    options.faults.refuse.insert(0x83);
    const auto timed = Make(options, catalogue.path());
    ASSERT_TRUE(timed) << error;
    EXPECT_EQ(timed->firmware().ident(), *options.ident);
    EXPECT_EQ(timed->firmware().faults().refuse, std::set<std::uint8_t>{0x83});
    EXPECT_TRUE(timed->firmware().timing().enabled);

    options.fast = true;
    const auto fast = Make(options, catalogue.path());
    ASSERT_TRUE(fast) << error;
    EXPECT_FALSE(fast->firmware().timing().enabled);
}

TEST_F(CliEmulatorSetUp, TheWireLogIsWrittenWhenTheProgrammerGoes) {
    EmulatorOptions options;
    options.chip = "AB05:8192:255";
    options.fast = true;
    options.wire_log = Path("wire.txt");
    WriteBytes(*options.wire_log, {'o', 'l', 'd', '\n'});  // replaced, not appended to
    {
        auto programmer = Make(options, catalogue.path());
        ASSERT_TRUE(programmer) << error;
        std::array<std::uint8_t, 16> command{0x80};
        programmer->firmware().HostWrite(emu::PipeRole::CmdOut, command.data(), 16, 0);
        std::array<std::uint8_t, 16> reply{};
        programmer->firmware().HostRead(emu::PipeRole::CmdIn, reply.data(), 16, 0);
    }
    EXPECT_EQ(ReadLines(*options.wire_log),
              (std::vector<std::string>{"CmdOut 80 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00",
                                        "CmdIn 00 AB 05 00 00 00 00 00 00 00 00 00 00 00 00 00"}));

    options.wire_log = catalogue.dir().string();
    const auto unwritable = Make(options, catalogue.path());
    ASSERT_TRUE(unwritable) << error;
    EXPECT_FALSE(unwritable->WriteWireLog());
}

}  // namespace
}  // namespace dspprog::testing
