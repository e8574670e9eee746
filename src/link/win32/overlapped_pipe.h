// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device and its pipes as Windows file handles opened for overlapped I/O.

#include <windows.h>

#include <memory>
#include <string>

#include "link/pipe.h"

namespace dspprog {

// The record every transfer of one direction runs on, and its manual-reset
// completion event (ReadDone or WriteDone). All pipes of a direction share it:
// the link never has two transfers of one direction in flight.
struct DirectionRecord {
    DirectionRecord() = default;
    ~DirectionRecord();
    DirectionRecord(const DirectionRecord&) = delete;
    DirectionRecord& operator=(const DirectionRecord&) = delete;

    // Takes over `new_event` as the completion event.
    void TakeEvent(HANDLE new_event);

    OVERLAPPED overlapped{};
    HANDLE event = nullptr;
};

// The programmer device itself: held open, carries no transfers.
class HandleDevice final : public Device {
public:
    HandleDevice(HANDLE handle, std::string path) : handle_(handle), path_(std::move(path)) {}
    ~HandleDevice() override { Close(); }
    HandleDevice(const HandleDevice&) = delete;
    HandleDevice& operator=(const HandleDevice&) = delete;

    void Close() override;
    // Where it was opened.
    const std::string& path() const { return path_; }

private:
    HANDLE handle_;
    std::string path_;
};

// One pipe. A transfer is started with ReadFile / WriteFile on the direction's
// record; Await sleeps on the record's event and asks GetOverlappedResult
// without waiting whether the transfer has finished. A transfer that ends
// with an error ends Gone when the device on `device_path` has been unplugged.
class OverlappedPipe final : public Pipe {
public:
    OverlappedPipe(HANDLE handle, std::shared_ptr<DirectionRecord> record, std::string device_path);
    ~OverlappedPipe() override { Close(); }
    OverlappedPipe(const OverlappedPipe&) = delete;
    OverlappedPipe& operator=(const OverlappedPipe&) = delete;

    void StartRead(std::uint8_t* buffer, std::uint32_t length) override;
    void StartWrite(const std::uint8_t* buffer, std::uint32_t length) override;
    Completion Await(Clock& clock, std::uint64_t deadline_ms) override;
    // Cancels the transfer with CancelIoEx and waits until the driver has let
    // go of the buffer.
    void Cancel() override;
    void Close() override;

private:
    enum class State { Idle, InFlight, Finished };

    void Prepare();
    void Started(BOOL ok);
    // Waits at most `max_ms` for the event, then asks whether the transfer has
    // finished; true when it has (the outcome is then in `outcome_`).
    bool Look(std::uint64_t max_ms);
    // Finishes the transfer that ended with `error`: Failed, or Gone.
    void EndWithError(DWORD error, DWORD count);

    HANDLE handle_;
    std::shared_ptr<DirectionRecord> record_;
    std::string device_path_;
    State state_ = State::Idle;
    Completion outcome_;
};

}  // namespace dspprog
