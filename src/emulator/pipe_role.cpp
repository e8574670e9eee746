// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/pipe_role.h"

namespace dspprog::emu {

const char* PipeName(PipeRole role) {
    switch (role) {
        case PipeRole::CmdIn:
            return "CmdIn";
        case PipeRole::CmdOut:
            return "CmdOut";
        case PipeRole::MainIn:
            return "MainIn";
        case PipeRole::MainOut:
            return "MainOut";
    }
    return "?";
}

std::optional<PipeRole> PipeFromName(const std::string& name) {
    for (int i = 0; i < kPipeCount; ++i) {
        const auto role = static_cast<PipeRole>(i);
        if (name == PipeName(role)) return role;
    }
    return std::nullopt;
}

}  // namespace dspprog::emu
