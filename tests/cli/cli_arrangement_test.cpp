// SPDX-License-Identifier: GPL-3.0-or-later
// Arranged images on the command line, judged by srec_cat building the same
// image from the same files: placed files and their fill, the byte swap, the
// lanes of a 16-bit board and their interleaving, for the image command and
// for the chip; the sums; and each refusal, which costs nothing but the
// identification.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "cli_fixture.h"
#include "image/checksums.h"
#include "startup/exit_status.h"
#include "support/bytes.h"
#include "support/outside_tool.h"

namespace dspprog::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Args = std::vector<std::string>;

class CliArrangement : public CliOnChip {
protected:
    CliArrangement() {
        WriteBytes(Path("a.bin"), Pattern(0x4000, 1));  // a whole 16-bit image
        WriteBytes(Path("b.bin"), Pattern(0x1000, 2));
        WriteBytes(Path("c.bin"), Pattern(0x800, 3));
        WriteBytes(Path("b.bin@16"), Pattern(0x1000, 2));  // a name, not b.bin at 16
    }

    // What srec_cat makes of `arguments` (file names in the test's
    // directory), as raw bytes.
    Bytes Expected(const std::string& arguments) {
        std::string said;
        std::string quoted = arguments;  // the shell must leave srec_cat's parentheses
        for (std::size_t at = 0; (at = quoted.find_first_of("()", at)) != std::string::npos;
             at += 3)
            quoted.replace(at, 1, "'" + quoted.substr(at, 1) + "'");
        const std::string command = "srec_cat " + quoted + " -o expected.bin -binary";
        EXPECT_TRUE(RunInDir(catalogue.dir().string(), command, said)) << command << "\n" << said;
        return ReadBytes(Path("expected.bin"));
    }

    // Intel HEX inputs made by the judge itself: a boot block at 0, and
    // records at 0x10000 on, for an --offset to bring down. False (the test
    // skips) without srec_cat.
    bool MakeHexInputs() {
        if (!HaveTool("srec_cat")) return false;
        std::string said;
        EXPECT_TRUE(RunInDir(catalogue.dir().string(),
                             "srec_cat c.bin -binary -o boot.hex -intel && "
                             "srec_cat b.bin -binary -offset 0x10000 -o high.hex -intel",
                             said))
            << said;
        return true;
    }
};

TEST_F(CliArrangement, TheImageCommandMakesWhatSrecCatMakes) {
    if (!MakeHexInputs()) GTEST_SKIP() << "srec_cat (package srecord) is not installed";
    struct Case {
        Args ours;         // after "image", before "-o"
        const char* srec;  // srec_cat's inputs and filters
    };
    const std::vector<Case> cases = {
        {{"a.bin", "b.bin@0x5000", "--size", "0x8000"},
         "( a.bin -binary b.bin -binary -offset 0x5000 ) -fill 0xFF 0 0x8000"},
        {{"boot.hex", "b.bin@0x1000", "--fill", "0"},
         "( boot.hex -intel b.bin -binary -offset 0x1000 ) -fill 0x00 0 0x2000"},
        {{"high.hex@0x100", "--offset", "0x10000", "--fill", "0x5A"},
         "high.hex -intel -offset -0xFF00 -fill 0x5A 0 0x1100"},
        {{"b.bin@16"}, "b.bin -binary"},
        {{"a.bin", "--swap"}, "a.bin -binary -byte-swap 2"},
        {{"a.bin", "--split", "2:0"}, "a.bin -binary -split 2 0"},
        {{"a.bin", "--split", "2:1"}, "a.bin -binary -split 2 1"},
        {{"a.bin", "--split", "4:3"}, "a.bin -binary -split 4 3"},
        {{"a.bin", "--swap", "--split", "2:1"}, "a.bin -binary -byte-swap 2 -split 2 1"},
        {{"--interleave", "2", "b.bin", "c.bin@0"}, nullptr},  // refused: no address to a lane
        {{"--interleave", "2", "b.bin", "a.bin"}, nullptr},    // refused: unequal lanes
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string out = "out" + std::to_string(n++) + ".bin";
        Args args = {"image"};
        args.insert(args.end(), c.ours.begin(), c.ours.end());
        args.insert(args.end(), {"-o", Path(out)});
        for (std::string& arg : args)
            if (arg.find(".bin") != std::string::npos || arg.find(".hex") != std::string::npos)
                arg = Path(arg);
        SCOPED_TRACE(c.srec ? c.srec : c.ours.back());
        const CliResult run = Run(args);
        if (!c.srec) {
            EXPECT_EQ(run.status, kExitUsage);
            EXPECT_FALSE(run.err.empty());
            continue;
        }
        ASSERT_EQ(run.status, kExitSucceeded) << run.err;
        const Bytes made = ReadBytes(Path(out));
        EXPECT_EQ(made, Expected(c.srec));
        // The length, then the sums of what was written.
        std::vector<std::string> expected = {"  Образ: \"" + Path(out) + "\", " +
                                             std::to_string(made.size()) + " байт."};
        for (const std::string& line : SumLines(ComputeSums(made))) expected.push_back(line);
        EXPECT_EQ(run.lines(), expected);
    }

    // The lanes of a 16-bit board, interleaved back: srec_cat's -unsplit.
    ASSERT_EQ(Run({"image", Path("a.bin"), "--split", "2:0", "-o", Path("even.bin")}).status, 0);
    ASSERT_EQ(Run({"image", Path("a.bin"), "--split", "2:1", "-o", Path("odd.bin")}).status, 0);
    ASSERT_EQ(Run({"image", "--interleave", "2", Path("even.bin"), Path("odd.bin"), "-o",
                   Path("whole.hex")})
                  .status,
              0);
    const Bytes whole = Expected("whole.hex -intel");
    EXPECT_EQ(whole, Expected("even.bin -binary -unsplit 2 0 odd.bin -binary -unsplit 2 1"));
    EXPECT_EQ(whole, Pattern(0x4000, 1));
}

