// SPDX-License-Identifier: GPL-3.0-or-later
// dspprog-cli: the programmer's operations from a terminal or a script.

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "base/locale_separator.h"
#include "cli/run_cli.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#define DSPPROG_ISATTY _isatty
#define DSPPROG_FILENO _fileno
#else
#include <unistd.h>

#include "cli/signal_cleanup.h"
#define DSPPROG_ISATTY isatty
#define DSPPROG_FILENO fileno
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // The log is UTF-8; let the console show it as such.
    SetConsoleOutputCP(CP_UTF8);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool terminal_in = DSPPROG_ISATTY(DSPPROG_FILENO(stdin));
    const bool terminal_err = DSPPROG_ISATTY(DSPPROG_FILENO(stderr));

    dspprog::CliEnvironment environment;
    // A question needs someone to see it (standard error) and to answer it.
    environment.ask = terminal_in && terminal_err ? &std::cin : nullptr;
    environment.progress = terminal_err;
    environment.next_chip_input = &std::cin;
    environment.decimal_separator = dspprog::LocaleDecimalSeparator();
#ifndef _WIN32
    dspprog::SignalCleanup signal_cleanup;
    environment.unfinished_files = &signal_cleanup;
#endif
    return dspprog::RunCli(args, std::cout, std::cerr, environment);
}
