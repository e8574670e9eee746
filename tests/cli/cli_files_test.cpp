// SPDX-License-Identifier: GPL-3.0-or-later
// The files a command line names: the chip's own file, images read and
// written, the wire log. Nothing the user did not ask to change may change.

#include <gtest/gtest.h>

#include <filesystem>

#include "cli/run_cli.h"
#include "cli_fixture.h"
#include "support/bytes.h"
#include "support/text.h"

namespace dspprog::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;

constexpr std::size_t kChipSize = 8192;

class CliFiles : public CliTest {
protected:
    std::string chip = Path("chip.bin");
};

TEST_F(CliFiles, AMissingChipFileIsCreatedErased) {
    EXPECT_EQ(Run(Emulate("AB05:8192:255", {"--chip-file", chip, "identify"})).status,
              kExitSucceeded);
    EXPECT_EQ(ReadBytes(chip), Bytes(kChipSize, 0xFF));
}

TEST_F(CliFiles, ReadSavesTheChipContentInANewFile) {
    const Bytes content = Pattern(kChipSize, 1);
    WriteBytes(chip, content);
    const std::string out = Path("out.bin");
    const CliResult run = Run(Emulate("AB05:8192:255", {"--chip-file", chip, "read", "-o", out}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    EXPECT_EQ(ReadBytes(out), content);
    EXPECT_TRUE(Contains(run.lines(), "  Содержимое сохранено в файле: \"" + out + "\"."));
}

TEST_F(CliFiles, ReadWithoutOutputSavesNothing) {
    WriteBytes(chip, Pattern(kChipSize, 2));
    const auto before = std::distance(std::filesystem::directory_iterator(catalogue.dir()), {});
    const CliResult run = Run(Emulate("AB05:8192:255", {"--chip-file", chip, "read"}));
    EXPECT_EQ(run.status, kExitSucceeded);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(catalogue.dir()), {}), before);
}

TEST_F(CliFiles, ReadRefusesAnExistingFileAndLeavesItAlone) {
    const std::string out = Path("keep.bin");
    const Bytes kept = {'k', 'e', 'e', 'p'};
    WriteBytes(out, kept);
    const std::string wire = Path("wire.txt");
    const CliResult run = Run(Emulate("AB05:8192:255", {"--wire-log", wire, "read", "-o", out}));
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(ReadBytes(out), kept);
    EXPECT_EQ(run.lines(),
              (Lines{"", "+++ Начало чтения чипа.", "  Такой файл существует: \"" + out + "\"!",
                     "  Операция чтения отмена.", "", "--- Окончание чтения чипа."}));
    EXPECT_EQ(ReadLines(wire).size(), 2u);  // the identification only
}

TEST_F(CliFiles, AFileNameInTheLogKeepsToItsLine) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows allows no control characters in file names";
#endif
    const std::string out = Path("keep\n+++ Начало\x1B[2J.bin");
    WriteBytes(out, {'k'});
    const CliResult run = Run(Emulate("AB05:8192:255", {"read", "-o", out}));
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_TRUE(Contains(
        run.lines(), "  Такой файл существует: \"" + Path("keep\\n+++ Начало\\x1B[2J.bin") + "\"!"))
        << run.out;
}

TEST_F(CliFiles, WriteProgramsAndVerifiesTheChip) {
    const std::string image = Path("image.bin");
    const Bytes content = Pattern(kChipSize, 3);
    WriteBytes(image, content);
    WriteBytes(chip, Bytes(kChipSize, 0x00));  // the write erases it first
    const CliResult run = Run(Emulate("AB05:8192:255", {"--chip-file", chip, "write", image}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    EXPECT_EQ(ReadBytes(chip), content);
    EXPECT_EQ(ReadBytes(image), content);
    EXPECT_TRUE(Contains(run.lines(), "  Чип требует стирание."));
    EXPECT_TRUE(Contains(run.lines(), "  Чип записан без ошибок."));
}

// File names are UTF-8 on every platform. On Windows a Cyrillic name handed
// to the C library as it is would name some other file (the ANSI code page's
// reading of it), so the content would live on where nobody looks.
TEST_F(CliFiles, CyrillicNamesNameTheFilesThemselves) {
    const std::string own_chip = Path("чип.bin");
    const std::string image = Path("образ.bin");
    const std::string out = Path("копия.bin");
    const Bytes content = Pattern(kChipSize, 9);
    WriteBytes(image, content);
    const CliResult write =
        Run(Emulate("AB05:8192:255", {"--chip-file", own_chip, "write", image}));
    EXPECT_EQ(write.status, kExitSucceeded) << write.err;
    EXPECT_EQ(ReadBytes(own_chip), content);
    const CliResult read =
        Run(Emulate("AB05:8192:255", {"--chip-file", own_chip, "read", "-o", out}));
    EXPECT_EQ(read.status, kExitSucceeded) << read.err;
    EXPECT_EQ(ReadBytes(out), content);
}

TEST_F(CliFiles, NoEraseSkipsTheEraseAndTheVerifyCatchesIt) {
    const std::string image = Path("image.bin");
    WriteBytes(image, Bytes(kChipSize, 0xFF));
    WriteBytes(chip, Bytes(kChipSize, 0x00));  // programming cannot turn 0 bits back into 1
    const CliResult run =
        Run(Emulate("AB05:8192:255", {"--chip-file", chip, "write", "--no-erase", image}));
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_FALSE(Contains(run.lines(), "  Чип требует стирание."));
    EXPECT_TRUE(Contains(run.lines(), "  Чип имеет: 8192 ошибок(у/и)"));
}

TEST_F(CliFiles, AWrongSizeImageIsCancelledAndTheChipKeepsItsContent) {
    const Bytes content = Pattern(kChipSize, 4);
    WriteBytes(chip, content);
    const std::string image = Path("small.bin");
    WriteBytes(image, Bytes(4096, 0x11));
    const CliResult run = Run(Emulate("AB05:8192:255", {"--chip-file", chip, "write", image}));
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.err, "Размер файла меньше размера чипа! [OK/Cancel]: Cancel\n");
    EXPECT_TRUE(Contains(run.lines(), "  Операция записи отменена пользователем!"));
    EXPECT_EQ(ReadBytes(chip), content);
}

TEST_F(CliFiles, ADirectoryAsTheImageCountsAsNoFile) {
    const CliResult run = Run(Emulate("AB05:8192:255", {"write", catalogue.dir().string()}));
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_TRUE(Contains(run.lines(), "  Размер файла больше размера чипа!"));
    EXPECT_TRUE(Contains(run.lines(), "  Операция записи отменена пользователем!"));
}

TEST_F(CliFiles, OkOnASizeBoxEndsAsCancelledInsteadOfAskingAgain) {
    const std::string image = Path("big.bin");
    WriteBytes(image, Bytes(3 * 4096, 0xA5));
    const std::string typed = "y\ny\ny\n";
    const CliResult run = Run(Emulate("AB05:8192:255", {"write", image}), &typed);
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.err, "Размер файла больше размера чипа! OK? [y/N] ");
    const Lines lines = run.lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "  Операция записи отменена пользователем!"),
              1);
}

