// SPDX-License-Identifier: GPL-3.0-or-later
// One outcome, three paths: the same command on one programmer, as a series
// of one chip, and on a gang of two ends with the same exit status, reason,
// sums and JSON fields.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <ostream>

#include "cli/run_cli.h"
#include "cli_fixture.h"
#include "support/bytes.h"

namespace dspprog::testing {
namespace {

using Json = nlohmann::json;
using Args = std::vector<std::string>;

struct PathCase {
    const char* name;
    Args options;  // before the command
    Args command;  // the command and its arguments; "@x" names x in the test's directory
    int status;
    const char* reason;  // how the reason begins; "": none given
};

void PrintTo(const PathCase& c, std::ostream* out) {
    *out << c.name;
}

// The reason `result` gives, checked against the case's.
void ExpectReason(const Json& result, const PathCase& c) {
    const std::string reason = result.value("reason", "");
    if (*c.reason == '\0') {
        EXPECT_EQ(reason, "") << result;
    } else {
        EXPECT_EQ(reason.rfind(c.reason, 0), 0u) << result;
    }
}

// What a program reading the result looks for, wherever the findings stand.
Json Findings(const Json& from) {
    Json kept = Json::object();
    for (const char* key :
         {"sum16", "crc32", "differing", "differing_addresses", "chip_sums", "file_sums", "reason"})
        if (from.contains(key)) kept[key] = from[key];
    return kept;
}

class CliPaths : public CliTest, public ::testing::WithParamInterface<PathCase> {
protected:
    CliPaths() { real_clock = true; }

    // The result event of the case on `chips` (comma-separated), with
    // `options` added before the command and `series` after its word.
    Json Result(const std::string& chips, const Args& options, const Args& series, int& status) {
        const PathCase& c = GetParam();
        Args args = {"--json"};
        args.insert(args.end(), options.begin(), options.end());
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(c.command.front());
        args.insert(args.end(), series.begin(), series.end());
        for (std::size_t i = 1; i < c.command.size(); ++i) {
            const std::string& arg = c.command[i];
            args.push_back(arg.rfind('@', 0) == 0 ? Path(arg.substr(1)) : arg);
        }
        const CliResult run = Run(Emulate(chips, args));
        status = run.status;
        return Json::parse(run.lines().back());
    }
};

TEST_P(CliPaths, OneOutcomeOnEveryPath) {
    const PathCase& c = GetParam();
    WriteBytes(Path("image.bin"), Pattern(8192, 5));
    int status = -1;
    const Json single = Result("AB05:8192:255", {}, {}, status);
    EXPECT_EQ(status, c.status) << single;
    ExpectReason(single, c);

    const Json series = Result("AB05:8192:255", {}, {"--repeat", "1"}, status);
    EXPECT_EQ(status, c.status) << series;
    EXPECT_EQ(Findings(series), Findings(single));

    const Json gang = Result("AB05:8192:255,AB05:8192:255", {"--device", "all"}, {}, status);
    EXPECT_EQ(status, c.status) << gang;
    ExpectReason(gang, c);
    // Each programmer's findings are those of the one programmer; nothing
    // about a chip stands at the top, where it would hide another's.
    EXPECT_FALSE(gang.contains("differing")) << gang;
    ASSERT_EQ(gang["lanes"].size(), 2u) << gang;
    for (const Json& site : gang["lanes"]) EXPECT_EQ(Findings(site), Findings(single)) << site;
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, CliPaths,
    ::testing::Values(PathCase{"Written", {}, {"write", "@image.bin"}, 0, ""},
                      PathCase{"WriteNotTaken",
                               {"--fault", "fail:B0"},
                               {"write", "@image.bin"},
                               1,
                               "Чип имеет: 8160 ошибок(у/и)"},
                      PathCase{"NotErased",
                               {"--fault", "stuck:3"},
                               {"write", "@image.bin"},
                               1,
                               "Чип имеет: 3 не стертых байт(а)"},
                      PathCase{"VerifyDiffersWithSums",
                               {},
                               {"verify", "--sums", "@image.bin"},
                               1,
                               "Чип имеет: 8160 ошибок(у/и)"},
                      PathCase{"ReadWithSums", {}, {"read", "--sums"}, 0, ""},
                      PathCase{"MissingFile", {}, {"write", "@missing.bin"}, 2, "Файл не найден: "},
                      PathCase{"SerialOutsideTheChip",
                               {},
                               {"write", "--serial", "0x3000:1", "@image.bin"},
                               2,
                               "Серийный номер по адресу 0x003000 (4 байт) не помещается в чип!"}),
    [](const ::testing::TestParamInfo<PathCase>& run) { return std::string(run.param.name); });

// A programmer lost after it identified its chip keeps that chip and says
// why it stopped, while the other one finishes.
TEST_F(CliTest, AGangSiteLostAfterIdentificationKeepsItsChip) {
    real_clock = true;
    const CliResult run =
        Run(Emulate("AB05:8192:255,AB05:8192:255",
                    {"--fault", "2:unplug@6", "--device", "all", "--json", "read"}));
    EXPECT_EQ(run.status, kExitFailed) << run.err;
    EXPECT_EQ(run.err.find("Программа будет аварийно завершена."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("Этот программатор остановлен"), std::string::npos) << run.err;
    const Json lost = Json::parse(run.lines().back())["lanes"][1];
    EXPECT_EQ(lost["chip"], "Test Flash 8K") << lost;
    EXPECT_EQ(lost["stopped"], true) << lost;
    EXPECT_FALSE(lost.value("reason", "").empty()) << lost;
}

}  // namespace
}  // namespace dspprog::testing
