// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Monotonic millisecond time for deadlines, with a real and a simulated clock.
//
// Every wait of the link goes through a Clock, so that tests can run the
// 10 s / 20 s / 30 s deadline rules in an instant with SimulatedClock while the
// real program blocks (without spinning) on SteadyClock.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>

namespace dspprog {

class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary origin; 64 bits, so it never wraps.
    virtual std::uint64_t NowMs() = 0;

    // Blocks on `cv` (with `lock` held by the caller) until `ready()` is true or
    // the clock reaches `deadline_ms`. Returns ready().
    virtual bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                           std::uint64_t deadline_ms, const std::function<bool()>& ready) = 0;

    // Waits for something only the operating system can wait on (an event of
    // an overlapped transfer) until it happens or the clock reaches
    // `deadline_ms`. `wait_for(ms)` blocks at most `ms` real milliseconds and
    // returns whether the thing has happened; 0 asks without blocking. Returns
    // whether it happened. A real clock hands the remaining time to the
    // platform in one wait, so the thread sleeps and wakes as soon as it is
    // signalled.
    virtual bool WaitForSignal(std::uint64_t deadline_ms,
                               const std::function<bool(std::uint64_t max_ms)>& wait_for);

    // Returns when the clock has reached `deadline_ms`.
    void SleepUntil(std::uint64_t deadline_ms);
    void SleepMs(std::uint64_t ms) { SleepUntil(NowMs() + ms); }
};

// std::chrono::steady_clock.
class SteadyClock final : public Clock {
public:
    std::uint64_t NowMs() override;
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   std::uint64_t deadline_ms, const std::function<bool()>& ready) override;
};

// A clock that only moves when told to, or when someone waits on it: a wait
// that is not satisfied at once jumps the clock to its deadline. Single-threaded
// use only (the emulator answers synchronously).
class SimulatedClock final : public Clock {
public:
    explicit SimulatedClock(std::uint64_t start_ms = 0) : now_(start_ms) {}

    std::uint64_t NowMs() override { return now_; }
    bool WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& cv,
                   std::uint64_t deadline_ms, const std::function<bool()>& ready) override;
    // Looks once; if nothing has happened, jumps to the deadline and looks again.
    // Whatever is to be waited for must therefore have happened already.
    bool WaitForSignal(std::uint64_t deadline_ms,
                       const std::function<bool(std::uint64_t max_ms)>& wait_for) override;

    void Advance(std::uint64_t ms) { now_ += ms; }

private:
    std::uint64_t now_;
};

}  // namespace dspprog
