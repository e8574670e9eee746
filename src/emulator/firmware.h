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
#include <set>
#include <string>
#include <vector>

#include "emulator/virtual_chip.h"

namespace dspprog::emu {

enum class PipeRole : int { CmdIn = 0, CmdOut = 1, MainIn = 2, MainOut = 3 };
inline constexpr int kPipeCount = 4;
const char* PipeName(PipeRole role);  // "CmdIn", ...
std::optional<PipeRole> PipeFromName(const std::string& name);
inline bool IsInPipe(PipeRole role) { return role == PipeRole::CmdIn || role == PipeRole::MainIn; }

// Ways the programmer can be told to misbehave.
struct Faults {
    std::set<std::uint8_t> refuse;           // opcodes answered with a non-zero status
    std::set<std::uint8_t> fail_completion;  // opcodes whose completion reply reports failure
    // Per pipe: transfers from the n-th one on (0-based, counting the pipe's
    // completed transfers) never complete. -1: never.
    std::array<long, kPipeCount> stall_from{-1, -1, -1, -1};
    // Per pipe: transfers from the n-th one on move only part of the block
    // (64 bytes of a longer block, half of a block of 64 or less). -1: never.
    std::array<long, kPipeCount> short_from{-1, -1, -1, -1};
    std::uint32_t stuck = 0;  // bytes that stay 0x00 after an erase
    // Total completed transfers (all pipes) after which the device vanishes. -1: never.
    long disconnect_after = -1;
};

// Parses one --fault word: refuse:OP | fail:OP | stall:PIPE[@N] | short:PIPE[@N] |
// stuck:N | unplug@N. OP is a hex opcode ("83"), PIPE a pipe name. False on a
// malformed word, with `error` saying why.
bool ParseFault(const std::string& word, Faults& faults, std::string& error);

// Optional timing: a USB full-speed bulk link and chip erase / program times.
struct Timing {
    bool enabled = false;
    std::uint32_t packets_per_ms = 19;  // 64-byte bulk packets per 1 ms frame
    std::uint32_t erase_ms_flash = 1000;
    std::uint32_t program_us_per_byte_flash = 10;
    std::uint32_t program_us_per_byte_eprom = 50;
};

struct WireBlock {
    PipeRole pipe;
    std::vector<std::uint8_t> bytes;
};

// The outcome of one host transfer, as the firmware decides it.
struct TransferOutcome {
    enum class State { Pending, Done, Failed };
    State state = State::Pending;
    std::uint32_t count = 0;
    std::uint64_t ready_at_us = 0;  // when it completes (timing model); 0 = at once
};

class Firmware {
public:
    // `ident`: reply bytes 1 to 15 of the identification command.
    Firmware(VirtualChip chip, std::array<std::uint8_t, 15> ident);

    // The host writes `length` bytes on an OUT pipe at time `now_us`.
    TransferOutcome HostWrite(PipeRole pipe, const std::uint8_t* data, std::uint32_t length,
                              std::uint64_t now_us);
    // The host asks for up to `length` bytes on an IN pipe at time `now_us`. A
    // Pending outcome consumes nothing; asking again later may complete it.
    TransferOutcome HostRead(PipeRole pipe, std::uint8_t* buffer, std::uint32_t length,
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
    // "<pipe> <bytes as upper-case hex pairs separated by single spaces>"
    static std::string FormatWireLine(const WireBlock& block);

    // The device is gone: every transfer from now on fails.
    void Disconnect() { disconnected_ = true; }
    bool disconnected() const { return disconnected_; }

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
    bool disconnected_ = false;
    bool backing_failed_ = false;

    Phase phase_ = Phase::Idle;
    std::uint8_t phase_opcode_ = 0;
    std::uint32_t next_address_ = 0;  // next block of the data phase
    std::uint64_t bus_free_us_ = 0;   // the link is busy until then
    std::uint64_t chip_free_us_ = 0;  // the chip is busy programming until then
};

}  // namespace dspprog::emu
