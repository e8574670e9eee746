// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/next_chip_gate.h"

namespace dspprog {

NextChip SharedNextChipGate::AskNext(const SeriesCounts& counts) {
    std::unique_lock lock(mutex_);
    if (answer_ == NextChip::Finish) return NextChip::Finish;
    const std::uint64_t round = round_;
    ++waiting_;
    totals_.passed += counts.passed;
    totals_.failed += counts.failed;
    AskIfAllHere(lock, totals_);
    answered_.wait(lock, [&] { return round_ != round; });
    return answer_;
}

void SharedNextChipGate::Leave() {
    std::unique_lock lock(mutex_);
    --sites_;
    AskIfAllHere(lock, totals_);
}

void SharedNextChipGate::AskIfAllHere(std::unique_lock<std::mutex>& lock,
                                      const SeriesCounts& counts) {
    if (waiting_ == 0 || waiting_ < sites_) return;
    // The person is asked without the lock: nobody else can arrive now.
    const SeriesCounts shown = counts;
    lock.unlock();
    const NextChip answer = person_.AskNext(shown);
    lock.lock();
    answer_ = answer;
    waiting_ = 0;
    totals_ = {};
    ++round_;
    answered_.notify_all();
}

}  // namespace dspprog
