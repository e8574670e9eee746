// SPDX-License-Identifier: GPL-3.0-or-later
// Several emulated programmers: listing them, choosing one, and running a
// command on all of them at once.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "cli/run_cli.h"
#include "cli_fixture.h"
#include "support/bytes.h"

namespace dspprog::testing {
namespace {

using Lines = std::vector<std::string>;

const std::string kPath1 =
    "\\\\?\\usb#vid_1992&pid_2003#emulated#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";
const std::string kPath2 =
    "\\\\?\\usb#vid_1992&pid_2003#emulated-2#{00873fdf-61a8-11d1-aa5e-00c04fb1728b}";

// Flash, EPROM, flash: the chip a run identifies tells which programmer it used.
constexpr const char* kThree = "AB05:8192:255,AB06:8192:$FE00,AB05:8192:255";

struct ChoiceCase {
    const char* name;
    Lines rest;
    int status;
    std::string out_has;  // a whole line of standard output; empty: nothing on it
    std::string err_has = {};
};

void PrintTo(const ChoiceCase& c, std::ostream* out) {
    *out << c.name;
}

class CliDeviceChoice : public CliTest, public ::testing::WithParamInterface<ChoiceCase> {};

TEST_P(CliDeviceChoice, RunsOnTheProgrammerNamedOrRefuses) {
    const ChoiceCase& c = GetParam();
    const CliResult run = Run(Emulate(kThree, c.rest));
    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.out_has.empty()) {
        EXPECT_EQ(run.out, "");
    } else {
        EXPECT_NE(run.out.find(c.out_has + "\n"), std::string::npos) << run.out;
    }
    EXPECT_NE(run.err.find(c.err_has), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliDeviceChoice,
    ::testing::Values(
        ChoiceCase{"ListsEach", {"devices"}, kExitSucceeded, "2\tEMU2\temu-2\t" + kPath2},
        ChoiceCase{"FirstWithoutAChoice",
                   {"identify"},
                   kExitSucceeded,
                   "  Test Flash 8K. Объем: 8192 байт(а)."},
        ChoiceCase{"BySerial",
                   {"--device", "EMU2", "identify"},
                   kExitSucceeded,
                   "  Test EPROM 8K. Объем: 8192 байт(а)."},
        ChoiceCase{"ByLocation",
                   {"--device", "emu-2", "identify"},
                   kExitSucceeded,
                   "  Test EPROM 8K. Объем: 8192 байт(а)."},
        ChoiceCase{"ByNumber",
                   {"--device", "2", "identify"},
                   kExitSucceeded,
                   "  Test EPROM 8K. Объем: 8192 байт(а)."},
        ChoiceCase{"UnknownListsWhatIsThere",
                   {"--device", "EMU9", "identify"},
                   kExitUsage,
                   "",
                   "Программатора \"EMU9\" нет; найдены:\n  1\tEMU1\temu-1\t" + kPath1},
        ChoiceCase{
            "NotForTheListing", {"--device", "1", "devices"}, kExitUsage, "", "takes no --device"},
        ChoiceCase{"FaultForAProgrammerNotThere",
                   {"--fault", "4:fail:B0", "identify"},
                   kExitUsage,
                   "",
                   "there are 3 emulated programmers"},
        ChoiceCase{
            "FaultCountsFromOne", {"--fault", "0:fail:B0", "identify"}, kExitUsage, "", "from 1"},
        ChoiceCase{"AChipFileForEach",
                   {"--chip-file", "a.bin,b.bin", "identify"},
                   kExitUsage,
                   "",
                   "names 2 files for 3 emulated programmers"},
        ChoiceCase{"NoSharedChipFile",
                   {"--chip-file", "a.bin,b.bin,a.bin", "identify"},
                   kExitUsage,
                   "",
                   "for two programmers"}));

class CliGang : public CliTest {
protected:
    CliGang() { real_clock = true; }
};

// Each summary line: name, chip, verdict, time, for a read the sum, and
// for a failure why.
void ExpectSummary(const Lines& lines, std::size_t from, const std::vector<std::string>& heads,
                   const std::string& tail_pattern) {
    ASSERT_GE(lines.size(), from + heads.size());
    for (std::size_t i = 0; i < heads.size(); ++i) {
        const std::string& line = lines[from + i];
        EXPECT_EQ(line.rfind(heads[i] + "\t", 0), 0u) << line;
        EXPECT_TRUE(std::regex_match(line, std::regex(".*\t[0-9]+ мс" + tail_pattern))) << line;
    }
}

TEST_F(CliGang, AWriteFailingOnOneProgrammerEndsOnlyItsSite) {
    const std::vector<std::uint8_t> image = Pattern(8192, 3);
    WriteBytes(Path("image.bin"), image);
    const std::string files = Path("c1.bin") + "," + Path("c2.bin") + "," + Path("c3.bin");
    const CliResult run = Run(Emulate("AB05:8192:255,AB05:8192:255,AB05:8192:255",
                                      {"--chip-file", files, "--fault", "2:fail:B0", "--device",
                                       "all", "write", Path("image.bin")}));
    EXPECT_EQ(run.status, kExitFailed) << run.err;
    EXPECT_EQ(ReadBytes(Path("c1.bin")), image);
    EXPECT_NE(ReadBytes(Path("c2.bin")), image);
    EXPECT_EQ(ReadBytes(Path("c3.bin")), image);

    const Lines lines = run.lines();
    ASSERT_GE(lines.size(), 4u);
    const std::size_t summary = lines.size() - 4;
    ExpectSummary(lines, summary, {"EMU1\tTest Flash 8K\tOK"}, "");
    ExpectSummary(lines, summary + 1, {"EMU2\tTest Flash 8K\tОШИБКА"},
                  "\tЧип имеет: [0-9]+ ошибок\\(у/и\\)");
    ExpectSummary(lines, summary + 2, {"EMU3\tTest Flash 8K\tOK"}, "");
    EXPECT_EQ(lines.back(), "Программаторов: 3, OK: 2, ОШИБКА: 1");
    // Every log line before the summary belongs to a site.
    for (std::size_t i = 0; i < summary; ++i)
        EXPECT_TRUE(std::regex_search(lines[i], std::regex("^EMU[123]\t"))) << lines[i];
    for (const char* site : {"EMU1", "EMU3"})
        EXPECT_NE(run.out.find(std::string(site) + "\t  Чип записан без ошибок.\n"),
                  std::string::npos);
}

// Input no site can use ends a gang with the usage status, as it ends a run
// on one programmer: a script tells a bad file from a failed chip either way.
TEST_F(CliGang, UnusableInputGivesTheUsageStatusOfOneProgrammer) {
    WriteBytes(Path("image.bin"), Pattern(8192, 3));
    const std::vector<Lines> cases = {
        {"write", Path("missing.bin")},
        {"write", "--serial", "0x3000:1", Path("image.bin")},      // outside the chip
        {"write", "--serial", "0x10:300:1:1", Path("image.bin")},  // does not fit a byte
    };
    for (const Lines& args : cases) {
        SCOPED_TRACE(args[args.size() - 2]);
        EXPECT_EQ(Run(Emulate("AB05:8192:255", args)).status, kExitUsage);
        Lines gang = {"--device", "all"};
        gang.insert(gang.end(), args.begin(), args.end());
        EXPECT_EQ(Run(Emulate("AB05:8192:255,AB05:8192:255", gang)).status, kExitUsage);
    }
}

TEST_F(CliGang, AReadSavesOneFilePerProgrammerAndReplacesNone) {
    const std::vector<std::uint8_t> kept = {1, 2, 3};
    WriteBytes(Path("dump-EMU1.bin"), kept);
    const CliResult run = Run(Emulate("AB05:8192:255,AB05:8192:255",
                                      {"--device", "all", "read", "-o", Path("dump.bin")}));
    EXPECT_EQ(run.status, kExitFailed) << run.err;
    EXPECT_EQ(ReadBytes(Path("dump-EMU1.bin")), kept);
    EXPECT_EQ(ReadBytes(Path("dump-EMU2.bin")), std::vector<std::uint8_t>(8192, 0xFF));
    const Lines lines = run.lines();
    ASSERT_GE(lines.size(), 3u);
    ExpectSummary(lines, lines.size() - 3, {"EMU1\tTest Flash 8K\tОШИБКА"},
                  "\t-\tТакой файл существует: .*");
    // 8192 bytes of FF.
    ExpectSummary(lines, lines.size() - 2, {"EMU2\tTest Flash 8K\tOK"}, "\tE000h");
}

}  // namespace
}  // namespace dspprog::testing
