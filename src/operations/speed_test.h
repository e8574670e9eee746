// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Throughput of the two output pipes.

#include <cstdint>
#include <optional>
#include <string>

#include "operations/button_operation.h"
#include "operations/session.h"

namespace dspprog {

inline constexpr std::uint32_t kSpeedTestBlocks = 1001;

// The "Button1" button: 1001 blocks of 4096 bytes to CmdOut, then to MainOut,
// each series timed, four log lines and no opening or closing ones. The work
// itself takes no part in the Busy interlock.
// A series that took 0 ms has no speed: its line ends in "не измерена (0 мс)"
// instead of a figure, and the outcome is Failed; Succeeded when both speeds
// were measured.
extern const ButtonOperation kButton1Button;

// kB/s (1000 bytes) to two decimals, rounded half to even; nullopt for 0 ms.
std::optional<double> SpeedKBps(std::uint32_t blocks, std::uint64_t elapsed_ms);
// Up to 15 significant digits, no trailing zeros, with `separator` as the decimal point.
std::string FormatSpeed(double speed, char separator);

}  // namespace dspprog