TEST_F(CliArrangement, TheChipGetsItsLaneOrThePlacedFilesAndVerifiesAgainstThem) {
    if (!MakeHexInputs()) GTEST_SKIP() << "srec_cat (package srecord) is not installed";
    struct Case {
        Args files;        // write's and verify's files and options
        const char* srec;  // the chip as srec_cat makes it
    };
    const std::vector<Case> cases = {
        {{"a.bin", "--split", "2:0"}, "a.bin -binary -split 2 0"},
        {{"a.bin", "--swap", "--split", "2:1"}, "a.bin -binary -byte-swap 2 -split 2 1"},
        {{"boot.hex", "c.bin@0x1800"},
         "( boot.hex -intel c.bin -binary -offset 0x1800 ) -fill 0xFF 0 0x2000"},
        {{"c.bin@0x1000", "--fill", "0x00"}, "c.bin -binary -offset 0x1000 -fill 0x00 0 0x2000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.srec);
        Args files = c.files;
        for (std::string& arg : files)
            if (arg.find('.') != std::string::npos) arg = Path(arg);
        Args write = {"write"};
        write.insert(write.end(), files.begin(), files.end());
        const CliResult written = On(write);
        ASSERT_EQ(written.status, kExitSucceeded) << written.out << written.err;
        EXPECT_EQ(Chip(), Expected(c.srec));

        Args verify = {"verify", "--sums"};
        verify.insert(verify.end(), files.begin(), files.end());
        const CliResult verified = On(verify);
        EXPECT_EQ(verified.status, kExitSucceeded) << verified.out;
        // The sums of the chip follow the verdict, before the closing line.
        const std::vector<std::string> lines = verified.lines();
        ASSERT_GE(lines.size(), 6u);
        std::vector<std::string> expected = {"  Чип совпадает с файлом."};
        for (const std::string& line : SumLines(ComputeSums(Chip()))) expected.push_back(line);
        EXPECT_EQ(std::vector<std::string>(lines.end() - 6, lines.end() - 1), expected);

        // A serial number lands on the arranged chip's bytes, after the swap
        // and the lane.
        Args numbered = {"write", "--serial", "0x10:0x1234:1:2:be"};
        numbered.insert(numbered.end(), files.begin(), files.end());
        ASSERT_EQ(On(numbered).status, kExitSucceeded);
        Bytes patched = Expected(c.srec);
        patched[0x10] = 0x12;
        patched[0x11] = 0x34;
        EXPECT_EQ(Chip(), patched);
    }
    // A read ends with the same sums of the whole chip.
    const std::vector<std::string> read = On({"read", "--sums"}).lines();
    ASSERT_GE(read.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(read.end() - 5, read.end() - 1),
              SumLines(ComputeSums(Chip())));
    // The other lane is another chip: its sums and the file's, each named.
    const CliResult other = On({"verify", "--sums", "--swap", "--split", "2:0", Path("a.bin")});
    EXPECT_EQ(other.status, kExitFailed);
    std::vector<std::string> sums = {"  Суммы чипа:"};
    for (const std::string& line : SumLines(ComputeSums(Chip()))) sums.push_back(line);
    sums.push_back("  Суммы файла:");
    for (const std::string& line : SumLines(ComputeSums(Expected("a.bin -binary -byte-swap 2 -split 2 0"))))
        sums.push_back(line);
    const std::vector<std::string> said = other.lines();
    ASSERT_GE(said.size(), sums.size() + 1);
    EXPECT_EQ(std::vector<std::string>(said.end() - 11, said.end() - 1), sums);
}

TEST_F(CliArrangement, ARefusalIsExitTwoWithOnlyTheIdentificationSent) {
    WriteBytes(Path("clash.bin"), Pattern(0x100, 9));
    WriteBytes(Path("odd.bin"), Bytes(0x101, 0));
    WriteBytes(Path("exists.bin"), Bytes(1, 0));
    WriteBytes(Path("empty.bin"), {});
    std::ofstream(Path("bad.hex")) << ":0100050022D9\r\n";
    struct Case {
        Args args;
        const char* says;      // in the log (on a chip) or on standard error
        const char* commands;  // null: the image command, no programmer
    };
    const std::vector<Case> cases = {
        {{"write", "c.bin", "clash.bin@0x10"}, "дают разные байты по адресу 0x000010", "80 "},
        {{"verify", "c.bin", "a.bin"}, "лежат за концом образа", "80 "},
        {{"write", "a.bin", "--split", "2:0", "--split", "2:1"}, "given twice", nullptr},
        {{"write", "a.bin", "--split", "2:2"}, "--split takes K:N", nullptr},
        {{"image", "odd.bin", "--swap", "-o", "new.bin"},
         "образ нечётной длины (257 байт)",
         nullptr},
        {{"image", "--interleave", "2", "b.bin", "c.bin", "-o", "new.bin"},
         "разной длины",
         nullptr},
        {{"image", "b.bin", "-o", "exists.bin"}, "уже есть", nullptr},
        // No input gives a byte: fill alone is no image, for the chip either.
        {{"write", "empty.bin@0"}, "образ пуст", "80 "},
        {{"verify", "empty.bin@0"}, "образ пуст", "80 "},
        {{"image", "empty.bin@0x10", "-o", "new.bin"}, "образ пуст", nullptr},
        {{"image", "--interleave", "2", "b.bin", "b.bin", "--size", "0x10", "-o", "new.bin"},
         "лежат за концом образа (0x000010 байт)",
         nullptr},
        {{"image", "--interleave", "2", "b.bin", "b.bin", "--offset", "0x10", "-o", "new.bin"},
         "--offset does not go with it",
         nullptr},
        {{"write", "c.bin@-5"}, "'-5' after its last '@' is no address", nullptr},
        {{"image", "c.bin@4294967296", "-o", "new.bin"}, "'4294967296'", nullptr},
        // Placed or not, a damaged file reads the same.
        {{"write", "--offset", "0x10", "bad.hex@0x20"}, "  Ошибка в файле", "80 "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says);
        Args args = c.args;
        for (std::string& arg : args)
            if (arg.find(".bin") != std::string::npos || arg.find(".hex") != std::string::npos)
                arg = Path(arg);
        std::remove(Path("wire").c_str());
        const CliResult run = c.commands ? On(args) : Run(args);
        EXPECT_EQ(run.status, kExitUsage);
        EXPECT_NE((run.out + run.err).find(c.says), std::string::npos) << run.out << run.err;
        EXPECT_EQ(Commands(), c.commands ? c.commands : "");
        EXPECT_EQ(Chip(), Bytes(kChipSize, 0xFF));
    }
    EXPECT_EQ(ReadBytes(Path("exists.bin")), Bytes(1, 0));
    EXPECT_FALSE(std::ifstream(Path("new.bin")).good());
}

}  // namespace
}  // namespace dspprog::testing
