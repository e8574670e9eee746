// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How a series learns that the next chip is in the socket: the operator's
// answer, once per chip, or once for every lane of a run.

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

// One answer for several lanes: the operator replaces every lane's chip and
// answers once. Each lane asks through it; the last lane to arrive asks the
// operator, and every waiting lane gets that answer. A lane that ends leaves,
// so that the others do not wait for it.
class SharedNextChipGate final : public NextChipPrompt {
public:
    SharedNextChipGate(NextChipPrompt& person, int lanes) : person_(person), lanes_(lanes) {}

    NextChip AskNext(const SeriesCounts& counts) override;
    void Leave();

private:
    void AskIfAllHere(std::unique_lock<std::mutex>& lock, const SeriesCounts& counts);

    NextChipPrompt& person_;
    std::mutex mutex_;
    std::condition_variable answered_;
    int lanes_;
    int waiting_ = 0;
    std::uint64_t round_ = 0;
    NextChip answer_ = NextChip::Go;
    SeriesCounts totals_;  // the counts the lanes brought to this round
};

}  // namespace dspprog
