// The command line on Windows without --emulate: it looks for the programmer
// through SetupAPI and stops when there is none.

#include <gtest/gtest.h>

#include <sstream>

#include "cli/run_cli.h"

namespace dspprog {
namespace {

TEST(WindowsCli, WithoutAProgrammerStopsWithTheAccessMessage) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli({"identify"}, out, err, CliEnvironment{});
    EXPECT_EQ(status, kExitStopped);
    EXPECT_EQ(err.str(),
              "Не удалось получить доступ к устройству!\n\r"
              "Программа будет аварийно завершена.\n");
}

TEST(WindowsCli, LibusbIsAUsageError) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli({"--usb", "libusb", "identify"}, out, err, CliEnvironment{});
    EXPECT_EQ(status, kExitUsage);
    EXPECT_EQ(err.str(), "dspprog-cli: --usb: libusb is not part of this Windows build\n");
}

}  // namespace
}  // namespace dspprog
