// SPDX-License-Identifier: GPL-3.0-or-later
// Jobs from the command line: saved once, then run as the options would
// have run, refused before anything reaches the chip when the socket or a
// file is not what the job says, and found with their files wherever they
// are moved.

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/utf8_path.h"
#include "cli_fixture.h"
#include "startup/exit_status.h"

namespace dspprog::testing {
namespace {

using Args = std::vector<std::string>;
using Bytes = std::vector<std::uint8_t>;

class CliJob : public CliOnChip {
protected:
    CliJob() {
        std::mt19937 random(29);
        for (std::uint8_t& byte : content) byte = static_cast<std::uint8_t>(random());
        WriteBytes(Path("full.bin"), content);
        WriteBytes(Path("low.bin"), Bytes(content.begin(), content.begin() + 0x1000));
        WriteBytes(Path("high.bin"), Bytes(content.begin() + 0x1000, content.end()));
    }
    // job save JOB [extra] COMMAND..., on the emulated AB05.
    CliResult Save(const std::string& job, const Args& command, const Args& extra = {}) {
        Args args = {"job", "save", job};
        args.insert(args.end(), extra.begin(), extra.end());
        args.insert(args.end(), command.begin(), command.end());
        return Run(Emulate("AB05", args));
    }
    std::string Wire() {
        std::string text;
        for (const std::string& line : ReadLines(Path("wire"))) text += line + '\n';
        return text;
    }

    Bytes content = Bytes(kChipSize, 0);
};

// The same chip, the same blocks on the wire and the same files, whether the
// options are given or the job that was saved from them is run.
TEST_F(CliJob, ARunJobDoesWhatItsOptionsDid) {
    const struct {
        Args command;
        Bytes chip_before;
        std::string output;  // a file the command makes, to compare
        Args save_extra;
    } cases[] = {
        {{"write", "--swap", "--split", "2:1", "--fill", "0x5A", "--serial", "0x10:1000:3:2:be",
          Path("low.bin") + "@0x100", Path("high.bin") + "@0x2100"},
         Bytes(kChipSize, 0xFF),
         "",
         {}},
        {{"verify", "--sums", Path("full.bin")}, content, "", {"--chip", "Test Flash 8K"}},
        {{"verify", Path("low.bin"), Path("high.bin") + "@0x1000"},
         content,
         "",
         {"--chip", "ab05"}},
        {{"read", "-o", "@OUT@.hex"}, content, "@OUT@.hex", {}},
        {{"read", "--passes", "3", "-o", "@OUT@.bin"}, content, "@OUT@.bin", {}},
        {{"erase"}, content, "", {}},
        {{"write", "--repeat", "2", Path("full.bin")}, Bytes(kChipSize, 0xFF), "", {}},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string job = Path("job" + std::to_string(++n) + ".toml");
        const auto with_output = [&](const std::string& name) {
            Args args = c.command;
            for (std::string& arg : args)
                if (arg.starts_with("@OUT@")) arg = Path(name + arg.substr(5));
            return args;
        };
        WriteBytes(Path("chip.bin"), c.chip_before);
        next_chip_lines = "\n";
        const CliResult direct = On(with_output("direct" + std::to_string(n)));
        EXPECT_EQ(direct.status, kExitSucceeded) << direct.err;
        const Bytes direct_chip = Chip();
        const std::string direct_wire = Wire();

        ASSERT_EQ(Save(job, with_output("job" + std::to_string(n)), c.save_extra).status,
                  kExitSucceeded);
        WriteBytes(Path("chip.bin"), c.chip_before);
        const CliResult run = On({"run", job});
        EXPECT_EQ(run.status, direct.status) << run.err;
        EXPECT_EQ(Chip(), direct_chip) << job;
        EXPECT_EQ(Wire(), direct_wire) << job;
        if (!c.output.empty()) {
            const std::string suffix = c.output.substr(5);
            EXPECT_EQ(ReadBytes(Path("job" + std::to_string(n) + suffix)),
                      ReadBytes(Path("direct" + std::to_string(n) + suffix)));
        }
    }
}

// Nothing of a refused job reaches the chip: a changed file is refused
// before the programmer is opened, a chip of another kind after its
// identification, in every operation and on every path of a run.
TEST_F(CliJob, AChangedFileOrAnotherChipIsRefusedBeforeTheChipIsTouched) {
    ASSERT_EQ(Save(Path("changed.toml"), {"write", Path("full.bin")}).status, kExitSucceeded);
    WriteBytes(Path("full.bin"), Bytes(kChipSize, 0x11));
    const CliResult changed = On({"run", Path("changed.toml")});
    EXPECT_EQ(changed.status, kExitUsage);
    EXPECT_NE(changed.err.find("строка 18: файл \"full.bin\" не тот, что в задании: SHA-256 "),
              std::string::npos)
        << changed.err;
    EXPECT_EQ(Commands(), "");
    EXPECT_EQ(Chip(), Bytes(kChipSize, 0xFF));

    WriteBytes(Path("full.bin"), content);
    const Args commands[] = {{"write", Path("full.bin")},
                             {"verify", Path("full.bin")},
                             {"read", "-o", Path("never.bin")},
                             {"erase"}};
    const Args paths[] = {{}, {"--repeat", "2"}, {"--device", "all"}};
    int n = 0;
    for (const Args& command : commands) {
        const std::string job = Path("eprom" + std::to_string(++n) + ".toml");
        ASSERT_EQ(Save(job, command, {"--chip", "AB06"}).status, kExitSucceeded);
        for (const Args& path : paths) {
            Args args = {"run", job};
            args.insert(args.end(), path.begin(), path.end());
            real_clock = !path.empty() && path.front() == "--device";
            WriteBytes(Path("chip.bin"), content);
            const CliResult run = On(args);
            EXPECT_EQ(run.status, kExitUsage) << job << " " << run.out;
            EXPECT_NE(run.out.find("задание для чипа \"Test EPROM 8K\" (AB06), а в колодке \"Test "
                                   "Flash 8K\" (AB05); чип не тронут"),
                      std::string::npos)
                << run.out;
            EXPECT_EQ(Commands(), "80 ") << job;  // the identification alone
            EXPECT_EQ(Chip(), content);
        }
    }
    EXPECT_FALSE(std::filesystem::exists(PathFromUtf8(Path("never.bin"))));
}

// A job and its files move together: the job names them from its own
// folder, whatever the current directory, also under a Cyrillic name.
TEST_F(CliJob, AJobFindsItsFilesFromItsOwnFolderWhereverItIsMoved) {
    // UTF-8 names put together here: Path() would take them through the
    // Windows code page, which has no place for some of their bytes.
    const std::string base = Utf8FromPath(catalogue.dir()) + "/";
    const std::string folder = base + "задания";
    std::filesystem::create_directory(PathFromUtf8(folder));
    WriteBytes(folder + "/образ сектора.bin", content);
    ASSERT_EQ(Save(folder + "/запись.toml", {"write", folder + "/образ сектора.bin"}).status,
              kExitSucceeded);
    std::filesystem::rename(PathFromUtf8(folder), PathFromUtf8(base + "перенесено"));
    std::filesystem::create_directory(PathFromUtf8(base + "elsewhere"));
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(PathFromUtf8(base + "elsewhere"));
    const CliResult run = On({"run", "../перенесено/запись.toml"});
    std::filesystem::current_path(before);
    EXPECT_EQ(run.status, kExitSucceeded) << run.err;
    EXPECT_EQ(Chip(), content);
}

}  // namespace
}  // namespace dspprog::testing
