// SPDX-License-Identifier: GPL-3.0-or-later
// Production runs from the command line on the emulator: chip after chip,
// serial numbers, the per-chip log, and the JSON output for programs.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <ostream>
#include <set>

#include "cli/run_cli.h"
#include "cli_fixture.h"

namespace dspprog::testing {
namespace {

using Json = nlohmann::json;
using Lines = std::vector<std::string>;

constexpr std::uint32_t kChipSize = 8192;  // the catalogue's AB05 and AB06

std::vector<Json> ParsedLines(const Lines& lines) {
    std::vector<Json> parsed;
    for (const std::string& line : lines) parsed.push_back(Json::parse(line));
    return parsed;
}

// Every JSON line of the examples in docs/json.md; each must parse.
std::vector<Json> DocumentedExamples() {
    std::vector<Json> examples;
    bool in_example = false;
    for (const std::string& line : ReadLines(DSPPROG_JSON_DOC)) {
        if (line.rfind("```", 0) == 0) in_example = !in_example;
        if (in_example && line.rfind("{", 0) == 0) examples.push_back(Json::parse(line));
    }
    return examples;
}

// The keys of an object and those of the objects in it: what a program
// reading it looks for.
Json Shape(const Json& value) {
    if (!value.is_object()) return nullptr;
    Json shape = Json::object();
    for (const auto& [key, item] : value.items()) shape[key] = Shape(item);
    return shape;
}

// The documented result of the same command and kind of run, if there is one.
std::optional<Json> DocumentedResult(const Json& result) {
    for (const Json& example : DocumentedExamples()) {
        if (example.value("event", "") == "result" && example["command"] == result["command"] &&
            example.contains("lanes") == result.contains("lanes") &&
            example.contains("counts") == result.contains("counts"))
            return example;
    }
    return std::nullopt;
}

class CliSeries : public CliTest {
protected:
    CliSeries() {
        for (std::uint32_t i = 0; i < kChipSize; ++i) image[i] = static_cast<std::uint8_t>(i * 7);
        WriteBytes(Path("image.bin"), image);
    }
    // The image with `number` as two little-endian bytes at 0x10.
    std::vector<std::uint8_t> Numbered(std::uint32_t number) const {
        std::vector<std::uint8_t> bytes = image;
        bytes[0x10] = static_cast<std::uint8_t>(number);
        bytes[0x11] = static_cast<std::uint8_t>(number >> 8);
        return bytes;
    }
    std::vector<std::string> SerialWrite(const std::string& chip, const Lines& more) const {
        Lines rest = {"--chip-file",     Path("chip-%d.bin"), "write",       "--serial",
                      "0x10:100:1:2:le", "--serial-file",     Path("s.txt"), "--log",
                      Path("log.jsonl")};
        rest.insert(rest.end(), more.begin(), more.end());
        rest.push_back(Path("image.bin"));
        return Emulate(chip, rest);
    }

    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(kChipSize);
};

TEST_F(CliSeries, ThreeChipsGetConsecutiveNumbersAndALogLineEach) {
    next_chip_lines = "\n\n";
    const CliResult run = Run(SerialWrite("AB05", {"--repeat", "3"}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    for (std::uint32_t chip = 1; chip <= 3; ++chip)
        EXPECT_EQ(ReadBytes(Path("chip-" + std::to_string(chip) + ".bin")), Numbered(99 + chip));
    EXPECT_EQ(ReadLines(Path("s.txt")), Lines{"103"});
    const std::vector<Json> log = ParsedLines(ReadLines(Path("log.jsonl")));
    ASSERT_EQ(log.size(), 3u);
    for (std::size_t i = 0; i < log.size(); ++i) {
        EXPECT_TRUE(log[i]["ok"].get<bool>());
        EXPECT_EQ(log[i]["serial"], 100 + i);
        EXPECT_EQ(log[i]["chip"]["code"], "AB05");
    }
    EXPECT_EQ(run.lines().back(), "  Годных: 3, брак: 0");
}

TEST_F(CliSeries, LogLinesAreAsDocumented) {
    ASSERT_EQ(Run(SerialWrite("AB05", {})).status, kExitSucceeded);
    const Json line = ParsedLines(ReadLines(Path("log.jsonl"))).at(0);
    for (const Json& example : DocumentedExamples()) {
        if (!example.contains("time")) continue;
        EXPECT_EQ(Shape(example), Shape(line));
        EXPECT_EQ(example["programmer"], line["programmer"]);
        return;
    }
    ADD_FAILURE() << "no log line among the examples";
}

// One Enter goes on with every programmer of a gang; the sites share the
// serial file, so that nine chips carry nine numbers.
TEST_F(CliSeries, AGangsChipsCarryNumbersNoOtherChipHas) {
    real_clock = true;
    next_chip_lines = "\n\n";
    const CliResult run = Run(
        Emulate("AB05,AB05,AB05",
                {"--chip-file", Path("a-%d.bin") + "," + Path("b-%d.bin") + "," + Path("c-%d.bin"),
                 "--device", "all", "write", "--serial", "0x10:100:1:2:le", "--serial-file",
                 Path("s.txt"), "--log", Path("log.jsonl"), "--repeat", "3", Path("image.bin")}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    std::set<std::uint32_t> numbers;
    for (const char* site : {"a", "b", "c"}) {
        for (int chip = 1; chip <= 3; ++chip) {
            const std::vector<std::uint8_t> bytes =
                ReadBytes(Path(std::string(site) + "-" + std::to_string(chip) + ".bin"));
            ASSERT_EQ(bytes.size(), kChipSize);
            const std::uint32_t number = bytes[0x10] | bytes[0x11] << 8;
            EXPECT_EQ(bytes, Numbered(number));
            numbers.insert(number);
        }
    }
    EXPECT_EQ(numbers, (std::set<std::uint32_t>{100, 101, 102, 103, 104, 105, 106, 107, 108}));
    EXPECT_EQ(ReadLines(Path("s.txt")), Lines{"109"});
    std::set<std::string> logged;
    for (const Json& line : ParsedLines(ReadLines(Path("log.jsonl")))) {
        EXPECT_TRUE(line["ok"].get<bool>()) << line;
        logged.insert(line["programmer"]["serial"].get<std::string>() + "#" +
                      std::to_string(line["serial"].get<int>()));
    }
    EXPECT_EQ(logged.size(), 9u);
}

// An EPROM only turns bits to 0: the second chip, already holding zeros,
// fails its verify after its write began, so its number is spent.
TEST_F(CliSeries, AFailedChipSpendsItsNumberAndTheRunGoesOn) {
    WriteBytes(Path("chip-2.bin"), std::vector<std::uint8_t>(kChipSize, 0x00));
    next_chip_lines = "\n\n";
    const CliResult run = Run(SerialWrite("AB06", {"--repeat", "3"}));
    EXPECT_EQ(run.status, kExitFailed) << run.err;
    EXPECT_EQ(ReadBytes(Path("chip-3.bin")), Numbered(102));
    EXPECT_EQ(ReadLines(Path("s.txt")), Lines{"103"});
    const std::vector<Json> log = ParsedLines(ReadLines(Path("log.jsonl")));
    ASSERT_EQ(log.size(), 3u);
    EXPECT_FALSE(log[1]["ok"].get<bool>());
    EXPECT_TRUE(log[1]["serial_spent"].get<bool>());
    EXPECT_EQ(log[1]["reason"].get<std::string>().rfind("Чип имеет:", 0), 0u) << log[1];
    EXPECT_EQ(run.lines().back(), "  Годных: 2, брак: 1");
}

TEST_F(CliSeries, QuitEndsTheRunAndAReadSavesEachChipUnderItsNumber) {
    next_chip_lines = "\nq\n";
    const CliResult run = Run(Emulate("AB05", {"read", "-o", Path("copy.bin"), "--repeat"}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    EXPECT_EQ(ReadBytes(Path("copy-1.bin")).size(), kChipSize);
    EXPECT_EQ(ReadBytes(Path("copy-2.bin")).size(), kChipSize);
    EXPECT_FALSE(std::filesystem::exists(Path("copy-3.bin")));
    EXPECT_FALSE(std::filesystem::exists(Path("copy.bin")));
}

// The socket reads empty while the emulator swaps the chip; the run looks
// no more than twice a second on the simulated clock.
TEST_F(CliSeries, AutoNextWaitsForTheSwapWithoutBusyPolling) {
    const CliResult run =
        Run(Emulate("AB05", {"--chip-file", Path("chip-%d.bin"), "--wire-log", Path("wire.txt"),
                             "erase", "--auto-next", "--repeat", "3"}));
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    EXPECT_TRUE(std::filesystem::exists(Path("chip-3.bin")));
    std::size_t identifications = 0;
    for (const std::string& line : ReadLines(Path("wire.txt")))
        identifications += line.rfind("CmdOut 80", 0) == 0;
    // Three erases identify once each; each of the two swaps looks at the
    // empty socket twice and at the new chip once.
    EXPECT_EQ(identifications, 3u + 2u * 3);
    EXPECT_GE(clock.NowMs(), 2u * 3 * 500);
}

#ifdef DSPPROG_CLI_BINARY
// Two programs at once, one given the serial file and one a symbolic link to
// it: whichever way their runs meet, no number goes to two chips.
TEST_F(CliSeries, RunsThroughALinkAndTheFileItselfNeverShareANumber) {
    WriteBytes(Path("s.txt"), {'8', '0', '0', '\n'});
    WriteBytes(Path("enter.txt"), {'\n', '\n'});
    std::filesystem::create_symlink(Path("s.txt"), Path("link.txt"));
    std::string both;
    for (const std::string name : {"s.txt", "link.txt"}) {
        both += std::string(DSPPROG_CLI_BINARY);
        for (const std::string& arg :
             Emulate("AB05", {"--chip-file", Path(name + "-%d.bin"), "write", "--serial",
                              "0x10:1:1:2:le", "--serial-file", Path(name), "--log",
                              Path(name + ".jsonl"), "--repeat", "3", Path("image.bin")}))
            both += " '" + arg + "'";
        both += " <'" + Path("enter.txt") + "' >/dev/null 2>&1 & ";
    }
    ASSERT_EQ(std::system((both + "wait").c_str()), 0);
    std::vector<std::uint64_t> numbers;
    for (const char* name : {"s.txt", "link.txt"}) {
        for (const Json& line : ParsedLines(ReadLines(Path(std::string(name) + ".jsonl"))))
            numbers.push_back(line["serial"].get<std::uint64_t>());
    }
    EXPECT_GE(numbers.size(), 3u);
    EXPECT_EQ(std::set<std::uint64_t>(numbers.begin(), numbers.end()).size(), numbers.size());
    EXPECT_EQ(ReadLines(Path("s.txt")), Lines{std::to_string(800 + numbers.size())});
    EXPECT_TRUE(std::filesystem::is_symlink(Path("link.txt")));
}
#endif

struct RefusedCase {
    const char* name;
    std::string serial_file_text;  // written to s.txt when not empty
    Lines options;                 // after the command word
    std::string says;              // in what the operator is shown
};

void PrintTo(const RefusedCase& c, std::ostream* out) {
    *out << c.name;
}

class CliSeriesRefused : public CliSeries, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(CliSeriesRefused, EndsWithUsageStatusAndWritesNothing) {
    const RefusedCase& c = GetParam();
    if (!c.serial_file_text.empty()) {
        const std::string& text = c.serial_file_text;
        WriteBytes(Path("s.txt"), std::vector<std::uint8_t>(text.begin(), text.end()));
    }
    WriteBytes(Path("not-a-folder"), {});
    WriteBytes(Path("chip.bin"), std::vector<std::uint8_t>(kChipSize, 0xFF));
    Lines rest = {"--chip-file", Path("chip.bin"), "write"};
    for (const std::string& option : c.options)
        rest.push_back(option.rfind("@", 0) == 0 ? Path(option.substr(1)) : option);
    rest.push_back(Path("image.bin"));
    const CliResult run = Run(Emulate("AB05", rest));
    EXPECT_EQ(run.status, kExitUsage) << run.out;
    EXPECT_NE((run.err + run.out).find(c.says), std::string::npos) << run.err << run.out;
    EXPECT_EQ(ReadBytes(Path("chip.bin")), std::vector<std::uint8_t>(kChipSize, 0xFF));
}

INSTANTIATE_TEST_SUITE_P(
    BadInput, CliSeriesRefused,
    ::testing::Values(
        RefusedCase{"SerialFileWithText",
                    "a hundred\n",
                    {"--serial", "0x10:100:1:2", "--serial-file", "@s.txt"},
                    "должно быть одно десятичное число"},
        RefusedCase{"SerialTooWideForItsBytes",
                    "",
                    {"--serial", "0x10:65536:1:2:le"},
                    "Серийный номер 65536 не помещается в 2 байт(а) в форме le"},
        RefusedCase{"SerialTooWideForBcd",
                    "",
                    {"--serial", "0x10:100:1:1:bcd-le"},
                    "не помещается в 1 байт(а) в форме bcd-le"},
        RefusedCase{"SerialFileNumberTooWide",
                    "70000\n",
                    {"--serial", "0x10:1:1:2", "--serial-file", "@s.txt"},
                    "Серийный номер 70000"},
        RefusedCase{
            "LogThatCannotBeCreated", "", {"--log", "@not-a-folder/log.jsonl"}, "Журнал серии"},
        RefusedCase{
            "SerialOutsideTheChip", "", {"--serial", "0x1FFF:1:1:2"}, "не помещается в чип"}));

struct JsonCase {
    const char* name;
    Lines rest;
    int status;
    const char* key;        // a key the result must have
    std::size_t sites = 0;  // with --device all over that many emulated AB05
    bool alone = false;     // --json and `rest` only: no emulator, no catalogue
};

void PrintTo(const JsonCase& c, std::ostream* out) {
    *out << c.name;
}

class CliJson : public CliSeries, public ::testing::WithParamInterface<JsonCase> {};

TEST_P(CliJson, EveryLineIsAnEventAndTheLastTheResult) {
    const JsonCase& c = GetParam();
    std::string chips = "AB05";
    std::string chip_files = Path("chip.bin");
    for (std::size_t site = 2; site <= c.sites; ++site) {
        chips += ",AB05";
        chip_files += "," + Path("chip-" + std::to_string(site) + ".bin");
    }
    real_clock = c.sites > 0;
    Lines rest = {"--json"};
    if (!c.alone) rest.insert(rest.end(), {"--chip-file", chip_files});
    for (const std::string& arg : c.rest)
        rest.push_back(arg.rfind("@", 0) == 0 ? Path(arg.substr(1)) : arg);
    const CliResult run = Run(c.alone ? rest : Emulate(chips, rest));
    EXPECT_EQ(run.status, c.status) << run.err;
    const std::vector<Json> events = ParsedLines(run.lines());
    ASSERT_FALSE(events.empty());
    for (std::size_t i = 0; i + 1 < events.size(); ++i)
        EXPECT_TRUE(events[i]["event"] == "log" || events[i]["event"] == "progress") << events[i];
    const Json& result = events.back();
    EXPECT_EQ(result["event"], "result");
    EXPECT_EQ(result["exit"], c.status);
    EXPECT_EQ(result["ok"], c.status == 0);
    EXPECT_TRUE(result.contains(c.key)) << result;
    if (const auto documented = DocumentedResult(result)) {
        EXPECT_EQ(Shape(*documented), Shape(result));
    }
    if (c.sites == 0) return;
    std::set<std::string> devices;
    for (const Json& event : events)
        if (event.contains("device")) devices.insert(event["device"].get<std::string>());
    EXPECT_EQ(devices.size(), c.sites);
    ASSERT_EQ(result["lanes"].size(), c.sites) << result;
    for (const Json& site : result["lanes"]) {
        EXPECT_EQ(site["ok"], c.status == 0) << site;
        EXPECT_TRUE(devices.count(site["name"].get<std::string>())) << site;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CliJson,
    ::testing::Values(JsonCase{"Identify", {"identify"}, 0, "chip"},
                      JsonCase{"Read", {"read", "-o", "@copy.hex"}, 0, "files"},
                      JsonCase{"Erase", {"erase"}, 0, "chip"},
                      JsonCase{"Write", {"write", "@image.bin"}, 0, "crc32"},
                      JsonCase{"VerifyDiffers", {"verify", "@image.bin"}, 1, "differing_addresses"},
                      JsonCase{"SpeedNotMeasuredInNoTime", {"speed"}, 1, "speeds_kbps"},
                      JsonCase{"Chips", {"--catalogue", "@chips.db", "chips"}, 0, "rows", 0, true},
                      JsonCase{"Devices", {"devices"}, 0, "command"},
                      JsonCase{
                          "Image", {"image", "@image.bin", "-o", "@x.bin"}, 0, "command", 0, true},
                      JsonCase{"UsageError", {"--bogus", "identify"}, 2, "command", 0, true},
                      JsonCase{"GangRead", {"--device", "all", "read"}, 0, "lanes", 2}));

}  // namespace
}  // namespace dspprog::testing
