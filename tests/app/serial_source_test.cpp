// SPDX-License-Identifier: GPL-3.0-or-later
// The serial numbers a series hands out: never one twice, within a run or
// across runs sharing a serial file.

#include <gtest/gtest.h>

#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "production/serial_source.h"
#include "support/temp_catalogue.h"

namespace dspprog {
namespace {

class SerialSourceTest : public ::testing::Test {
protected:
    std::string FileText() const {
        std::ifstream in(file);
        std::string text;
        std::getline(in, text);
        return text;
    }
    std::unique_ptr<SerialSource> Open() {
        error.clear();
        return SerialSource::Open(numbering, file, error);
    }

    TempCatalogue folder;  // for its temporary directory
    std::string file = (folder.dir() / "serial.txt").string();
    SerialNumbering numbering{0x10, 100, 10, 4, SerialForm::LittleEndian};
    std::string error;
};

TEST_F(SerialSourceTest, TheFileIsAheadOfEveryNumberHandedOut) {
    auto source = Open();
    ASSERT_TRUE(source) << error;
    EXPECT_EQ(source->Take(error), 100u);
    EXPECT_EQ(FileText(), "110");  // before the chip is written
    EXPECT_EQ(source->Take(error), 110u);
    EXPECT_EQ(source->Take(error), 120u);
    // A number given back out of turn goes to the next chip of this run...
    EXPECT_TRUE(source->GiveBack(110, error));
    EXPECT_EQ(FileText(), "130");
    EXPECT_EQ(source->Take(error), 110u);
    // ...the last one handed out goes back into the file as well.
    EXPECT_TRUE(source->GiveBack(120, error));
    EXPECT_EQ(FileText(), "120");
    EXPECT_EQ(source->Take(error), 120u);
}

TEST_F(SerialSourceTest, ASecondRunWaitsForTheFirstAndGoesOnFromItsFile) {
    {
        auto first = Open();
        ASSERT_TRUE(first) << error;
        EXPECT_FALSE(Open());
        EXPECT_NE(error.find("занят другим запуском"), std::string::npos) << error;
        first->Take(error);
    }
    auto second = Open();
    ASSERT_TRUE(second) << error;
    EXPECT_EQ(second->Take(error), 110u);
}

#ifndef _WIN32
// Replaced, the file keeps its mode; given through a symbolic link, it is the
// file that is advanced, and the link stays a link.
TEST_F(SerialSourceTest, TheFileKeepsItsModeAndALinkToItStaysALink) {
    std::ofstream(file) << "800\n";
    ASSERT_EQ(chmod(file.c_str(), 0640), 0);
    const std::string link = (folder.dir() / "link.txt").string();
    ASSERT_EQ(symlink(file.c_str(), link.c_str()), 0);
    for (const std::string& name : {file, link}) {
        auto source = SerialSource::Open(numbering, name, error);
        ASSERT_TRUE(source) << error;
        EXPECT_EQ(source->Take(error), name == file ? 800u : 810u);
    }
    EXPECT_EQ(FileText(), "820");
    struct stat st;
    EXPECT_TRUE(lstat(link.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(stat(file.c_str(), &st) == 0 && (st.st_mode & 07777) == 0640) << st.st_mode;
}

// Another process holds the file, then dies without cleaning up (a kill, a
// Ctrl-C): the next run is refused only while it lives.
TEST_F(SerialSourceTest, ARunThatDiesLeavesTheFileFreeForTheNext) {
    int held[2];
    int go[2];
    ASSERT_EQ(pipe(held), 0);
    ASSERT_EQ(pipe(go), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::string child_error;
        auto source = SerialSource::Open(numbering, file, child_error);
        const bool took = source && source->Take(child_error);
        char byte = took ? 1 : 0;
        if (write(held[1], &byte, 1) != 1 || read(go[0], &byte, 1) != 1) _exit(2);
        _exit(took ? 0 : 1);  // no destructor runs
    }
    char byte = 0;
    ASSERT_EQ(read(held[0], &byte, 1), 1);
    EXPECT_EQ(byte, 1);
    EXPECT_FALSE(Open());
    EXPECT_NE(error.find("занят другим запуском"), std::string::npos) << error;
    ASSERT_EQ(write(go[1], &byte, 1), 1);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    for (int fd : {held[0], held[1], go[0], go[1]}) close(fd);

    auto next = Open();
    ASSERT_TRUE(next) << error;
    EXPECT_EQ(next->Take(error), 110u);
}
#endif

}  // namespace
}  // namespace dspprog
