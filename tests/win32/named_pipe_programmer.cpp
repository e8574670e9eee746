// SPDX-License-Identifier: GPL-3.0-or-later
#include "named_pipe_programmer.h"

#include <stdexcept>

namespace dspprog::testing {
namespace {

// Block lengths the host asks for on its read pipes.
std::uint32_t ReadLength(emu::PipeRole role) {
    return role == emu::PipeRole::CmdIn ? 16 : 4096;
}

// Big enough for any block the host writes.
constexpr DWORD kLargestBlock = 8192;

struct Event {
    Event() : handle(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
        if (!handle) throw std::runtime_error("CreateEventA failed");
    }
    ~Event() { CloseHandle(handle); }
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;
    HANDLE handle;
};

OVERLAPPED Fresh(HANDLE event) {
    OVERLAPPED record{};
    record.hEvent = event;
    ResetEvent(event);
    return record;
}

}  // namespace

NamedPipeProgrammer::NamedPipeProgrammer(emu::Firmware& firmware, Options options)
    : firmware_(firmware) {
    device_path_ = "\\\\.\\pipe\\dspprog-" + std::to_string(GetCurrentProcessId()) + "-" +
                   std::to_string(reinterpret_cast<std::uintptr_t>(this));
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    device_ =
        CreateNamedPipeA(device_path_.c_str(),
                         PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
    if (!stop_ || device_ == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + device_path_);

    for (int n = 0; n < emu::kPipeCount; ++n) {
        if (n == options.missing_pipe) continue;
        const auto role = static_cast<emu::PipeRole>(n);
        const std::string path = device_path_ + "\\PIPE0" + std::to_string(n);
        // No buffering either way (sizes 0): a block moves only when both
        // ends are at it.
        pipes_[n] = CreateNamedPipeA(
            path.c_str(),
            (emu::IsInPipe(role) ? PIPE_ACCESS_OUTBOUND : PIPE_ACCESS_INBOUND) |
                FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 0, 0, 0, nullptr);
        if (pipes_[n] == INVALID_HANDLE_VALUE) {
            Stop();
            throw std::runtime_error("cannot create " + path);
        }
        HANDLE pipe = pipes_[n];
        if (emu::IsInPipe(role)) {
            threads_.emplace_back([this, role, pipe] { ServeHostReads(role, pipe); });
        } else {
            threads_.emplace_back([this, role, pipe] { ServeHostWrites(role, pipe); });
        }
    }
}

void NamedPipeProgrammer::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (stop_) SetEvent(stop_);
    for (std::thread& thread : threads_) thread.join();
    threads_.clear();
    for (HANDLE& pipe : pipes_) {
        if (pipe != INVALID_HANDLE_VALUE) CloseHandle(pipe);
        pipe = INVALID_HANDLE_VALUE;
    }
    if (device_ != INVALID_HANDLE_VALUE) CloseHandle(device_);
    device_ = INVALID_HANDLE_VALUE;
    if (stop_) CloseHandle(stop_);
    stop_ = nullptr;
}

void NamedPipeProgrammer::Change(const std::function<void(emu::Firmware&)>& change) {
    {
        std::lock_guard lock(mutex_);
        change(firmware_);
        ++generation_;
    }
    changed_.notify_all();
}

void NamedPipeProgrammer::Vanish(HANDLE pipe) {
    {
        std::lock_guard lock(mutex_);
        if (device_ != INVALID_HANDLE_VALUE) CloseHandle(device_);
        device_ = INVALID_HANDLE_VALUE;
    }
    DisconnectNamedPipe(pipe);
    Moved();
}

void NamedPipeProgrammer::Moved() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    changed_.notify_all();
}

NamedPipeProgrammer::Io NamedPipeProgrammer::Finish(HANDLE pipe, OVERLAPPED& record, BOOL started,
                                                    DWORD& count) {
    count = 0;
    if (!started) {
        const DWORD error = GetLastError();
        // A message longer than the buffer: there is data, which is all a
        // look-ahead read asks.
        if (error == ERROR_MORE_DATA) return Io::Done;
        if (error != ERROR_IO_PENDING) return Io::Failed;
    }
    const HANDLE events[2] = {record.hEvent, stop_};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0) {
        CancelIoEx(pipe, &record);
        GetOverlappedResult(pipe, &record, &count, TRUE);
        return Io::Stopped;
    }
    if (GetOverlappedResult(pipe, &record, &count, FALSE) || GetLastError() == ERROR_MORE_DATA)
        return Io::Done;
    return Io::Failed;
}

bool NamedPipeProgrammer::Connect(HANDLE pipe, OVERLAPPED& record) {
    const BOOL connected = ConnectNamedPipe(pipe, &record);
    if (!connected && GetLastError() == ERROR_PIPE_CONNECTED) return true;
    DWORD count = 0;
    return Finish(pipe, record, connected, count) == Io::Done;
}

bool NamedPipeProgrammer::Offer(const std::function<emu::TimedCompletion(emu::Firmware&)>& transfer,
                                emu::TimedCompletion& outcome) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (stopping_) return false;
        outcome = transfer(firmware_);
        if (outcome.state != Completion::State::Pending) return true;
        const std::uint64_t seen = generation_;
        changed_.wait(lock, [&] { return stopping_ || generation_ != seen; });
    }
}

void NamedPipeProgrammer::ServeHostWrites(emu::PipeRole role, HANDLE pipe) {
    Event event;
    OVERLAPPED record = Fresh(event.handle);
    if (!Connect(pipe, record)) return;
    std::vector<std::uint8_t> block(kLargestBlock);
    for (;;) {
        // Wait for the host's next block without taking it: until the firmware
        // takes it, the host's write stays pending.
        DWORD count = 0;
        record = Fresh(event.handle);
        if (Finish(pipe, record, ReadFile(pipe, block.data(), 0, nullptr, &record), count) !=
            Io::Done)
            return;
        DWORD length = 0;
        if (!PeekNamedPipe(pipe, block.data(), kLargestBlock, &length, nullptr, nullptr)) return;

        emu::TimedCompletion outcome;
        if (!Offer([&](emu::Firmware& fw) { return fw.HostWrite(role, block.data(), length, 0); },
                   outcome))
            return;
        if (outcome.state == Completion::State::Gone) {
            Vanish(pipe);
            return;
        }
        record = Fresh(event.handle);
        if (Finish(pipe, record, ReadFile(pipe, block.data(), length, nullptr, &record), count) !=
            Io::Done)
            return;
        Moved();
    }
}

void NamedPipeProgrammer::ServeHostReads(emu::PipeRole role, HANDLE pipe) {
    Event event;
    OVERLAPPED record = Fresh(event.handle);
    if (!Connect(pipe, record)) return;
    const std::uint32_t length = ReadLength(role);
    std::vector<std::uint8_t> block(length);
    for (;;) {
        emu::TimedCompletion outcome;
        if (!Offer([&](emu::Firmware& fw) { return fw.HostRead(role, block.data(), length, 0); },
                   outcome))
            return;
        if (outcome.state == Completion::State::Gone) {
            Vanish(pipe);
            return;
        }
        Moved();
        // Held here until the host has read it all.
        DWORD count = 0;
        record = Fresh(event.handle);
        if (Finish(pipe, record, WriteFile(pipe, block.data(), outcome.count, nullptr, &record),
                   count) != Io::Done)
            return;
    }
}

}  // namespace dspprog::testing
