// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmer's four pipes as the firmware sees them.

#include <optional>
#include <string>

namespace dspprog::emu {

enum class PipeRole : int { CmdIn = 0, CmdOut = 1, MainIn = 2, MainOut = 3 };
inline constexpr int kPipeCount = 4;

// "CmdIn", "CmdOut", "MainIn", "MainOut".
const char* PipeName(PipeRole role);
std::optional<PipeRole> PipeFromName(const std::string& name);
inline bool IsInPipe(PipeRole role) {
    return role == PipeRole::CmdIn || role == PipeRole::MainIn;
}

}  // namespace dspprog::emu
