// SPDX-License-Identifier: GPL-3.0-or-later
// The firmware spells out its opcodes (0x80, 0x83, 0xA0, 0xB0, 0xC0, 0xD0),
// the 4096-byte block and the 512 KB window itself instead of taking them from
// protocol/. It stands for the far side of the wire and is written from the
// protocol's description, not from the host's code, so that a wrong constant
// on the host side shows up as a conversation that fails, not as two sides
// agreeing on the same mistake.

#include "emulator/firmware.h"

#include <algorithm>

namespace dspprog::emu {

namespace {

constexpr std::uint32_t kWindowTop = 0x80000;
constexpr std::uint32_t kBlock = 4096;

std::uint32_t StartAddress(const std::uint8_t* cmd) {
    return static_cast<std::uint32_t>(cmd[1]) | (static_cast<std::uint32_t>(cmd[2]) << 8) |
           (static_cast<std::uint32_t>(cmd[3] & 7) << 16);
}

}  // namespace

Firmware::Firmware(VirtualChip chip, std::array<std::uint8_t, 15> ident)
    : chip_(std::move(chip)), ident_(ident) {}

bool Firmware::Stalled(PipeRole pipe) const {
    const long from = faults_.stall_from[static_cast<int>(pipe)];
    return from >= 0 && completed_[static_cast<int>(pipe)] >= from;
}

std::uint32_t Firmware::ShortCount(PipeRole pipe, std::uint32_t length) const {
    const long from = faults_.short_from[static_cast<int>(pipe)];
    if (from < 0 || completed_[static_cast<int>(pipe)] < from) return length;
    return length > 64 ? 64 : length / 2;
}

std::uint64_t Firmware::BusEnd(std::uint32_t length, std::uint64_t now_us) {
    if (!timing_.enabled) return 0;
    // Full-speed bulk: 64-byte packets, a fixed number per 1 ms frame.
    const std::uint64_t packets = std::max<std::uint64_t>(1, (length + 63) / 64);
    const std::uint64_t start = std::max(now_us, bus_free_us_);
    bus_free_us_ = start + packets * 1000 / timing_.packets_per_ms;
    return bus_free_us_;
}

void Firmware::Completed(PipeRole pipe, const std::uint8_t* bytes, std::uint32_t count) {
    wire_.push_back({pipe, std::vector<std::uint8_t>(bytes, bytes + count)});
    ++completed_[static_cast<int>(pipe)];
    ++completed_total_;
    if (faults_.disconnect_after >= 0 && completed_total_ >= faults_.disconnect_after)
        disconnected_ = true;
}

std::uint32_t Firmware::ChipOffset(std::uint32_t address) const {
    // The chip sits at the top of the window; a larger window than the chip
    // wraps around it, as the unconnected address lines of a socket would.
    const std::int64_t size = chip_.size();
    if (size == 0) return 0;
    std::int64_t offset = static_cast<std::int64_t>(address) - (kWindowTop - size);
    offset = ((offset % size) + size) % size;
    return static_cast<std::uint32_t>(offset);
}

std::uint8_t Firmware::ReadCell(std::uint32_t offset) const {
    // An open address line leaves the chip seeing 0 there.
    const std::uint32_t cell = offset & ~faults_.open_address;
    std::uint8_t value = chip_.content()[cell];
    // A weak cell reads true on every other read of the chip, flipped between.
    if (const auto weak = faults_.flaky.find(cell);
        weak != faults_.flaky.end() && chip_reads_ % 2 == 0)
        value ^= weak->second;
    return static_cast<std::uint8_t>((value & ~faults_.data_low) | faults_.data_high);
}

void Firmware::QueueReply(std::uint8_t status, std::uint64_t ready_at_us) {
    Reply reply;
    reply.bytes[0] = status;
    reply.ready_at_us = ready_at_us;
    replies_.push_back(reply);
}

void Firmware::SaveBacking() {
    if (backing_file_ && !chip_.Save(*backing_file_)) backing_failed_ = true;
}

void Firmware::Command(const std::uint8_t* cmd, std::uint64_t now_us) {
    const std::uint8_t opcode = cmd[0];
    const long index = commands_++;  // 0 for the first command taken
    // A new command ends whatever data phase was left unfinished.
    phase_ = Phase::Idle;
    if (faults_.refuse.count(opcode)) {
        QueueReply(1, now_us);
        return;
    }
    const std::uint8_t completion = faults_.fail_completion.count(opcode) ? 1 : 0;
    switch (opcode) {
        case 0x80: {
            QueueReply(0, now_us);
            const bool swapped = faults_.reident_from >= 0 && index >= faults_.reident_from;
            const auto& ident = swapped ? faults_.reident : ident_;
            std::copy(ident.begin(), ident.end(), replies_.back().bytes.begin() + 1);
            if (empty_identifications_ > 0) {
                --empty_identifications_;
                std::fill(replies_.back().bytes.begin() + 1, replies_.back().bytes.end(), 0xFF);
            }
            break;
        }
        case 0x83:
            ++chip_reads_;
            QueueReply(0, now_us);
            phase_ = Phase::Streaming;
            phase_opcode_ = opcode;
            next_address_ = StartAddress(cmd);
            break;
        case 0xA0:
        case 0xD0: {
            QueueReply(0, now_us);
            chip_.Erase(faults_.stuck, faults_.stuck_value);
            SaveBacking();
            const std::uint64_t done =
                timing_.enabled ? now_us + std::uint64_t{timing_.erase_ms_flash} * 1000 : now_us;
            QueueReply(completion, done);
            break;
        }
        case 0xB0:
        case 0xC0:
            QueueReply(0, now_us);
            phase_ = Phase::Receiving;
            phase_opcode_ = opcode;
            next_address_ = StartAddress(cmd);
            chip_free_us_ = now_us;
            break;
        default:
            QueueReply(1, now_us);  // an opcode this firmware does not know
            break;
    }
}

TimedCompletion Firmware::HostWrite(PipeRole pipe, const std::uint8_t* data, std::uint32_t length,
                                    std::uint64_t now_us) {
    if (disconnected_) return {{Completion::State::Gone, 0}, 0};
    if (Stalled(pipe)) return {{Completion::State::Pending, 0}, 0};

    const std::uint32_t count = ShortCount(pipe, length);
    std::uint64_t ready = BusEnd(count, now_us);

    if (pipe == PipeRole::CmdOut && count == 16) {
        Command(data, std::max(ready, now_us));
    } else if (pipe == PipeRole::MainOut && phase_ == Phase::Receiving) {
        if (!faults_.unwritten.count(phase_opcode_))
            chip_.Program(ChipOffset(next_address_), data, std::min(count, kBlock));
        if (timing_.enabled) {
            // The firmware takes the next block only when the chip has programmed this one.
            const std::uint32_t us_per_byte = chip_.Erasable() ? timing_.program_us_per_byte_flash
                                                               : timing_.program_us_per_byte_eprom;
            ready = std::max(ready, chip_free_us_);
            chip_free_us_ = ready + std::uint64_t{us_per_byte} * count;
        }
        next_address_ += kBlock;
        if (next_address_ >= kWindowTop) {
            phase_ = Phase::Idle;
            SaveBacking();
            const std::uint8_t status = faults_.fail_completion.count(phase_opcode_) ? 1 : 0;
            QueueReply(status, std::max(chip_free_us_, ready));
        }
    }
    // Anything else (throughput-test blocks on either pipe) is drained.
    Completed(pipe, data, count);
    return {{Completion::State::Done, count}, ready};
}

TimedCompletion Firmware::HostRead(PipeRole pipe, std::uint8_t* buffer, std::uint32_t length,
                                   std::uint64_t now_us) {
    if (disconnected_) return {{Completion::State::Gone, 0}, 0};
    if (Stalled(pipe)) return {{Completion::State::Pending, 0}, 0};

    if (pipe == PipeRole::CmdIn) {
        if (replies_.empty()) return {{Completion::State::Pending, 0}, 0};
        const Reply reply = replies_.front();
        replies_.erase(replies_.begin());
        const std::uint32_t count =
            ShortCount(pipe, std::min<std::uint32_t>(length, reply.bytes.size()));
        std::copy_n(reply.bytes.begin(), count, buffer);
        const std::uint64_t ready = BusEnd(count, std::max(now_us, reply.ready_at_us));
        Completed(pipe, buffer, count);
        return {{Completion::State::Done, count}, std::max(ready, reply.ready_at_us)};
    }

    if (pipe == PipeRole::MainIn && phase_ == Phase::Streaming) {
        const std::uint32_t count = ShortCount(pipe, std::min(length, kBlock));
        const std::uint32_t offset = ChipOffset(next_address_);
        for (std::uint32_t i = 0; i < count; ++i) buffer[i] = ReadCell(offset + i);
        const std::uint64_t ready = BusEnd(count, now_us);
        next_address_ += kBlock;
        if (next_address_ >= kWindowTop) {
            phase_ = Phase::Idle;
            const std::uint8_t status = faults_.fail_completion.count(phase_opcode_) ? 1 : 0;
            QueueReply(status, ready);
        }
        Completed(pipe, buffer, count);
        return {{Completion::State::Done, count}, ready};
    }
    // Nothing is due on this pipe: the read waits.
    return {{Completion::State::Pending, 0}, 0};
}

}  // namespace dspprog::emu
