// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/usb/usb_pipe.h"

#include <libusb.h>

#include <chrono>

namespace dspprog {

struct UsbWire {
    std::mutex mutex;
    std::condition_variable changed;
    bool busy = false;  // submitted, completion not yet delivered
    int status = LIBUSB_TRANSFER_COMPLETED;
    std::uint32_t actual = 0;
};

namespace {

// Runs on the session's event thread.
void LIBUSB_CALL Delivered(libusb_transfer* transfer) {
    auto* wire = static_cast<UsbWire*>(transfer->user_data);
    std::lock_guard lock(wire->mutex);
    wire->status = transfer->status;
    wire->actual =
        transfer->actual_length > 0 ? static_cast<std::uint32_t>(transfer->actual_length) : 0;
    wire->busy = false;
    wire->changed.notify_all();
}

}  // namespace

UsbPipe::UsbPipe(std::shared_ptr<UsbSession> session, int number, std::uint8_t endpoint)
    : session_(std::move(session)),
      number_(number),
      endpoint_(endpoint),
      transfer_(libusb_alloc_transfer(0)),
      wire_(std::make_unique<UsbWire>()) {}

UsbPipe::~UsbPipe() {
    Close();
}

void UsbPipe::StartRead(std::uint8_t* buffer, std::uint32_t length) {
    Start(buffer, length);
}

void UsbPipe::StartWrite(const std::uint8_t* buffer, std::uint32_t length) {
    // libusb takes one pointer type for both directions; it only reads an OUT buffer.
    Start(const_cast<std::uint8_t*>(buffer), length);
}

void UsbPipe::Start(std::uint8_t* buffer, std::uint32_t length) {
    std::unique_lock lock(wire_->mutex);
    buffer_ = buffer;
    length_ = length;
    moved_ = 0;
    result_ = Completion::State::Pending;
    // The link never starts a transfer over one in flight; should it happen,
    // the old one must leave the wire before its transfer can be reused.
    if (!transfer_ || (wire_->busy && !TakeOffWire(lock))) {
        phase_ = Phase::Finished;
        result_ = Completion::State::Failed;
        return;
    }
    SubmitRest(lock);
}

void UsbPipe::SubmitRest(std::unique_lock<std::mutex>&) {
    libusb_fill_bulk_transfer(transfer_, session_->handle(), endpoint_, buffer_ + moved_,
                              static_cast<int>(length_ - moved_), &Delivered, wire_.get(), 0);
    const int r = libusb_submit_transfer(transfer_);
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
    moved_ += wire_->actual;
    if (moved_ > length_) moved_ = length_;
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
    libusb_cancel_transfer(transfer_);
    return wire_->changed.wait_for(lock, std::chrono::milliseconds(kCancelGraceMs),
                                   [&] { return !wire_->busy; });
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
    if (wire_->busy && !TakeOffWire(lock)) return;
    phase_ = Phase::Idle;
}

void UsbPipe::Close() {
    if (!session_) return;
    Cancel();
    {
        std::unique_lock lock(wire_->mutex);
        if (wire_->busy) {
            // The transfer never came back from its cancellation. Freeing it
            // while libusb may still deliver it would be worse than keeping it.
            lock.unlock();
            (void)wire_.release();
            wire_ = std::make_unique<UsbWire>();
            transfer_ = nullptr;
        }
    }
    if (transfer_) libusb_free_transfer(transfer_);
    transfer_ = nullptr;
    session_->GiveBackPipe(number_);
    session_.reset();
}

}  // namespace dspprog
