// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/cli_options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <sstream>

#include "cli/run_cli.h"

namespace dspprog {
namespace {

CliOptions Parsed(const std::vector<std::string>& args) {
    CliOptions options;
    std::string error;
    EXPECT_TRUE(ParseCliArgs(args, options, error)) << error;
    return options;
}

std::string Refusal(const std::vector<std::string>& args) {
    CliOptions options;
    std::string error;
    EXPECT_FALSE(ParseCliArgs(args, options, error));
    return error;
}

TEST(CliOptions, CommandsTakeTheirOwnArguments) {
    const CliOptions read = Parsed({"read", "-o", "out.bin"});
    EXPECT_EQ(read.command, "read");
    EXPECT_EQ(read.output, "out.bin");

    const CliOptions write = Parsed({"write", "--no-erase", "image.bin"});
    EXPECT_EQ(write.command, "write");
    EXPECT_EQ(write.image, "image.bin");
    EXPECT_TRUE(write.no_erase);
    EXPECT_EQ(Parsed({"write", "image.bin", "--no-erase"}).image, "image.bin");
    EXPECT_EQ(Parsed({"verify", "--format", "raw", "image.hex"}).format, ImageFormat::Raw);

    EXPECT_EQ(Parsed({"identify"}).command, "identify");
    EXPECT_EQ(Parsed({"erase"}).command, "erase");
    EXPECT_EQ(Parsed({"speed"}).command, "speed");
    EXPECT_FALSE(Parsed({"read"}).output);
    EXPECT_EQ(Parsed({"read"}).catalogue, std::nullopt);
}

TEST(CliOptions, OptionsGoBeforeOrAfterTheCommandAndTakeEqualsValues) {
    const CliOptions options =
        Parsed({"--emulate", "AB05:8192:255", "identify", "--catalogue=cat.db", "--fast",
                "--on-stall", "wait", "--chip-file", "chip.bin", "--wire-log=wire.txt"});
    EXPECT_TRUE(options.emulate);
    EXPECT_EQ(options.emulator.chip, "AB05:8192:255");
    EXPECT_EQ(options.catalogue, "cat.db");
    EXPECT_TRUE(options.emulator.fast);
    EXPECT_EQ(options.on_stall, StallAnswer::Wait);
    EXPECT_EQ(options.emulator.chip_file, "chip.bin");
    EXPECT_EQ(options.emulator.wire_log, "wire.txt");
    EXPECT_EQ(Parsed({"--on-stall", "terminate", "erase"}).on_stall, StallAnswer::Terminate);
    EXPECT_EQ(Parsed({"--usb", "libusb", "erase"}).usb, "libusb");
}

TEST(CliOptions, DoubleDashLetsAFileNameStartWithADash) {
    EXPECT_EQ(Parsed({"write", "--", "-image.bin"}).image, "-image.bin");
    EXPECT_EQ(Parsed({"read", "-o", "-out.bin"}).output, "-out.bin");
}

TEST(CliOptions, EmulatorDetailsReachTheEmulator) {
    const CliOptions options =
        Parsed({"--emulate", "x", "--ident", "0102030405060708090A0B0C0D0E0F", "--fault",
                "refuse:83", "--fault", "stall:MainIn@3", "--fault", "unplug@7", "--fault",
                "short:CmdIn", "--fault", "stuck:5", "--fault", "fail:A0", "erase"});
    const auto& emulator = options.emulator;
    ASSERT_TRUE(emulator.ident);
    EXPECT_EQ((*emulator.ident)[0], 0x01);
    EXPECT_EQ((*emulator.ident)[14], 0x0F);
    EXPECT_EQ(emulator.faults.refuse, std::set<std::uint8_t>{0x83});
    EXPECT_EQ(emulator.faults.fail_completion, std::set<std::uint8_t>{0xA0});
    EXPECT_EQ(emulator.faults.stall_from[2], 3);
    EXPECT_EQ(emulator.faults.short_from[0], 0);
    EXPECT_EQ(emulator.faults.disconnect_after, 7);
    EXPECT_EQ(emulator.faults.stuck, 5u);
}

TEST(CliOptions, WrongCommandLinesAreRefusedWithTheReason) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"--fast"}, "no command given"},
        {{"format"}, "unknown command 'format'"},
        {{"--verbose", "read"}, "unknown option '--verbose'"},
        {{"-x", "read"}, "unknown option '-x'"},
        {{"read", "-o"}, "option '-o' needs a value"},
        {{"read", "-o", ""}, "option '-o' needs a non-empty value"},
        {{"identify", "-o", "a.bin"}, "-o belongs to the read and image commands"},
        {{"read", "--no-erase"}, "--no-erase belongs to the write command"},
        {{"write"}, "write needs the image FILE"},
        {{"verify"}, "verify needs the image FILE"},
        {{"read", "--format", "hex", "-o", "a"}, "--format takes 'raw', 'ihex' or 'srec'"},
        {{"read", "--format", "ihex"}, "--format needs -o FILE"},
        {{"erase", "--format", "ihex"}, "--format belongs to read, write, verify and image"},
        {{"read", "--pad"}, "'--pad' belongs to write and verify"},
        {{"erase", "--offset", "0x10"}, "'--offset' belongs to write, verify and image"},
        {{"read", "--swap"}, "'--swap' belongs to write, verify and image"},
        {{"write", "--sums", "a.bin"}, "--sums belongs to read, verify and image"},
        {{"write", "--size", "8", "a.bin"}, "'--size' belongs to the image command"},
        {{"write", "--fill", "0x100", "a.bin"}, "--fill takes a byte"},
        {{"image", "a.bin"}, "image needs -o OUT"},
        {{"image", "--interleave", "3", "a", "b", "c", "-o", "o"}, "--interleave takes 2 or 4"},
        {{"image", "--interleave", "2", "a", "-o", "o"}, "--interleave 2 takes 2 files"},
        {{"image", "--emulate", "0120", "a", "-o", "o"}, "image needs no programmer"},
        {{"write", "--offset", "-1", "a"}, "--offset takes an address"},
        {{"write", "--offset", "0x100000000", "a"}, "--offset takes an address"},
        {{"identify", "now"}, "unexpected argument 'now'"},
        {{"erase", "--repeat", "4294967296"}, "--repeat takes a COUNT from 1 to 4294967295"},
        {{"--on-stall", "retry", "read"}, "--on-stall takes 'wait' or 'terminate'"},
        {{"--usb", "serial", "read"}, "--usb takes 'libusb' or 'native'"},
        {{"--emulate", "x", "--ident", "0102", "read"}, "30 hex digits"},
        {{"--emulate", "x", "--fault", "melt:83", "read"}, "unknown fault 'melt:83'"},
        {{"--emulate", "x", "--fault", "stall:DataIn", "read"}, "needs a pipe"},
        {{"--chip-file", "c.bin", "read"}, "option '--chip-file' needs --emulate"},
        {{"--fast", "read"}, "option '--fast' needs --emulate"},
        {{"--wire-log", "w.txt", "read"}, "option '--wire-log' needs --emulate"},
        {{"--emulate", "x", "--usb", "libusb", "read"}, "cannot go with --emulate"},
        {{"--catalogue", "a.db", "--catalogue", "b.db", "read"},
         "option '--catalogue' given twice"},
        {{"--fast=yes", "--emulate", "x", "read"}, "option '--fast' takes no value"},
        {{"run", "j.toml", "--swap"}, "option '--swap' cannot go with run"},
        {{"run", "j.toml", "-o", "a.bin"}, "option '-o' cannot go with run"},
        {{"run"}, "run needs the JOB file"},
        {{"run", "a.toml", "b.toml"}, "unexpected argument 'b.toml'"},
        {{"job", "write", "a.bin"}, "job takes 'save'"},
        {{"job", "save", "j.toml", "identify"}, "job save needs JOB and a COMMAND"},
        {{"--chip", "0120", "erase"}, "--chip belongs to the job command"},
        {{"--device", "all", "job", "save", "j.toml", "erase"}, "--device all does not go"},
    };
    for (const auto& [args, reason] : cases) {
        const std::string error = Refusal(args);
        EXPECT_NE(error.find(reason), std::string::npos)
            << "args[0]=" << (args.empty() ? "" : args[0]) << " error: " << error;
    }
}

