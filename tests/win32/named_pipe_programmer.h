// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The emulated programmer served through Windows named pipes, so that the
// native backend runs its real calls (CreateFileA, overlapped ReadFile and
// WriteFile, events, CancelIoEx) against it. The device is \\.\pipe\<name>,
// its pipes \\.\pipe\<name>\PIPE00 .. \PIPE03.
//
// A thread per pipe passes the host's blocks to the firmware and the
// firmware's blocks to the host, one block per pipe message. The pipes buffer
// nothing: a host write completes only when the firmware has taken the block,
// and a block the firmware sends waits in its thread until the host reads it.
// So a stalled pipe of the firmware is a stalled transfer on the host, and a
// programmer that vanishes takes its device path away, as an unplugged
// device's interface goes, and breaks the pipes under the host's transfers.

#include <windows.h>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "emulator/firmware.h"

namespace dspprog::testing {

class NamedPipeProgrammer {
public:
    struct Options {
        int missing_pipe = -1;  // this pipe (0..3) is not offered, so opening it fails
    };

    explicit NamedPipeProgrammer(emu::Firmware& firmware) : NamedPipeProgrammer(firmware, {}) {}
    NamedPipeProgrammer(emu::Firmware& firmware, Options options);
    ~NamedPipeProgrammer() { Stop(); }
    NamedPipeProgrammer(const NamedPipeProgrammer&) = delete;
    NamedPipeProgrammer& operator=(const NamedPipeProgrammer&) = delete;

    const std::string& device_path() const { return device_path_; }

    // Changes the firmware while the pipes are served (a fault set or
    // cleared), then lets every pipe look at it again.
    void Change(const std::function<void(emu::Firmware&)>& change);

    // Stops serving and closes the server ends; the firmware is the test's
    // alone afterwards. Safe to call more than once.
    void Stop();

private:
    enum class Io { Done, Failed, Stopped };

    void ServeHostWrites(emu::PipeRole role, HANDLE pipe);
    void ServeHostReads(emu::PipeRole role, HANDLE pipe);
    bool Connect(HANDLE pipe, OVERLAPPED& record);
    // Waits for the overlapped operation begun with `started` to finish, or
    // for Stop, which cancels it.
    Io Finish(HANDLE pipe, OVERLAPPED& record, BOOL started, DWORD& count);
    // Offers the firmware one transfer until it is no longer pending; false on Stop.
    bool Offer(const std::function<emu::TimedCompletion(emu::Firmware&)>& transfer,
               emu::TimedCompletion& outcome);
    void Moved();
    // The firmware says the programmer is gone: the device path goes first,
    // then `pipe` breaks.
    void Vanish(HANDLE pipe);

    emu::Firmware& firmware_;
    std::string device_path_;
    HANDLE device_ = INVALID_HANDLE_VALUE;  // guarded by mutex_ while the pipes are served
    std::array<HANDLE, emu::kPipeCount> pipes_{INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE,
                                               INVALID_HANDLE_VALUE, INVALID_HANDLE_VALUE};
    HANDLE stop_ = nullptr;  // manual-reset: set once, by Stop

    std::mutex mutex_;  // the firmware, generation_ and stopping_
    std::condition_variable changed_;
    std::uint64_t generation_ = 0;
    bool stopping_ = false;

    std::vector<std::thread> threads_;
};

}  // namespace dspprog::testing
