// SPDX-License-Identifier: GPL-3.0-or-later
// dspprog-cli ended by a signal in the middle of a read: the chosen name must
// not hold a partial image; what was read is kept as NAME.part and the log
// says so. The programmer stalls after the first block and the program waits
// for it, so the read is unfinished when the signal comes. The image is
// written under a hidden temporary name beside the chosen one, ".NAME.*".

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "cli_fixture.h"

namespace dspprog::testing {
namespace {

namespace fs = std::filesystem;

class CliSignal : public CliTest {
protected:
    // Starts the program with `args`, its output going to `out`.
    pid_t Start(const std::vector<std::string>& args, const std::string& out) {
        std::vector<char*> argv = {const_cast<char*>(DSPPROG_CLI_BINARY)};
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            const int fd = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int nothing = open("/dev/null", O_RDWR);
            dup2(fd, STDOUT_FILENO);
            dup2(nothing, STDERR_FILENO);
            dup2(nothing, STDIN_FILENO);
            // Whatever this test was started with, the program gets the defaults.
            for (const int number : {SIGTERM, SIGINT, SIGHUP}) std::signal(number, SIG_DFL);
            execv(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }

    // True once a hidden file beginning with ".NAME." holds `bytes` bytes.
    bool Holds(const std::string& name, std::uintmax_t bytes) const {
        for (const auto& entry : fs::directory_iterator(catalogue.dir())) {
            std::error_code error;
            if (entry.path().filename().string().rfind("." + name + ".", 0) == 0 &&
                fs::file_size(entry.path(), error) == bytes)
                return true;
        }
        return false;
    }
};

TEST_F(CliSignal, ASignalMidReadLeavesWhatWasReadAsPartAndNothingUnderTheChosenName) {
    for (const int number : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(number);
        const std::string name = "image" + std::to_string(number) + ".bin";
        const std::string image = Path(name);
        const std::string out = Path("out.txt");
        const pid_t pid = Start(Emulate("AB05:8192:255", {"--fault", "stall:MainIn@1", "--on-stall",
                                                          "wait", "read", "-o", image}),
                                out);
        ASSERT_GT(pid, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!Holds(name, 4096) && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        kill(pid, number);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);

        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == number) << status;
        EXPECT_FALSE(fs::exists(image));
        const std::vector<std::uint8_t> part = ReadBytes(image + ".part");
        EXPECT_EQ(part.size(), 4096u);
        EXPECT_EQ(std::count(part.begin(), part.end(), 0xFF), 4096);
        EXPECT_FALSE(Holds(name, 4096));  // no temporary left behind
        const std::vector<std::string> log = ReadLines(out);
        ASSERT_FALSE(log.empty());
        EXPECT_EQ(log.back(),
                  "  Чтение не завершено! Считанное сохранено в файле: \"" + image + ".part\".");
    }
}

}  // namespace
}  // namespace dspprog::testing
