// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/win32/overlapped_pipe.h"

#include <algorithm>

#include "link/win32/device_gone.h"

namespace dspprog {

DirectionRecord::~DirectionRecord() {
    TakeEvent(nullptr);
}

void DirectionRecord::TakeEvent(HANDLE new_event) {
    if (event) CloseHandle(event);
    event = new_event;
    overlapped.hEvent = new_event;
}

void HandleDevice::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

OverlappedPipe::OverlappedPipe(HANDLE handle, std::shared_ptr<DirectionRecord> record,
                               std::string device_path)
    : handle_(handle), record_(std::move(record)), device_path_(std::move(device_path)) {}

void OverlappedPipe::Prepare() {
    // Offsets stay 0; the status fields must not carry the previous
    // transfer's outcome into this one.
    HANDLE event = record_->event;
    record_->overlapped = {};
    record_->overlapped.hEvent = event;
    ResetEvent(event);
}

void OverlappedPipe::EndWithError(DWORD error, DWORD count) {
    outcome_ = {
        DeviceGone(error, device_path_) ? Completion::State::Gone : Completion::State::Failed,
        count};
    state_ = State::Finished;
}

void OverlappedPipe::Started(BOOL ok) {
    outcome_ = {};
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (!ok && error != ERROR_IO_PENDING) {
        // Refused outright (the device may be gone): nothing is in flight,
        // and the record was never touched, so it cannot be asked.
        EndWithError(error, 0);
        return;
    }
    state_ = State::InFlight;
}

void OverlappedPipe::StartRead(std::uint8_t* buffer, std::uint32_t length) {
    Prepare();
    Started(ReadFile(handle_, buffer, length, nullptr, &record_->overlapped));
}

void OverlappedPipe::StartWrite(const std::uint8_t* buffer, std::uint32_t length) {
    Prepare();
    Started(WriteFile(handle_, buffer, length, nullptr, &record_->overlapped));
}

bool OverlappedPipe::Look(std::uint64_t max_ms) {
    if (max_ms > 0) {
        const DWORD wait = static_cast<DWORD>(std::min<std::uint64_t>(max_ms, INFINITE - 1));
        WaitForSingleObject(record_->event, wait);
    }
    DWORD count = 0;
    if (GetOverlappedResult(handle_, &record_->overlapped, &count, FALSE)) {
        outcome_ = {Completion::State::Done, count};
        state_ = State::Finished;
        return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_IO_INCOMPLETE) return false;
    EndWithError(error, count);
    return true;
}

Completion OverlappedPipe::Await(Clock& clock, std::uint64_t deadline_ms) {
    if (state_ == State::Idle) return {Completion::State::Failed, 0};
    if (state_ == State::Finished) return outcome_;
    if (clock.WaitForSignal(deadline_ms, [this](std::uint64_t max_ms) { return Look(max_ms); }))
        return outcome_;
    // Still moving; how much has moved so far the record does not tell.
    return {Completion::State::Pending, 0};
}

void OverlappedPipe::Cancel() {
    if (state_ == State::InFlight) {
        CancelIoEx(handle_, &record_->overlapped);
        // Until the cancelled transfer has completed the driver may still
        // write into the buffer; only then is it the caller's again.
        DWORD count = 0;
        GetOverlappedResult(handle_, &record_->overlapped, &count, TRUE);
    }
    state_ = State::Idle;
}

void OverlappedPipe::Close() {
    if (handle_ == INVALID_HANDLE_VALUE) return;
    Cancel();
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
}

}  // namespace dspprog
