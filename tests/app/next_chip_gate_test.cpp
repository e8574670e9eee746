// SPDX-License-Identifier: GPL-3.0-or-later
// One answer for every lane of a run: the operator is asked once a round,
// when every lane still running has finished its chip.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "app/next_chip_gate.h"

namespace dspprog {
namespace {

// Says Go `rounds` times, then Finish; counts the questions and the chips
// they were asked about.
class CountingPerson final : public NextChipPrompt {
public:
    explicit CountingPerson(int rounds) : rounds_(rounds) {}
    NextChip AskNext(const SeriesCounts& counts) override {
        ++asked;
        last_passed = counts.passed;
        return asked <= rounds_ ? NextChip::Go : NextChip::Finish;
    }
    std::atomic<int> asked{0};
    std::atomic<std::uint32_t> last_passed{0};

private:
    int rounds_;
};

TEST(SharedNextChipGate, AsksOnceARoundForAllLanesAndSkipsALaneThatLeft) {
    CountingPerson person(2);
    SharedNextChipGate gate(person, 3);
    std::vector<int> chips(3, 0);
    std::vector<std::thread> lanes;
    for (int lane = 0; lane < 3; ++lane) {
        lanes.emplace_back([&, lane] {
            // Lane 2 runs out of chips after its first one.
            for (;;) {
                ++chips[lane];
                if (lane == 2) {
                    gate.Leave();
                    return;
                }
                if (gate.AskNext({1, 0}) == NextChip::Finish) return;
            }
        });
    }
    for (std::thread& lane : lanes) lane.join();
    EXPECT_EQ(person.asked, 3);
    EXPECT_EQ(chips, (std::vector<int>{3, 3, 1}));
    EXPECT_EQ(person.last_passed, 2u);  // the two lanes still running
}

}  // namespace
}  // namespace dspprog
