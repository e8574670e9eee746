// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/command_block.h"

#include <string>

#include "link/fatal_stop.h"

namespace dspprog {

std::uint32_t CalcAddres(std::uint32_t size) {
    for (std::uint32_t accepted = 8192; accepted <= 524288; accepted *= 2) {
        if (size == accepted) return (0u - size) & 0x7FFFFu;
    }
    CriticalHalt("Ошибочный вызов CalcAddres! inps= " + std::to_string(size));
}

void FillAddress(Block16& cmd, std::uint32_t size) {
    const std::uint32_t a = CalcAddres(size);
    cmd[1] = 0x00;
    cmd[2] = static_cast<std::uint8_t>((a >> 8) & 0xFF);
    cmd[3] = static_cast<std::uint8_t>((a >> 16) & 7);
    cmd[3] |= 0x80;
}

void FillGetIdent(Block16& cmd) { cmd[0] = kGetIdent; }

void FillBurstRead(Block16& cmd, std::uint32_t size) {
    FillAddress(cmd, size);
    cmd[0] = kBurstRead;
}

void FillVerifyRead(Block16& cmd, std::uint32_t size) {
    FillBurstRead(cmd, size);
    for (std::size_t i = 4; i < cmd.size(); ++i) cmd[i] = 0;
}

void FillErase255(Block16& cmd) {
    cmd[0] = kEraseChip;
    cmd[5] = 0xFA;
    cmd[6] = 0x04;
    cmd[7] = 0x0A;
}

bool FillEraseFC00(Block16& cmd, std::uint32_t size) {
    cmd[0] = kEraseChipFC00;
    cmd[5] = 0x19;
    cmd[6] = 0x02;
    cmd[7] = 0x02;
    if (size == 32768) {
        cmd[3] |= 0x08 | 0x40;
        return true;
    }
    if (size == 65536) {
        cmd[3] |= 0x08 | 0x20;
        return true;
    }
    return false;
}

bool FillEraseMode(Block16& cmd, std::uint8_t t_erase) {
    switch (t_erase) {
        case 4:
        case 5:
            cmd[4] = t_erase;
            return true;
        case 0x84:
        case 0x85:
            cmd[4] = t_erase & 0x7F;
            cmd[3] |= 0x10;
            return true;
        default:
            return false;
    }
}

bool FillAlgorithmWrite(Block16& cmd, std::uint32_t size, std::uint8_t t_write) {
    FillAddress(cmd, size);
    cmd[0] = kWriteChip;
    if (t_write & 0x80) cmd[3] |= 0x10;
    const std::uint8_t mode = t_write & 0x7F;
    if (mode < 1 || mode > 4) return false;
    cmd[4] = mode;
    return true;
}

SizeClass PulseSizeClass(std::uint32_t size) {
    switch (size) {
        case 8192:
        case 16384:
            return {4, 0x40};
        case 32768:
            return {3, 0x40};
        case 65536:
            return {2, 0x20};
        default:
            return {1, 0x10};  // 131072, 262144, 524288
    }
}

void FillPulseWrite(Block16& cmd, std::uint32_t size, std::uint16_t type) {
    FillAddress(cmd, size);  // stops the program for a size it cannot place
    const SizeClass sc = PulseSizeClass(size);
    cmd[0] = kWriteChipPulse;
    cmd[3] |= sc.flag;
    cmd[4] = sc.value;
    cmd[5] = type == kTypeFD00 ? 0x28 : 0x0A;
    cmd[6] = 0x32;
    cmd[7] = 0;
    cmd[8] = 0;
    cmd[9] = 0;
}

}  // namespace dspprog
