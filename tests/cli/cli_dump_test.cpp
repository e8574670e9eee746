// SPDX-License-Identifier: GPL-3.0-or-later
// read --passes and the content's warnings on the command line: the option,
// the exit status, the .part file and the JSON; and against cmp, the outside
// judge of two dumps, on real compiled code.

#include <gtest/gtest.h>

#include <map>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "cli_fixture.h"
#include "startup/exit_status.h"
#include "support/outside_tool.h"

namespace dspprog::testing {
namespace {

using Json = nlohmann::json;

constexpr std::uint32_t kSize = 65536;

// A 64 KB EPROM, AB10, its content in chip.bin.
class CliDump : public CliTest {
protected:
    CliDump() { catalogue.Write({{"AB10", "Test EPROM 64K", "512K", "0", "0", "65024"}}); }

    CliResult Read(const std::vector<std::string>& faults, const std::vector<std::string>& rest) {
        std::vector<std::string> args = {"--chip-file", Path("chip.bin")};
        for (const std::string& fault : faults) args.insert(args.end(), {"--fault", fault});
        args.insert(args.end(), rest.begin(), rest.end());
        return Run(Emulate("AB10", args));
    }
    // `cmp -l` of two files: each differing address (from 0) with the two bytes.
    std::map<std::uint32_t, std::pair<int, int>> Cmp(const std::string& a, const std::string& b) {
        std::string output;
        RunInDir(catalogue.dir().string(), "cmp -l " + a + " " + b, output);
        std::map<std::uint32_t, std::pair<int, int>> differing;
        std::istringstream lines(output);
        for (std::uint32_t at; lines >> at;) {
            std::string x, y;
            lines >> x >> y;
            differing[at - 1] = {std::stoi(x, nullptr, 8), std::stoi(y, nullptr, 8)};
        }
        return differing;
    }
};

TEST_F(CliDump, PassesThatDisagreeFailWithWhatTheyFound) {
    WriteBytes(Path("chip.bin"), std::vector<std::uint8_t>(kSize, 0x5A));
    const CliResult run =
        Read({"flaky:0x10:0x81", "pin:D0=0"}, {"--json", "read", "--passes", "3", "-o", Path("d")});
    EXPECT_EQ(run.status, kExitFailed) << run.err;
    const Json result = Json::parse(run.lines().back());
    EXPECT_EQ(result["passes"], 3);
    EXPECT_EQ(
        result["unstable"],
        Json::parse(R"({"count":1,"bits":128,"addresses":[{"address":16,"values":[90,218,90]}]})"))
        << "D0 stuck at 0 hides the weak cell's low bit";
    EXPECT_EQ(result["warnings"][0]["line"], "D0");
    EXPECT_FALSE(result.contains("files"));
    for (const char* passes : {"1", "10", "0x2"})
        EXPECT_EQ(Run({"read", "--passes", passes}).status, kExitUsage) << passes;
}

// Real compiled bytes: the code of coreutils' ls (its .text section, the first
// 64 KB) as the chip's content.
TEST_F(CliDump, CmpOfTwoDumpsListsWhatTheReadSaid) {
    std::string output;
    if (!HaveTool("cmp") || !HaveTool("objcopy") ||
        !RunInDir(catalogue.dir().string(),
                  "objcopy -O binary --only-section=.text /bin/ls text.bin", output))
        GTEST_SKIP() << "no cmp, objcopy or /bin/ls to take real code from: " << output;
    std::vector<std::uint8_t> code = ReadBytes(Path("text.bin"));
    ASSERT_GE(code.size(), kSize);
    code.resize(kSize);
    WriteBytes(Path("chip.bin"), code);

    ASSERT_EQ(Read({}, {"read", "-o", Path("clean.bin")}).status, kExitSucceeded);
    const CliResult stuck = Read({"pin:D3=0"}, {"read", "-o", Path("d3.bin")});
    ASSERT_EQ(stuck.status, kExitSucceeded) << stuck.err;
    EXPECT_NE(stuck.out.find("  Бит D3 равен 0 во всех байтах: проверьте контакт вывода D3.\n"),
              std::string::npos);
    const auto differing = Cmp("clean.bin", "d3.bin");
    std::uint32_t set = 0;
    for (std::uint32_t at = 0; at < kSize; ++at) {
        if (!(code[at] & 0x08)) continue;
        ++set;
        ASSERT_TRUE(differing.count(at)) << at;
        EXPECT_EQ(differing.at(at).first - differing.at(at).second, 0x08) << at;
    }
    EXPECT_EQ(differing.size(), set) << "exactly the bytes whose bit 3 was set";

    // Weak cells at random: two reads in one run against what --passes names.
    std::mt19937 random(7);
    std::vector<std::string> faults;
    for (int n = 0; n < 20; ++n)
        faults.push_back("flaky:" + std::to_string(random() % kSize) + ":" +
                         std::to_string(1 + random() % 255));
    next_chip_lines = "\n";
    ASSERT_EQ(Read(faults, {"read", "--repeat", "2", "-o", Path("f.bin")}).status, kExitSucceeded);
    const CliResult passes = Read(faults, {"--json", "read", "--passes", "2"});
    EXPECT_EQ(passes.status, kExitFailed);
    const Json unstable = Json::parse(passes.lines().back())["unstable"];
    std::map<std::uint32_t, std::pair<int, int>> listed;
    for (const Json& byte : unstable["addresses"])
        listed[byte["address"]] = {byte["values"][0], byte["values"][1]};
    // The count is cmp's; the addresses listed are its first 16.
    auto cmp = Cmp("f-1.bin", "f-2.bin");
    EXPECT_EQ(unstable["count"], cmp.size());
    ASSERT_GT(cmp.size(), 16u);
    cmp.erase(std::next(cmp.begin(), 16), cmp.end());
    EXPECT_EQ(cmp, listed);
}

}  // namespace
}  // namespace dspprog::testing
