// SPDX-License-Identifier: GPL-3.0-or-later
// A read whose image file fails to close: the content may not have reached the
// disk, so the read must end as a write error, not report the file as saved.
// dspprog-cli runs as a process of its own with a shim preloaded that makes
// the close of that one file fail, as a network file system may. The image is
// written under a hidden temporary name beside the chosen one, ".image.bin.*".

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli/run_cli.h"
#include "cli_fixture.h"

namespace dspprog::testing {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliCloseFailure : public CliTest {};

TEST_F(CliCloseFailure, AnImageThatFailsToCloseIsAWriteErrorNotSaved) {
    const std::string image = Path("image.bin");
    const std::string out = Path("out.txt");
    const std::string err = Path("err.txt");
    const std::string command = "cd '" + catalogue.dir().string() + "' && LD_PRELOAD='" +
                                DSPPROG_FAIL_CLOSE_SHIM + "' DSPPROG_FAIL_CLOSE='" +
                                Path(".image.bin.") + "' '" + DSPPROG_CLI_BINARY +
                                "' --emulate AB05:8192:255 --fast " + "read -o '" + image + "' >'" +
                                out + "' 2>'" + err + "' </dev/null";
    const int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status)) << command;
    EXPECT_EQ(WEXITSTATUS(status), kExitStopped) << Slurp(err);

    EXPECT_NE(Slurp(err).find("Ошибка при записи выходного файла"), std::string::npos)
        << Slurp(err);
    const std::string log = Slurp(out);
    EXPECT_NE(log.find("  Производится чтение."), std::string::npos) << log;
    EXPECT_EQ(log.find("Содержимое сохранено"), std::string::npos) << log;
    EXPECT_EQ(log.find("Чип чист"), std::string::npos) << log;
    EXPECT_FALSE(std::filesystem::exists(image));
    const std::string part = Slurp(image + ".part");
    EXPECT_EQ(part.size(), 8192u);
    EXPECT_EQ(part.find_first_not_of('\xFF'), std::string::npos);
}

}  // namespace
}  // namespace dspprog::testing
