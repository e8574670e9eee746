// SPDX-License-Identifier: GPL-3.0-or-later
// One answer for every site of a gang: the operator is asked once a round,
// when every site still running has finished its chip.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "production/next_chip_gate.h"

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

TEST(SharedNextChipGate, AsksOnceARoundForAllSitesAndSkipsASiteThatLeft) {
    CountingPerson person(2);
    SharedNextChipGate gate(person, 3);
    std::vector<int> chips(3, 0);
    std::vector<std::thread> sites;
    for (int site = 0; site < 3; ++site) {
        sites.emplace_back([&, site] {
            // Site 2 runs out of chips after its first one.
            for (;;) {
                ++chips[site];
                if (site == 2) {
                    gate.Leave();
                    return;
                }
                if (gate.AskNext({1, 0}) == NextChip::Finish) return;
            }
        });
    }
    for (std::thread& site : sites) site.join();
    EXPECT_EQ(person.asked, 3);
    EXPECT_EQ(chips, (std::vector<int>{3, 3, 1}));
    EXPECT_EQ(person.last_passed, 2u);  // the two sites still running
}

}  // namespace
}  // namespace dspprog
