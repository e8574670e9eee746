// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One command exchange with the programmer's firmware.

#include <cstdint>

#include "link/link.h"
#include "protocol/command_block.h"

namespace dspprog {

// The command and reply blocks and the link they travel on. CmdBuf keeps its
// bytes between commands; every reply overwrites all of ReplyBuf.
struct CommandChannel {
    explicit CommandChannel(Link& l) : link(l) {}

    // Writes CmdBuf on CmdOut, reads the reply into ReplyBuf from CmdIn, and
    // returns its status byte (0 = accepted).
    std::uint8_t DoCommand();
    // Reads the completion reply that follows a read, erase or write; returns its status byte.
    std::uint8_t ReadCompletion();

    Link& link;
    Block16 CmdBuf{};
    Block16 ReplyBuf{};
};

}  // namespace dspprog
