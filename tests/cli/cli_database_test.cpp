// SPDX-License-Identifier: GPL-3.0-or-later
// Serial numbers and the chip log on a PostgreSQL server the test starts:
// several stations at once, a station killed mid-write, the server stopped
// mid-series, and the input refused before any chip is touched.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <thread>

#include "cli_fixture.h"
#include "startup/exit_status.h"
#include "support/postgres_server.h"

namespace dspprog::testing {
namespace {

using Lines = std::vector<std::string>;

class CliDatabase : public CliOnChip {
protected:
    void SetUp() override {
        DSPPROG_NEED_POSTGRES(server);
        url = server.NewDatabase();
        ASSERT_EQ(Run({"db", "init", url}).status, kExitSucceeded);
        WriteBytes(Path("image.bin"), std::vector<std::uint8_t>(kChipSize, 0x5A));
    }

    // The program as a process of its own, named `host` (a UTS namespace of
    // its own), its standard input from `input`, standard error to `err`.
    pid_t Start(const std::string& host, const Lines& args, const std::string& input,
                const std::string& err) {
        Lines all = {"unshare", "--uts"};
        // Without root, a user namespace of its own gives the right to name it.
        if (geteuid() != 0) all.push_back("--map-root-user");
        all.insert(all.end(),
                   {"sh", "-c", "hostname " + host + " && exec \"$0\" \"$@\"", DSPPROG_CLI_BINARY});
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) argv.push_back(arg.data());
        argv.push_back(nullptr);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(open(input.c_str(), O_RDONLY), STDIN_FILENO);
            dup2(open("/dev/null", O_WRONLY), STDOUT_FILENO);
            dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), STDERR_FILENO);
            execvp(argv[0], argv.data());
            _exit(127);
        }
        return pid;
    }
    static int Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // The write of a numbered series: `chips` programmers, each chip a file.
    Lines SeriesWrite(const std::string& prefix, int programmers, const Lines& more) const {
        std::string chips = "AB05";
        std::string files = Path(prefix + "1-%d.bin");
        for (int n = 2; n <= programmers; ++n) {
            chips += ",AB05";
            files += "," + Path(prefix + std::to_string(n) + "-%d.bin");
        }
        Lines args = {
            "--catalogue", catalogue.path(),   "--emulate",   chips, "--chip-file", files, "write",
            "--serial",    "0x10:1000:1:4:le", "--serial-db", url};
        args.insert(args.end(), more.begin(), more.end());
        args.push_back(Path("image.bin"));
        return args;
    }
    std::string Sql(const std::string& sql) { return server.Query(url, sql); }
    // Polls the database until `sql` answers "t".
    bool Until(const std::string& sql) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (std::chrono::steady_clock::now() < deadline) {
            if (Sql(sql).rfind("t", 0) == 0) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // The number a chip file holds at 0x10; nothing for a file not there.
    std::optional<std::uint32_t> NumberIn(const std::string& name) {
        const std::vector<std::uint8_t> bytes = ReadBytes(Path(name));
        if (bytes.size() < 0x14) return std::nullopt;
        return bytes[0x10] | bytes[0x11] << 8 | bytes[0x12] << 16 | bytes[0x13] << 24;
    }
    // A station whose programmer stalls at `fault`, killed once `sql` holds.
    void KillWhenStalled(const std::string& prefix, const std::string& fault,
                         const std::string& sql) {
        const pid_t pid =
            Start("station", SeriesWrite(prefix, 1, {"--fault", fault, "--on-stall", "wait"}),
                  Enters(0), Path("err"));
        EXPECT_TRUE(Until(sql));
        kill(pid, SIGKILL);
        Wait(pid);
    }
    std::string Enters(int count) {
        WriteBytes(Path("enters"), std::vector<std::uint8_t>(count, '\n'));
        return Path("enters");
    }

    PostgresServer server;
    std::string url;
};

TEST_F(CliDatabase, ThreeStationsOfThreeProgrammersNeverShareANumber) {
    std::vector<pid_t> stations;
    for (int s = 1; s <= 3; ++s)
        stations.push_back(
            Start("station" + std::to_string(s),
                  SeriesWrite("s" + std::to_string(s) + "-", 3,
                              {"--fast", "--device", "all", "--repeat", "20", "--log", url}),
                  Enters(40), Path("err" + std::to_string(s))));
    for (std::size_t s = 0; s < stations.size(); ++s)
        EXPECT_EQ(Wait(stations[s]), kExitSucceeded)
            << ReadLines(Path("err" + std::to_string(s + 1))).size();

    std::map<std::string, std::string> station_of;  // number -> station
    std::istringstream rows(
        Sql("SELECT number, station FROM dspprog_serial WHERE state = 'written'"));
    for (std::string row; std::getline(rows, row);)
        station_of[row.substr(0, row.find('|'))] = row.substr(row.find('|') + 1);
    EXPECT_EQ(station_of.size(), 180u);
    EXPECT_EQ(Sql("SELECT count(*), count(DISTINCT number) FROM dspprog_serial"), "180|180\n");
    EXPECT_EQ(Sql("SELECT count(*) FROM dspprog_chip_log WHERE outcome = 'ok' AND "
                  "(line->>'serial')::numeric = number"),
              "180\n");
    for (int s = 1; s <= 3; ++s) {
        for (int p = 1; p <= 3; ++p) {
            for (int chip = 1; chip <= 20; ++chip) {
                const std::string file = "s" + std::to_string(s) + "-" + std::to_string(p) + "-" +
                                         std::to_string(chip) + ".bin";
                const std::optional<std::uint32_t> number = NumberIn(file);
                ASSERT_TRUE(number) << file;
                EXPECT_EQ(station_of[std::to_string(*number)],
                          "station" + std::to_string(s) + "/EMU" + std::to_string(p))
                    << file;
            }
        }
    }
}

