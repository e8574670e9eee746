// SPDX-License-Identifier: GPL-3.0-or-later
#include "operations/chip_swap_wait.h"

#include "operations/identify.h"

namespace dspprog {

void WaitForChipSwap(Session& session, const std::optional<ChipRecord>& row) {
    Clock& clock = session.link.clock();
    const auto look = [&] {
        const std::uint64_t at = clock.NowMs();
        const bool known = IdentifyChip(session, false);
        // The look itself may take a while on a slow link; only the rest is slept.
        clock.SleepUntil(at + kChipSwapPollMs);
        return known;
    };
    while (look()) {
    }
    for (;;) {
        const bool known = look();
        if (known && (!row || session.tChip == *row)) return;
    }
}

}  // namespace dspprog
