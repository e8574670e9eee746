// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/exchange.h"

namespace dspprog {

std::uint8_t CommandChannel::DoCommand() {
    link.WritePipe(*link.CmdOut, CmdBuf.data(), static_cast<std::uint32_t>(CmdBuf.size()));
    link.ReadPipe(*link.CmdIn, ReplyBuf.data(), static_cast<std::uint32_t>(ReplyBuf.size()));
    return ReplyBuf[0];
}

std::uint8_t CommandChannel::ReadCompletion() {
    link.ReadPipe(*link.CmdIn, ReplyBuf.data(), static_cast<std::uint32_t>(ReplyBuf.size()));
    return ReplyBuf[0];
}

}  // namespace dspprog