TEST(CliOptions, UsageErrorsExitWithTwoAndAHint) {
    std::ostringstream out, err;
    CliEnvironment environment;
    EXPECT_EQ(RunCli({"flash"}, out, err, environment), kExitUsage);
    EXPECT_EQ(err.str(), "dspprog-cli: unknown command 'flash'\nTry 'dspprog-cli --help'.\n");
    EXPECT_EQ(out.str(), "");
}

TEST(CliOptions, HelpListsEveryOptionAndCommandAndWinsOverTheRest) {
    std::ostringstream out, err;
    CliEnvironment environment;
    EXPECT_EQ(RunCli({"read", "--bogus", "--help"}, out, err, environment), kExitSucceeded);
    EXPECT_EQ(err.str(), "");
    const std::string help = out.str();
    EXPECT_EQ(help, UsageText());
    for (const char* word : {"identify",
                             "read [-o FILE] [--format raw|ihex|srec]",
                             "erase",
                             "write [--no-erase] [--pad] [--offset ADDR] [--format raw|ihex|srec]",
                             "verify [--pad] [--offset ADDR] [--format raw|ihex|srec] FILE",
                             "speed",
                             "--catalogue FILE",
                             "--emulate CHIP",
                             "--chip-file FILE",
                             "--ident HEX",
                             "--fault SPEC",
                             "refuse:OP",
                             "fail:OP",
                             "stall:PIPE",
                             "short:PIPE",
                             "stuck:N",
                             "stall:PIPE@N",
                             "short:PIPE@N",
                             "unplug@N",
                             "ident:CODE[@N]",
                             "--wire-log FILE",
                             "--fast",
                             "--on-stall wait|terminate",
                             "--usb libusb|native",
                             "--help",
                             "Exit status",
                             "\n  --repeat [COUNT]  ",
                             "\n  --auto-next  ",
                             "\n  --serial ADDR:START[:STEP[:BYTES[:FORM]]]\n",
                             "\n  --serial-file FILE  ",
                             "\n  --log FILE  ",
                             "\n  --json  ",
                             "the commands still look the chip up",
                             "up to and including the first\n"}) {
        EXPECT_NE(help.find(word), std::string::npos) << word;
    }
    // The emulated chip's own form sets up the emulator, not the lookup.
    EXPECT_EQ(help.find("needing no catalogue"), std::string::npos);
}

