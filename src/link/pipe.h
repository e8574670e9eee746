// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The seam between the link's deadline rules and whatever moves the bytes:
// the emulator, libusb or the Windows pipe driver.

#include <cstdint>
#include <memory>
#include <string>

#include "link/clock.h"

namespace dspprog {

enum class Access { Read, Write };

// The state of the transfer a pipe has in flight.
struct Completion {
    enum class State {
        Pending,  // still moving; `count` tells what has moved so far (may be 0)
        Done,     // finished; `count` bytes moved (a short block moves fewer than asked)
        Failed,   // finished with an error (the endpoint halted, the transfer was refused)
        Gone,     // finished because the device is no longer there: nothing will move again
    };
    State state = State::Pending;
    std::uint32_t count = 0;
};

// One pipe of the programmer. At most one transfer is in flight on a pipe; the
// buffer given to Start stays the caller's and must live until the transfer has
// finished or been cancelled.
class Pipe {
public:
    virtual ~Pipe() = default;

    virtual void StartRead(std::uint8_t* buffer, std::uint32_t length) = 0;
    virtual void StartWrite(const std::uint8_t* buffer, std::uint32_t length) = 0;

    // Blocks until the transfer is no longer pending or `clock` reaches
    // `deadline_ms`, whichever comes first, and reports its state. Must not spin:
    // the thread sleeps while the device works. May be called again after it
    // returned Pending; the same transfer goes on.
    virtual Completion Await(Clock& clock, std::uint64_t deadline_ms) = 0;

    // Gives up the transfer in flight, if any; after it the buffer is free.
    virtual void Cancel() = 0;

    virtual void Close() = 0;
};

// The programmer device itself: held open for the whole run, carries no transfers.
class Device {
public:
    virtual ~Device() = default;
    virtual void Close() = 0;
};

// Opens the device and its pipes on one platform.
class LinkBackend {
public:
    virtual ~LinkBackend() = default;

    // Null when the device cannot be opened.
    virtual std::unique_ptr<Device> OpenDevice(const std::string& path) = 0;
    // Creates the completion event of one direction; false when that fails.
    // Backends without such events simply succeed.
    virtual bool CreateDoneEvent(Access direction) {
        (void)direction;
        return true;
    }
    // Null when the pipe cannot be opened. `path` is the device path followed by
    // "\PIPE00" .. "\PIPE03".
    virtual std::unique_ptr<Pipe> OpenPipe(Device& device, const std::string& path,
                                           Access access) = 0;
};

}  // namespace dspprog
