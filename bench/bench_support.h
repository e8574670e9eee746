// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the benchmarks share: processor time, and a prompt nobody should see.

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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

}  // namespace dspprog::bench
