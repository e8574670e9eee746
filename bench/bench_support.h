// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks share: processor time, and a prompt nobody should see.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "link/fatal_stop.h"

namespace dspprog::bench {

// User plus system time of the process (RUSAGE_SELF) or the calling thread
// (RUSAGE_THREAD), in seconds.
inline double CpuSeconds(int who = RUSAGE_SELF) {
    rusage usage{};
    getrusage(who, &usage);
    auto seconds = [](const timeval& tv) {
        return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// A benchmark whose transfer stalls has measured nothing: it stops at once.
class NeverPrompted final : public CriticalPrompt {
public:
    int ShowCriticalError(const std::string& message) override {
        std::fprintf(stderr, "unexpected prompt: %s\n", message.c_str());
        std::exit(2);
    }
};

// Runs a benchmark's `body`. A fatal stop (a catalogue that is missing or
// will not open, most often) ends it with the stop's message, where the
// catalogue was looked for, and exit status 3, as the programs do.
template <typename Body>
int RunStoppable(const std::string& catalogue_path, Body body) {
    try {
        return body();
    } catch (const FatalStop& stop) {
        std::error_code error;
        const std::filesystem::path looked = std::filesystem::absolute(catalogue_path, error);
        std::fprintf(stderr, "%s\nthe catalogue was looked for at '%s'\n", stop.message().c_str(),
                     (error ? catalogue_path : looked.string()).c_str());
        return 3;
    }
}

}  // namespace dspprog::bench
