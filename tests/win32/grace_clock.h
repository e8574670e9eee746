// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Simulated time for the native link's tests. The programmer on the far side
// of the named pipes is a set of threads answering in real time, so a wait on
// an operating-system event first gives them `grace_ms` of real time; only a
// transfer that has not finished by then counts as stalled, and the clock
// jumps to the deadline. Every other wait jumps at once, as SimulatedClock's do.

#include <algorithm>
#include <cstdint>

#include "link/clock.h"

namespace dspprog::testing {

class GraceClock final : public Clock {
public:
    explicit GraceClock(std::uint64_t grace_ms) : grace_ms_(grace_ms) {}

    std::uint64_t NowMs() override { return now_; }

    bool WaitUntil(std::unique_lock<std::mutex>&, std::condition_variable&,
                   std::uint64_t deadline_ms, const std::function<bool()>& ready) override {
        if (ready()) return true;
        now_ = std::max(now_, deadline_ms);
        return ready();
    }

    bool WaitForSignal(std::uint64_t deadline_ms,
                       const std::function<bool(std::uint64_t max_ms)>& wait_for) override {
        if (wait_for(now_ < deadline_ms ? grace_ms_ : 0)) return true;
        now_ = std::max(now_, deadline_ms);
        return wait_for(0);
    }

private:
    std::uint64_t grace_ms_;
    std::uint64_t now_ = 0;
};

}  // namespace dspprog::testing
