// SPDX-License-Identifier: GPL-3.0-or-later
// The command line on Windows without --emulate: it looks for the programmer
// through the backend asked for and stops when there is none.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/run_cli.h"

namespace dspprog {
namespace {

TEST(WindowsCli, WithoutAProgrammerEveryBackendStopsWithTheAccessMessage) {
    std::vector<std::vector<std::string>> runs = {{"identify"}, {"--usb", "native", "identify"}};
#ifdef DSPPROG_HAVE_LIBUSB
    runs.push_back({"--usb", "libusb", "identify"});
#endif
    for (const std::vector<std::string>& args : runs) {
        std::ostringstream out;
        std::ostringstream err;
        const int status = RunCli(args, out, err, CliEnvironment{});
        EXPECT_EQ(status, kExitStopped) << args.front();
        EXPECT_EQ(out.str(), "") << args.front();
        EXPECT_EQ(err.str(),
                  "Не удалось получить доступ к устройству!\n\r"
                  "Программа будет аварийно завершена.\n")
            << args.front();
    }
}

#ifndef DSPPROG_HAVE_LIBUSB
TEST(WindowsCli, LibusbIsAUsageError) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli({"--usb", "libusb", "identify"}, out, err, CliEnvironment{});
    EXPECT_EQ(status, kExitUsage);
    EXPECT_EQ(err.str(), "dspprog-cli: --usb: libusb is not part of this Windows build\n");
}
#endif

}  // namespace
}  // namespace dspprog
