// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The programmer link: the device, its four pipes, and the timed transfers
// through which every byte to and from the programmer moves.

#include <cstdint>
#include <memory>
#include <string>

#include "link/clock.h"
#include "link/fatal_stop.h"
#include "link/pipe.h"

namespace dspprog {

// The fatal stop of a transfer whose programmer has been unplugged.
inline constexpr const char* kProgrammerGone = "Программатор отключен от USB!";

class Link {
public:
    // Deadline base times in milliseconds, multiplied by TimeoutFactor.
    static constexpr std::uint64_t kWriteShortBaseMs = 100000;  // blocks of at most 16 bytes
    static constexpr std::uint64_t kWriteLongBaseMs = 50000;
    static constexpr std::uint64_t kReadShortBaseMs = 10000;
    static constexpr std::uint64_t kReadLongBaseMs = 5000;
    static constexpr std::uint32_t kPipeOpenDelayMs = 100;

    Link(LinkBackend& backend, Clock& clock, CriticalPrompt& prompt);
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    // Opens the device on DevicePath, the two completion events and the pipes
    // \PIPE00..\PIPE03 in that order, pausing 100 ms after each pipe. Any failure
    // is a fatal stop; what opened before it stays open until Close.
    void Open();
    // Closes CmdIn, CmdOut, MainIn, MainOut, then the device, skipping what never
    // opened. Safe to call more than once.
    void Close();

    // Move the whole block, or end the program at the operator's word. Each
    // waiting pass waits until now + TimeoutFactor x base and adds 1 to
    // TimeoutFactor; a block not moved by then is reported through the
    // critical-error prompt and awaited again (never restarted) unless the
    // operator chooses to end. A programmer that is gone stops the program at
    // once with kProgrammerGone.
    void WritePipe(Pipe& pipe, const std::uint8_t* buffer, std::uint32_t length);
    void ReadPipe(Pipe& pipe, std::uint8_t* buffer, std::uint32_t length);

    void Delay(std::uint32_t ms) { clock_.SleepMs(ms); }

    Clock& clock() { return clock_; }

    // The multiplier of every transfer's deadline. Each waiting pass adds 1 to
    // it; an operation sets it for its phase before the transfers that need it.
    std::uint32_t TimeoutFactor() const { return timeout_factor_; }
    void SetTimeoutFactor(std::uint32_t factor) { timeout_factor_ = factor; }

    // Kept, the factor an operation sets stays as it is for all its
    // transfers, so that a stalled transfer is reported within minutes
    // however far the operation has got; and a wait tells the prompt every
    // second how long it has lasted. For programmers that run side by side.
    void KeepDeadlines(bool keep) { keep_deadlines_ = keep; }
    static constexpr std::uint64_t kWaitingReportMs = 1000;

    std::string DevicePath;

    std::unique_ptr<Device> DeviceHandle;
    std::unique_ptr<Pipe> CmdIn;    // \PIPE00: replies from the programmer
    std::unique_ptr<Pipe> CmdOut;   // \PIPE01: commands to the programmer
    std::unique_ptr<Pipe> MainIn;   // \PIPE02: data blocks from the programmer
    std::unique_ptr<Pipe> MainOut;  // \PIPE03: data blocks to the programmer

private:
    std::unique_ptr<Pipe> OpenPipe(const std::string& path, Access access);
    void AwaitWhole(Pipe& pipe, std::uint32_t length, std::uint64_t base_ms,
                    const char* prompt_text);

    LinkBackend& backend_;
    Clock& clock_;
    CriticalPrompt& prompt_;
    std::uint32_t timeout_factor_ = 1;
    bool keep_deadlines_ = false;
};

}  // namespace dspprog