TEST_F(CliFiles, EraseChangesTheChipFile) {
    WriteBytes(chip, Pattern(kChipSize, 5));
    EXPECT_EQ(Run(Emulate("AB05:8192:255", {"--chip-file", chip, "erase"})).status, kExitSucceeded);
    EXPECT_EQ(ReadBytes(chip), Bytes(kChipSize, 0xFF));
}

TEST_F(CliFiles, AChipFileOfTheWrongSizeIsRefusedUntouched) {
    const Bytes odd = Pattern(kChipSize + 1, 6);
    WriteBytes(chip, odd);
    const CliResult run = Run(Emulate("AB05:8192:255", {"--chip-file", chip, "erase"}));
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.err, "dspprog-cli: --emulate: В файле чипа \"" + chip +
                           "\" должно быть ровно 8192 байт, размер чипа\n");
    EXPECT_EQ(ReadBytes(chip), odd);
}

TEST_F(CliFiles, TheWireLogMayNotBeAnyOtherFileOfTheCommand) {
    const std::string out = Path("out.bin");
    const CliResult same_as_output =
        Run(Emulate("AB05:8192:255", {"--wire-log", out, "read", "-o", out}));
    EXPECT_EQ(same_as_output.status, kExitUsage);
    EXPECT_FALSE(std::filesystem::exists(out));

    const Bytes content = Pattern(kChipSize, 7);
    WriteBytes(chip, content);
    // The same file by another spelling.
    const std::string other_spelling = (catalogue.dir() / "." / "chip.bin").string();
    const CliResult same_as_chip =
        Run(Emulate("AB05:8192:255", {"--chip-file", chip, "--wire-log", other_spelling, "erase"}));
    EXPECT_EQ(same_as_chip.status, kExitUsage);
    EXPECT_NE(same_as_chip.err.find("is also the --chip-file"), std::string::npos);
    EXPECT_EQ(ReadBytes(chip), content);

    EXPECT_EQ(Run(Emulate("AB05:8192:255", {"--wire-log", catalogue.path(), "identify"})).status,
              kExitUsage);
}

#ifndef _WIN32
// A log named through a symbolic link is refused: the file the link leads to
// is neither emptied (the wire log) nor appended to (the log of a series).
TEST_F(CliFiles, ALogThatIsASymbolicLinkLeavesWhatItLeadsToAlone) {
    const Bytes victim = Pattern(100, 9);
    WriteBytes(Path("victim"), victim);
    std::filesystem::create_symlink(Path("victim"), Path("wire.txt"));
    std::filesystem::create_symlink(Path("victim"), Path("log.jsonl"));
    const CliResult wire =
        Run(Emulate("AB05:8192:255", {"--wire-log", Path("wire.txt"), "identify"}));
    EXPECT_EQ(wire.status, kExitFailed);
    EXPECT_NE(wire.err.find("Журнал обмена"), std::string::npos) << wire.err;
    const CliResult log = Run(Emulate("AB05:8192:255", {"erase", "--log", Path("log.jsonl")}));
    EXPECT_EQ(log.status, kExitUsage);
    EXPECT_NE(log.err.find("Журнал серии"), std::string::npos) << log.err;
    EXPECT_EQ(ReadBytes(Path("victim")), victim);
}
#endif

TEST_F(CliFiles, TheChipFileCannotBeTheImageItWrites) {
    const Bytes content = Pattern(kChipSize, 8);
    WriteBytes(chip, content);
    const CliResult run = Run(Emulate("AB05:8192:255", {"--chip-file", chip, "write", chip}));
    EXPECT_EQ(run.status, kExitUsage);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadBytes(chip), content);
}

}  // namespace
}  // namespace dspprog::testing
