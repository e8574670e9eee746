// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How either front-end ends, as the process's exit status.

namespace dspprog {

inline constexpr int kExitSucceeded = 0;
inline constexpr int kExitFailed = 1;   // the operation ran and did not succeed
inline constexpr int kExitUsage = 2;    // a wrong command line, or it names something unusable
inline constexpr int kExitStopped = 3;  // a fatal stop, or the operator chose to end

}  // namespace dspprog
