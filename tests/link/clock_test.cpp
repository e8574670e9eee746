// The clocks the link waits on.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>

#include "link/clock.h"

namespace dspprog {
namespace {

TEST(SimulatedClock, AnUnsatisfiedWaitJumpsToItsDeadlineButNeverBack) {
    SimulatedClock clock(1000);
    std::mutex m;
    std::condition_variable cv;
    std::unique_lock lock(m);

    EXPECT_FALSE(clock.WaitUntil(lock, cv, 6000, [] { return false; }));
    EXPECT_EQ(clock.NowMs(), 6000u);
    EXPECT_FALSE(clock.WaitUntil(lock, cv, 2000, [] { return false; }));
    EXPECT_EQ(clock.NowMs(), 6000u);
    EXPECT_TRUE(clock.WaitUntil(lock, cv, 9000, [] { return true; }));
    EXPECT_EQ(clock.NowMs(), 6000u) << "a satisfied wait takes no time";

    clock.SleepMs(100);
    EXPECT_EQ(clock.NowMs(), 6100u);
}

// The link's promise that a wait ends as soon as the transfer completes rests
// on this: a notified wait returns long before its deadline.
TEST(SteadyClock, ANotifiedWaitReturnsBeforeItsDeadline) {
    for (const bool far : {false, true}) {
        SteadyClock clock;
        std::mutex m;
        std::condition_variable cv;
        bool done = false;
        // The far deadline checks that the conversion to the clock's own time
        // does not overflow into a deadline already past.
        const std::uint64_t deadline =
            far ? std::numeric_limits<std::uint64_t>::max() : clock.NowMs() + 5000;

        const auto began = std::chrono::steady_clock::now();
        std::thread device([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::lock_guard guard(m);
            done = true;
            cv.notify_all();
        });
        bool ready;
        {
            std::unique_lock lock(m);
            ready = clock.WaitUntil(lock, cv, deadline, [&] { return done; });
        }
        device.join();
        const auto took = std::chrono::steady_clock::now() - began;
        EXPECT_TRUE(ready) << "far=" << far;
        EXPECT_LT(took, std::chrono::milliseconds(1000)) << "far=" << far;
    }
}

TEST(SteadyClock, APastDeadlineDoesNotBlock) {
    SteadyClock clock;
    std::mutex m;
    std::condition_variable cv;
    std::unique_lock lock(m);
    const auto began = std::chrono::steady_clock::now();
    EXPECT_FALSE(clock.WaitUntil(lock, cv, 0, [] { return false; }));
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::milliseconds(50));
}

}  // namespace
}  // namespace dspprog
