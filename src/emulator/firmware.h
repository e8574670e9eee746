// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmer's firmware as seen from the host: it takes command blocks,
// answers with replies, streams the chip's content and takes written blocks.
//
// It is driven from the host side, transfer by transfer: a write hands it the
// bytes, a read asks it for the next bytes due on that pipe. It never runs on
// its own; time only enters through the ready times it gives back when the
// timing model is on. Not thread-safe: callers serialise access.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "emulator/faults.h"
#include "emulator/pipe_role.h"
#include "emulator/timing.h"
#include "emulator/virtual_chip.h"
#include "emulator/wire_block.h"
#include "link/pipe.h"

namespace dspprog::emu {

// A transfer's completion as the firmware decides it, and the time at which
// it takes effect on the wire (timing model; 0 = at once).
struct TimedCompletion : Completion {
    std::uint64_t ready_at_us = 0;
};

class Firmware {
public:
    // `ident`: reply bytes 1 to 15 of the identification command.
    Firmware(VirtualChip chip, std::array<std::uint8_t, 15> ident);

    // The host writes `length` bytes on an OUT pipe at time `now_us`.
    TimedCompletion HostWrite(PipeRole pipe, const std::uint8_t* data, std::uint32_t length,
                              std::uint64_t now_us);
    // The host asks for up to `length` bytes on an IN pipe at time `now_us`. A
    // Pending outcome consumes nothing; asking again later may complete it.
    TimedCompletion HostRead(PipeRole pipe, std::uint8_t* buffer, std::uint32_t length,
                             std::uint64_t now_us);

    Faults& faults() { return faults_; }
    Timing& timing() { return timing_; }
    VirtualChip& chip() { return chip_; }
    std::array<std::uint8_t, 15>& ident() { return ident_; }

    // When set, the chip's content is written to this file after every erase and write.
    void SetBackingFile(std::string path) { backing_file_ = std::move(path); }
    // True once saving to the backing file has failed; the chip itself goes on.
    bool backing_failed() const { return backing_failed_; }

    // Every completed transfer in wire order, with the bytes that moved.
    const std::vector<WireBlock>& wire() const { return wire_; }
    void ClearWire() { wire_.clear(); }

    // The next `identifications` identifications find no chip (all bytes
    // 0xFF, as an empty socket's pulled-up lines read).
    void EmptySocketFor(int identifications) { empty_identifications_ = identifications; }

    // The device is gone: every transfer from now on ends as Gone.
    void Disconnect() { disconnected_ = true; }

    // The programmer's idea of what it is doing, for tests.
    enum class Phase { Idle, Streaming, Receiving };
    Phase phase() const { return phase_; }

private:
    struct Reply {
        std::array<std::uint8_t, 16> bytes{};
        std::uint64_t ready_at_us = 0;
    };

    void Command(const std::uint8_t* block, std::uint64_t now_us);
    void QueueReply(std::uint8_t status, std::uint64_t ready_at_us);
    std::uint64_t BusEnd(std::uint32_t length, std::uint64_t now_us);
    bool Stalled(PipeRole pipe) const;
    std::uint32_t ShortCount(PipeRole pipe, std::uint32_t length) const;
    void Completed(PipeRole pipe, const std::uint8_t* bytes, std::uint32_t count);
    std::uint32_t ChipOffset(std::uint32_t address) const;
    std::uint8_t ReadCell(std::uint32_t offset) const;
    void SaveBacking();

    VirtualChip chip_;
    std::array<std::uint8_t, 15> ident_;
    Faults faults_;
    Timing timing_;
    std::optional<std::string> backing_file_;
    std::vector<WireBlock> wire_;
    std::vector<Reply> replies_;
    std::array<long, kPipeCount> completed_{0, 0, 0, 0};
    long completed_total_ = 0;
    long commands_ = 0;    // command blocks taken so far
    long chip_reads_ = 0;  // read commands taken so far
    bool disconnected_ = false;
    int empty_identifications_ = 0;
    bool backing_failed_ = false;

    Phase phase_ = Phase::Idle;
    std::uint8_t phase_opcode_ = 0;
    std::uint32_t next_address_ = 0;  // next block of the data phase
    std::uint64_t bus_free_us_ = 0;   // the link is busy until then
    std::uint64_t chip_free_us_ = 0;  // the chip is busy programming until then
};

}  // namespace dspprog::emu
