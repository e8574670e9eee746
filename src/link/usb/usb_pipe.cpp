// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_pipe.h"

#include <libusb.h>

#include <chrono>
#include <cstring>
#include <vector>

namespace dspprog {

// One libusb transfer with the bytes it moves. The pipe lends it to the
// event thread while it is on the wire; one that does not come back from its
// cancellation is handed over to its own completion, which ends it.
struct UsbWire {
    explicit UsbWire(UsbSession& owner) : session(owner), transfer(libusb_alloc_transfer(0)) {}
    ~UsbWire() {
        if (transfer) libusb_free_transfer(transfer);
    }
    UsbWire(const UsbWire&) = delete;
    UsbWire& operator=(const UsbWire&) = delete;

    UsbSession& session;
    libusb_transfer* transfer;
    // libusb moves the block in and out of these bytes, never the caller's:
    // the caller may let go of its buffer while the transfer is still busy.
    std::vector<std::uint8_t> bytes;
    std::mutex mutex;
    std::condition_variable changed;
    bool busy = false;       // submitted, completion not yet delivered
    bool abandoned = false;  // the pipe has given up on it; the completion ends it
    int status = LIBUSB_TRANSFER_COMPLETED;
    std::uint32_t actual = 0;
};

namespace {

// Runs on the session's event thread.
void LIBUSB_CALL Delivered(libusb_transfer* transfer) {
    auto* wire = static_cast<UsbWire*>(transfer->user_data);
    std::unique_lock lock(wire->mutex);
    wire->status = transfer->status;
    wire->actual =
        transfer->actual_length > 0 ? static_cast<std::uint32_t>(transfer->actual_length) : 0;
    wire->busy = false;
    if (wire->abandoned) {
        // Nobody waits for it any more: libusb is done with the transfer and
        // its bytes now, and the device may be closed.
        lock.unlock();
        UsbSession& session = wire->session;
        delete wire;
        session.TransferEnded();
        return;
    }
    wire->changed.notify_all();
}

}  // namespace

UsbPipe::UsbPipe(std::shared_ptr<UsbSession> session, int number, std::uint8_t endpoint)
    : session_(std::move(session)),
      number_(number),
      endpoint_(endpoint),
      wire_(std::make_unique<UsbWire>(*session_)) {}

UsbPipe::~UsbPipe() {
    Close();
}

void UsbPipe::StartRead(std::uint8_t* buffer, std::uint32_t length) {
    Start(nullptr, buffer, length);
}

void UsbPipe::StartWrite(const std::uint8_t* buffer, std::uint32_t length) {
    Start(buffer, nullptr, length);
}

void UsbPipe::Start(const std::uint8_t* source, std::uint8_t* target, std::uint32_t length) {
    // The link never starts a transfer over one in flight; should it happen,
    // the old one leaves the wire first.
    Cancel();
    std::unique_lock lock(wire_->mutex);
    target_ = target;
    length_ = length;
    moved_ = 0;
    result_ = Completion::State::Pending;
    if (!wire_->transfer) {
        phase_ = Phase::Finished;
        result_ = Completion::State::Failed;
        return;
    }
    if (source) {
        wire_->bytes.assign(source, source + length);
    } else {
        wire_->bytes.assign(length, 0);
    }
    SubmitRest(lock);
}

void UsbPipe::SubmitRest(std::unique_lock<std::mutex>&) {
    libusb_fill_bulk_transfer(wire_->transfer, session_->handle(), endpoint_,
                              wire_->bytes.data() + moved_, static_cast<int>(length_ - moved_),
                              &Delivered, wire_.get(), 0);
    const int r = libusb_submit_transfer(wire_->transfer);
    if (r == LIBUSB_SUCCESS) {
        wire_->busy = true;
        phase_ = Phase::OnWire;
        return;
    }
    // The device is gone, or the endpoint refused the transfer outright.
    if (r == LIBUSB_ERROR_PIPE) libusb_clear_halt(session_->handle(), endpoint_);
    phase_ = Phase::Finished;
    result_ = r == LIBUSB_ERROR_NO_DEVICE ? Completion::State::Gone : Completion::State::Failed;
}

void UsbPipe::Settle() {
    const std::uint32_t from = moved_;
    moved_ += wire_->actual;
    if (moved_ > length_) moved_ = length_;
    if (target_ && moved_ > from)
        std::memcpy(target_ + from, wire_->bytes.data() + from, moved_ - from);
    switch (wire_->status) {
        case LIBUSB_TRANSFER_COMPLETED:
            phase_ = Phase::Finished;
            result_ = Completion::State::Done;
            break;
        case LIBUSB_TRANSFER_CANCELLED:
        case LIBUSB_TRANSFER_TIMED_OUT:
            if (moved_ >= length_) {
                phase_ = Phase::Finished;
                result_ = Completion::State::Done;
            } else {
                phase_ = Phase::Parked;
            }
            break;
        case LIBUSB_TRANSFER_STALL:
            // The endpoint halted; clear it so the programmer can be talked to
            // again, but this block did not make it.
            libusb_clear_halt(session_->handle(), endpoint_);
            phase_ = Phase::Finished;
            result_ = Completion::State::Failed;
            break;
        case LIBUSB_TRANSFER_NO_DEVICE:
            phase_ = Phase::Finished;
            result_ = Completion::State::Gone;
            break;
        default:  // a transfer error
            phase_ = Phase::Finished;
            result_ = Completion::State::Failed;
            break;
    }
}

bool UsbPipe::TakeOffWire(std::unique_lock<std::mutex>& lock) {
    // An error here means the transfer is completing already; either way its
    // completion is on its way.
    libusb_cancel_transfer(wire_->transfer);
    return wire_->changed.wait_for(lock, std::chrono::milliseconds(kCancelGraceMs),
                                   [&] { return !wire_->busy; });
}

void UsbPipe::Abandon(std::unique_lock<std::mutex>& lock) {
    // The device stays open until the completion comes; counted before the
    // wire's lock goes, so that the completion cannot come first.
    session_->HoldForTransfer();
    wire_->abandoned = true;
    lock.unlock();
    (void)wire_.release();
    wire_ = std::make_unique<UsbWire>(*session_);
}

Completion UsbPipe::Report() const {
    if (phase_ == Phase::Finished) return {result_, moved_};
    return {Completion::State::Pending, moved_};
}

Completion UsbPipe::Await(Clock& clock, std::uint64_t deadline_ms) {
    std::unique_lock lock(wire_->mutex);
    for (;;) {
        switch (phase_) {
            case Phase::Idle:
                return {Completion::State::Failed, 0};
            case Phase::Finished:
                return Report();
            case Phase::Parked:
                SubmitRest(lock);
                continue;
            case Phase::OnWire:
                break;
        }
        if (clock.WaitUntil(lock, wire_->changed, deadline_ms, [&] { return !wire_->busy; })) {
            Settle();
            // A cancellation asked for at an earlier deadline came back: the
            // rest goes on the wire again while there is time left.
            if (phase_ == Phase::Parked && clock.NowMs() < deadline_ms) continue;
            return Report();
        }
        // The deadline has come with the block on the wire.
        if (TakeOffWire(lock)) Settle();
        return Report();
    }
}

void UsbPipe::Cancel() {
    std::unique_lock lock(wire_->mutex);
    phase_ = Phase::Idle;
    target_ = nullptr;
    if (wire_->busy && !TakeOffWire(lock)) Abandon(lock);
}

void UsbPipe::Close() {
    if (!session_) return;
    Cancel();
    wire_.reset();
    session_->GiveBackPipe(number_);
    session_.reset();
}

}  // namespace dspprog
