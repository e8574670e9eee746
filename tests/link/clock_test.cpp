// SPDX-License-Identifier: GPL-3.0-or-later
// The clocks the link waits on.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

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

// Waits on operating-system events (the Windows overlapped transfers).
TEST(SimulatedClock, ASignalWaitLooksWithoutBlockingThenJumpsToTheDeadline) {
    SimulatedClock clock(1000);
    std::vector<std::uint64_t> asked;
    EXPECT_FALSE(clock.WaitForSignal(4000, [&](std::uint64_t ms) {
        asked.push_back(ms);
        return false;
    }));
    EXPECT_EQ(asked, (std::vector<std::uint64_t>{0, 0}));
    EXPECT_EQ(clock.NowMs(), 4000u);

    asked.clear();
    EXPECT_TRUE(clock.WaitForSignal(9000, [&](std::uint64_t ms) {
        asked.push_back(ms);
        return true;
    }));
    EXPECT_EQ(asked, std::vector<std::uint64_t>{0});
    EXPECT_EQ(clock.NowMs(), 4000u) << "what has happened takes no time";
}

TEST(SteadyClock, ASignalWaitHandsTheRemainingTimeToThePlatformInOneWait) {
    SteadyClock clock;
    std::vector<std::uint64_t> asked;
    EXPECT_TRUE(clock.WaitForSignal(clock.NowMs() + 60000, [&](std::uint64_t ms) {
        asked.push_back(ms);
        return true;
    }));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_GT(asked[0], 59000u);
    EXPECT_LE(asked[0], 60000u);

    // Past the deadline the platform is only asked, never waited on.
    asked.clear();
    EXPECT_FALSE(clock.WaitForSignal(0, [&](std::uint64_t ms) {
        asked.push_back(ms);
        return false;
    }));
    EXPECT_EQ(asked, std::vector<std::uint64_t>{0});
}

}  // namespace
}  // namespace dspprog
