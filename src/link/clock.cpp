// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/clock.h"

#include <algorithm>
#include <chrono>

namespace dspprog {

void Clock::SleepUntil(std::uint64_t deadline_ms) {
    std::mutex m;
    std::condition_variable cv;
    std::unique_lock lock(m);
    while (NowMs() < deadline_ms) WaitUntil(lock, cv, deadline_ms, [] { return false; });
}

bool Clock::WaitForSignal(std::uint64_t deadline_ms,
                          const std::function<bool(std::uint64_t max_ms)>& wait_for) {
    // A platform wait can end a little early by this clock's reckoning; the
    // loop waits out the rest.
    for (;;) {
        const std::uint64_t now = NowMs();
        if (now >= deadline_ms) return wait_for(0);
        if (wait_for(deadline_ms - now)) return true;
    }
}

std::uint64_t SteadyClock::NowMs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool SteadyClock::WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                            std::uint64_t deadline_ms, const std::function<bool()>& ready) {
    using namespace std::chrono;
    const std::uint64_t now = NowMs();
    if (deadline_ms <= now) return ready();
    // Convert to the steady clock's own time point; a far deadline is capped so
    // the addition cannot overflow.
    const std::uint64_t wait = std::min<std::uint64_t>(deadline_ms - now, 1ull << 40);
    return cv.wait_until(lock, steady_clock::now() + milliseconds(wait), ready);
}

bool SimulatedClock::WaitUntil(std::unique_lock<std::mutex>&, std::condition_variable&,
                               std::uint64_t deadline_ms, const std::function<bool()>& ready) {
    if (ready()) return true;
    now_ = std::max(now_, deadline_ms);
    return ready();
}

bool SimulatedClock::WaitForSignal(std::uint64_t deadline_ms,
                                   const std::function<bool(std::uint64_t max_ms)>& wait_for) {
    if (wait_for(0)) return true;
    now_ = std::max(now_, deadline_ms);
    return wait_for(0);
}

}  // namespace dspprog