TEST_F(CliDatabase, AStationKilledMidWriteSpendsItsNumberAndKeepsOneThatFailedBeforeIt) {
    // Killed while the chip is identified: its number is the next run's.
    KillWhenStalled("e", "stall:CmdIn@0", "SELECT count(*) = 1 FROM dspprog_serial");
    // Killed while the write's first data block stalls: its number is spent.
    KillWhenStalled("k", "stall:MainOut@0",
                    "SELECT count(*) = 1 FROM dspprog_serial WHERE write_began_at IS NOT NULL");

    // A write the programmer refuses fails before it begins: its number is kept.
    EXPECT_EQ(Wait(Start("station", SeriesWrite("f", 1, {"--fast", "--fault", "refuse:B0"}),
                         Enters(0), Path("err"))),
              kExitFailed);
    EXPECT_EQ(Sql("SELECT number, state FROM dspprog_serial ORDER BY number"),
              "1000|reserved\n1001|failed-before-write\n");
    EXPECT_EQ(Wait(Start("station", SeriesWrite("r", 1, {"--fast", "--repeat", "2"}), Enters(2),
                         Path("err"))),
              kExitSucceeded);
    EXPECT_EQ(NumberIn("r1-1.bin"), 1001u);
    EXPECT_EQ(NumberIn("r1-2.bin"), 1002u);

    // Made once, the tables are kept as they are by the next init.
    EXPECT_EQ(Run({"db", "init", url}).out, "Таблицы dspprog уже есть (схема версии 1)\n");
    const CliResult report = Run({"db", "report", url});
    EXPECT_EQ(report.status, kExitSucceeded) << report.err;
    EXPECT_NE(report.out.find("Номера, истраченные без записанного чипа: 1\n"
                              "0x10:1000:1:4:le\t1000\tstation/EMU1\treserved\n"),
              std::string::npos)
        << report.out;
}

TEST_F(CliDatabase, TheServerStoppedMidSeriesStopsTheRunBeforeTheNextChip) {
    // The operator's Enter for the second chip comes once the server is gone.
    const std::string fifo = Path("enter");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const pid_t run =
        Start("station", SeriesWrite("m", 1, {"--fast", "--repeat", "5"}), fifo, Path("err"));
    const int enter = open(fifo.c_str(), O_WRONLY);
    ASSERT_TRUE(Until("SELECT count(*) = 1 FROM dspprog_serial WHERE state = 'written'"));
    server.Stop();
    EXPECT_EQ(write(enter, "\n", 1), 1);
    close(enter);
    EXPECT_EQ(Wait(run), kExitStopped);
    const Lines err = ReadLines(Path("err"));
    EXPECT_NE(err.back().find("Связь с сервером базы данных потеряна"), std::string::npos)
        << err.back();
    EXPECT_EQ(NumberIn("m1-1.bin"), 1000u);
    EXPECT_NE(NumberIn("m1-2.bin"), 1001u);
    ASSERT_TRUE(server.Restart());
    EXPECT_EQ(Sql("SELECT number, state FROM dspprog_serial"), "1000|written\n");
}

TEST_F(CliDatabase, BadInputIsRefusedBeforeAnyChipIsTouched) {
    const Lines series = {"--serial-series", "s", "--serial-db"};
    ASSERT_EQ(Run(SeriesWrite("x", 1, {"--fast", "--serial-series", "s"})).status, 0);
    const std::string keeper = server.NewDatabase("keeper");
    setenv("PGPASSWORD", "wrong", 1);
    const struct {
        std::string url;
        std::string serial;
        int status;
        std::string line;
    } cases[] = {
        {"postgresql://[::1/db", "0x10:1000", kExitUsage, "Адрес базы данных не разобрать: "},
        {url + "&password=secret", "0x10:1000", kExitUsage,
         "Пароль в адресе базы данных не принимается"},
        {keeper, "0x10:1000", kExitUsage, "Сервер базы данных не принял вход: "},
        {url, "0x10:1000:2", kExitUsage,
         "Серия \"s\" в базе данных начинается с 1000 с шагом 1, а --serial задаёт начало 1000 и "
         "шаг 2"},
        {url.substr(0, url.find("host=")) + "host=" + Path("none"), "0x10:1000", kExitStopped,
         "Сервер базы данных недоступен: "},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.url);
        const CliResult run = On({"write", "--serial", each.serial, "--serial-series", "s",
                                  "--serial-db", each.url, Path("image.bin")});
        EXPECT_EQ(run.status, each.status);
        EXPECT_EQ(run.err.find("dspprog-cli: " + each.line), 0u) << run.err;
        EXPECT_EQ(Commands(), "");
    }
    unsetenv("PGPASSWORD");
}

}  // namespace
}  // namespace dspprog::testing
