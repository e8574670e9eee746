// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One bulk endpoint of the programmer as a pipe of the link.
//
// A transfer is one libusb bulk transfer on the pipe's own copy of the
// block: the caller's buffer is read at the start of a write and filled as a
// read's bytes are taken in, never by libusb itself. Its completion arrives on the session's event
// thread and wakes the waiting caller through a condition variable; nothing polls.
//
// At a deadline the transfer is taken off the wire, which is the only way
// USB tells how much of a block has moved; the next wait puts the rest of the
// block back on the wire. To the link the transfer simply goes on: nothing
// moved is moved twice, nothing is lost.

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>

#include "link/pipe.h"
#include "link/usb/usb_session.h"

struct libusb_transfer;

namespace dspprog {

struct UsbWire;

class UsbPipe final : public Pipe {
public:
    // `number` is the pipe's place in the interface (0..3), `endpoint` its address.
    UsbPipe(std::shared_ptr<UsbSession> session, int number, std::uint8_t endpoint);
    ~UsbPipe() override;
    UsbPipe(const UsbPipe&) = delete;
    UsbPipe& operator=(const UsbPipe&) = delete;

    void StartRead(std::uint8_t* buffer, std::uint32_t length) override;
    void StartWrite(const std::uint8_t* buffer, std::uint32_t length) override;
    Completion Await(Clock& clock, std::uint64_t deadline_ms) override;
    void Cancel() override;
    void Close() override;

    // How long a cancelled transfer is given to come back before the pipe
    // stops waiting for it; the device stays open until it does come back.
    static constexpr std::uint64_t kCancelGraceMs = 2000;

private:
    enum class Phase {
        Idle,      // no transfer started
        OnWire,    // the block (or its rest) is on the wire
        Parked,    // taken off the wire at a deadline; the rest goes back on at the next wait
        Finished,  // the result is final
    };

    // `source` for a write, `target` for a read.
    void Start(const std::uint8_t* source, std::uint8_t* target, std::uint32_t length);
    // Puts the rest of the block on the wire; on failure the transfer is finished, failed.
    void SubmitRest(std::unique_lock<std::mutex>& lock);
    // Takes in a delivered completion.
    void Settle();
    // Cancels the transfer on the wire and waits up to the grace time for it.
    // False when it did not come back.
    bool TakeOffWire(std::unique_lock<std::mutex>& lock);
    // Leaves the transfer that did not come back to its completion, which
    // ends it, and takes a fresh one; `lock` is released.
    void Abandon(std::unique_lock<std::mutex>& lock);
    Completion Report() const;

    std::shared_ptr<UsbSession> session_;
    int number_;
    std::uint8_t endpoint_;
    // The transfer, its bytes and what the event thread and the caller share
    // about it. Kept apart from the pipe so that a transfer that does not come
    // back from a cancellation can outlive the pipe and the caller's buffer.
    std::unique_ptr<UsbWire> wire_;

    Phase phase_ = Phase::Idle;
    std::uint8_t* target_ = nullptr;  // a read's destination; null for a write
    std::uint32_t length_ = 0;
    std::uint32_t moved_ = 0;  // bytes moved by the wire trips of this block so far
    Completion::State result_ = Completion::State::Pending;
};

}  // namespace dspprog
