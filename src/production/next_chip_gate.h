// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a series learns that the next chip is in the socket: the operator's
// answer, once per chip, or once for every site of a gang.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace dspprog {

// Passed and failed chips so far.
struct SeriesCounts {
    std::uint32_t passed = 0;
    std::uint32_t failed = 0;
};

enum class NextChip { Go, Finish };

// The front-end's question: "put the next chip in" with an answer.
class NextChipPrompt {
public:
    virtual ~NextChipPrompt() = default;
    // Blocks until the operator has put the next chip in (Go) or ends the run.
    virtual NextChip AskNext(const SeriesCounts& counts) = 0;
};

// One answer for several sites: the operator replaces every site's chip and
// answers once. Each site asks through it; the last site to arrive asks the
// operator, and every waiting site gets that answer. A site that ends leaves,
// so that the others do not wait for it.
class SharedNextChipGate final : public NextChipPrompt {
public:
    SharedNextChipGate(NextChipPrompt& person, int sites) : person_(person), sites_(sites) {}

    NextChip AskNext(const SeriesCounts& counts) override;
    void Leave();

private:
    void AskIfAllHere(std::unique_lock<std::mutex>& lock, const SeriesCounts& counts);

    NextChipPrompt& person_;
    std::mutex mutex_;
    std::condition_variable answered_;
    int sites_;
    int waiting_ = 0;
    std::uint64_t round_ = 0;
    NextChip answer_ = NextChip::Go;
    SeriesCounts totals_;  // the counts the sites brought to this round
};

}  // namespace dspprog