// The words of a piece of shell text, brackets and quotes aside.
std::set<std::string> Words(std::string text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return std::strchr("()\"", c); }, ' ');
    std::istringstream split(text);
    return {std::istream_iterator<std::string>(split), std::istream_iterator<std::string>()};
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// Each of the command line's own options: --help describes it, every command it does not
// belong to refuses it by name, and the bash completion has it (among the options that
// take a value when it takes one) and offers it to no command it does not belong to.
TEST(CliOptions, EveryOwnOptionIsDescribedCompletedAndKeptToItsCommands) {
    std::ifstream file(std::filesystem::path(DSPPROG_JSON_DOC).parent_path().parent_path() /
                       "packaging" / "completion" / "dspprog-cli");
    const std::string text{std::istreambuf_iterator<char>(file), {}}, help = UsageText();
    std::smatch series;
    std::regex_search(text, series, std::regex(R"(local series=\(([^)]*)\))"));
    std::set<std::string> valued;
    std::map<std::string, std::set<std::string>> offered;  // the options completed after a command
    const std::regex valued_list(R"(valued\+?="([^"]*)\")"),
        entry(R"((\w+)\)\s*options\+?=\(([^)]*)\))");
    for (std::sregex_iterator at(text.begin(), text.end(), valued_list), end; at != end; ++at)
        valued.merge(Words((*at)[1]));
    for (std::sregex_iterator at(text.begin(), text.end(), entry), end; at != end; ++at)
        offered[(*at)[1]] = Words(std::regex_replace(
            (*at)[2].str(), std::regex(R"(\$\{series\[@\]\})"), series[1].str()));
    const std::map<std::string, std::string> values = {{"--format", "raw"},
                                                       {"--split", "2:0"},
                                                       {"--serial", "0:1"},
                                                       {"--interleave", "2"},
                                                       {"--passes", "2"}};
    for (const CliOptionRow& row : CliOptionRows()) {
        const std::string label =
            "\n  " + row.name + (row.value_name.empty() ? "" : " ") + row.value_name;
        EXPECT_TRUE(Has(help, label + " ") || Has(help, label + "\n")) << label;
        EXPECT_EQ(valued.count(row.name) == 1, !row.value_name.empty() && row.value_name[0] != '[')
            << label;
        EXPECT_EQ(Words(text).count(row.name), 1u) << label;
        for (const std::string command : {"identify", "read", "erase", "write", "verify", "speed",
                                          "image", "devices", "chips"}) {
            std::vector<std::string> args = {command, row.name};
            if (!row.value_name.empty())
                args.push_back(values.count(row.name) ? values.at(row.name) : "1");
            if (command == "write" || command == "verify" || command == "image")
                args.push_back("a.bin");
            if (command == "image" && row.name != "-o") args.insert(args.end(), {"-o", "o.bin"});
            CliOptions options;
            std::string error;
            ParseCliArgs(args, options, error);
            const bool belongs = row.commands.empty() ||
                                 std::count(row.commands.begin(), row.commands.end(), command);
            EXPECT_EQ(Has(error, row.name) && Has(error, " belongs to "), !belongs)
                << command << label << ": " << error;
            EXPECT_TRUE(belongs || !offered[command].count(row.name)) << command << label;
        }
    }
}

}  // namespace
}  // namespace dspprog
