// SPDX-License-Identifier: GPL-3.0-or-later
// Image files: which names count as existing files, exclusive creation, and
// the record routines that end the program on an I/O error.

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

#include "operations/image_file.h"
#include "support/file_size_limit.h"
#include "support/programmer_fixture.h"
#include "support/temp_catalogue.h"

namespace dspprog::testing {
namespace {

namespace fs = std::filesystem;

struct Dir {
    TempCatalogue temp;  // only for its directory
    std::string Path(const std::string& name) const { return (temp.dir() / name).string(); }
    void Write(const std::string& name, const std::string& bytes) const {
        std::ofstream(Path(name), std::ios::binary) << bytes;
    }
    std::string Read(const std::string& name) const {
        std::ifstream in(Path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
};

class RecordingOperator final : public Operator {
public:
    void Log(const std::string& line) override { shown.push_back(line); }
    void ErrorBox(const std::string& text) override { shown.push_back("[box] " + text); }
    bool OkCancelBox(const std::string&) override { return false; }
    std::optional<std::string> ChooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile() override { return std::nullopt; }
    int ShowCriticalError(const std::string&) override { return kAbort; }
    std::vector<std::string> shown;
};

DataBlock Filled(std::uint8_t value) {
    DataBlock block;
    block.fill(value);
    return block;
}

TEST(FileSizeByName, OnlyOrdinaryVisibleFilesCount) {
    Dir dir;
    dir.Write("empty.bin", "");
    dir.Write("five.bin", "12345");
    dir.Write(".hidden", "12345");
    dir.Write("hidden.bin", "12345");
    fs::create_directory(dir.Path("folder"));
#ifdef _WIN32
    // On Windows the attribute hides a file, and a leading dot does not.
    ASSERT_TRUE(SetFileAttributesA(dir.Path("hidden.bin").c_str(), FILE_ATTRIBUTE_HIDDEN));
    EXPECT_EQ(FileSizeByName(dir.Path(".hidden")), 5);
    EXPECT_EQ(FileSizeByName(dir.Path("hidden.bin")), -1);
#else
    EXPECT_EQ(FileSizeByName(dir.Path(".hidden")), -1);
    EXPECT_EQ(FileSizeByName(dir.Path("hidden.bin")), 5);
#endif

    EXPECT_EQ(FileSizeByName(dir.Path("empty.bin")), 0);
    EXPECT_EQ(FileSizeByName(dir.Path("five.bin")), 5);
    EXPECT_EQ(FileSizeByName(dir.Path("missing.bin")), -1);
    EXPECT_EQ(FileSizeByName(dir.Path("folder")), -1);
    EXPECT_EQ(FileSizeByName(""), -1);
#ifndef _WIN32
    fs::create_symlink(dir.Path("five.bin"), dir.Path("link.bin"));
    ASSERT_EQ(mkfifo(dir.Path("fifo").c_str(), 0600), 0);
    EXPECT_EQ(FileSizeByName(dir.Path("link.bin")), 5);
    EXPECT_EQ(FileSizeByName(dir.Path("fifo")), -1);
#endif
}

TEST(FileSizeByName, HugeFileIsNotMistakenForItsLowBits) {
    Dir dir;
    dir.Write("huge.bin", "");
    // 4 GB + 8 KB: its low 32 bits would pass for an 8 KB image.
    fs::resize_file(dir.Path("huge.bin"), (std::uintmax_t{1} << 32) + 8192);
    EXPECT_EQ(FileSizeByName(dir.Path("huge.bin")), std::numeric_limits<std::int32_t>::max());
}

TEST(OutputImageFile, CreatesOnlyNewFiles) {
    Dir dir;
    dir.Write("old.bin", "keep");
    dir.Write(".old", "keep");
    OutputImageFile file;
    EXPECT_FALSE(file.CreateNew(dir.Path("old.bin")));
    EXPECT_FALSE(file.CreateNew(dir.Path(".old")));
#ifndef _WIN32
    // A link is not followed, not even to a file that does not exist yet.
    fs::create_symlink(dir.Path("target.bin"), dir.Path("dangling.bin"));
    EXPECT_FALSE(file.CreateNew(dir.Path("dangling.bin")));
#endif
    EXPECT_FALSE(file.CreateNew(dir.Path("no-dir/new.bin")));
    EXPECT_FALSE(file.is_open());
    EXPECT_EQ(dir.Read("old.bin"), "keep");
    EXPECT_EQ(dir.Read(".old"), "keep");
    EXPECT_FALSE(fs::exists(dir.Path("target.bin")));

    RecordingOperator op;
    ASSERT_TRUE(file.CreateNew(dir.Path("new.bin")));
    file.WriteFileBlock(Filled(0x0A), op);  // no text translation of line feeds
    file.WriteFileBlock(Filled(0x5A), op);
    EXPECT_FALSE(fs::exists(dir.Path("new.bin")));  // not before it is finished
    file.Finish(op);
    ASSERT_TRUE(file.Keep());
    EXPECT_EQ(dir.Read("new.bin"), std::string(4096, '\x0A') + std::string(4096, '\x5A'));
    EXPECT_TRUE(op.shown.empty());
}

#ifndef _WIN32
TEST(OutputImageFile, WriteErrorKeepsWhatWasWrittenShowsTheBoxAndEndsTheProgram) {
    Dir dir;
    OutputImageFile file;
    ASSERT_TRUE(file.CreateNew(dir.Path("new.bin")));
    RecordingOperator op;
    file.WriteFileBlock(Filled(1), op);

    // The second record does not fit, as on a full disk.
    std::optional<FatalStop> stop;
    {
        FileSizeLimit limit(6000);
        stop = ExpectFatalStop([&] { file.WriteFileBlock(Filled(2), op); });
    }

    EXPECT_EQ(stop->kind(), FatalStop::Kind::Terminated);
    const std::string part = dir.Path("new.bin.part");
    EXPECT_EQ(op.shown, (std::vector<std::string>{
                            "  Чтение не завершено! Считанное сохранено в файле: \"" + part + "\".",
                            "[box] Ошибка при записи выходного файла"}));
    EXPECT_FALSE(file.is_open());
    EXPECT_FALSE(fs::exists(dir.Path("new.bin")));
    EXPECT_EQ(dir.Read("new.bin.part").substr(0, 4096), std::string(4096, '\x01'));
}
#endif

TEST(InputImageFile, ReadsWholeRecordsInOrder) {
    Dir dir;
    dir.Write("in.bin", std::string(4096, '\x0D') + std::string(4096, '\x1A'));
    InputImageFile file;
    ASSERT_TRUE(file.Open(dir.Path("in.bin")));
    RecordingOperator op;
    DataBlock block;
    file.ReadFileBlock(block, op);
    EXPECT_EQ(block, Filled(0x0D));
    file.ReadFileBlock(block, op);
    EXPECT_EQ(block, Filled(0x1A));
    EXPECT_TRUE(op.shown.empty());
    EXPECT_FALSE(file.Open(dir.Path("missing.bin")));
}

TEST(InputImageFile, RecordCutShortShowsTheBoxAndEndsTheProgram) {
    for (const std::size_t length : {std::size_t{0}, std::size_t{4095}, std::size_t{6000}}) {
        SCOPED_TRACE(length);
        Dir dir;
        dir.Write("in.bin", std::string(length, 'x'));
        InputImageFile file;
        ASSERT_TRUE(file.Open(dir.Path("in.bin")));
        RecordingOperator op;
        DataBlock block;
        const FatalStop stop = ExpectFatalStop([&] {
            for (int n = 0; n < 2; ++n) file.ReadFileBlock(block, op);
        });
        EXPECT_EQ(stop.kind(), FatalStop::Kind::Terminated);
        EXPECT_EQ(op.shown, std::vector<std::string>{"[box] Ошибка при чтении входного файла"});
    }
}

}  // namespace
}  // namespace dspprog::testing
