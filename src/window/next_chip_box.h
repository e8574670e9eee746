// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's "next chip?" between the chips of a series: a box with
// "Далее" and "Закончить", shown by the window's thread while the series
// waits on the worker's.

#include "production/next_chip_gate.h"

namespace dspprog {

class MainWindow;

class NextChipBox final : public NextChipPrompt {
public:
    explicit NextChipBox(MainWindow& window) : window_(window) {}
    // Call from the worker thread only: it waits for the window's.
    NextChip AskNext(const SeriesCounts& counts) override;

private:
    MainWindow& window_;
};

}  // namespace dspprog
