// SPDX-License-Identifier: GPL-3.0-or-later
#include "emulator/emulated_link.h"

#include <algorithm>

namespace dspprog::emu {

namespace {

const char* const kPipeSuffixes[kPipeCount] = {"\\PIPE00", "\\PIPE01", "\\PIPE02", "\\PIPE03"};

class EmulatedDevice final : public Device {
public:
    explicit EmulatedDevice(EmulatedBackend& backend) : backend_(backend) {}
    ~EmulatedDevice() override { Close(); }
    void Close() override {
        if (open_) backend_.Record("close device", backend_.clock().NowMs());
        open_ = false;
    }

private:
    EmulatedBackend& backend_;
    bool open_ = true;
};

class EmulatedPipe final : public Pipe {
public:
    EmulatedPipe(EmulatedBackend& backend, PipeRole role) : backend_(backend), role_(role) {}
    ~EmulatedPipe() override { Close(); }

    void StartRead(std::uint8_t* buffer, std::uint32_t length) override {
        Start(buffer, nullptr, length);
    }
    void StartWrite(const std::uint8_t* buffer, std::uint32_t length) override {
        Start(nullptr, buffer, length);
    }

    Completion Await(Clock& clock, std::uint64_t deadline_ms) override {
        std::unique_lock lock(backend_.mutex());
        for (;;) {
            const std::uint64_t now = clock.NowMs();
            if (active_ && !resolved_) {
                Firmware& fw = backend_.firmware();
                outcome_ = in_buffer_ ? fw.HostRead(role_, in_buffer_, length_, now * 1000)
                                      : fw.HostWrite(role_, out_buffer_, length_, now * 1000);
                resolved_ = outcome_.state != Completion::State::Pending;
            }
            if (resolved_ && (outcome_.state == Completion::State::Failed ||
                              outcome_.state == Completion::State::Gone))
                return {outcome_.state, outcome_.count};
            std::uint64_t wake = deadline_ms;
            if (resolved_) {
                // Rounded down: the firmware keeps its own microsecond account of
                // the bus, so the next transfer still starts where this one ended.
                const std::uint64_t ready_ms = outcome_.ready_at_us / 1000;
                if (now >= ready_ms) return {Completion::State::Done, outcome_.count};
                wake = std::min(wake, ready_ms);
            }
            if (now >= deadline_ms) return {Completion::State::Pending, 0};
            // Sleep until the data is due, the deadline passes, or someone
            // changes the firmware (a fault cleared, the device unplugged).
            const std::uint64_t seen = backend_.generation();
            clock.WaitUntil(lock, backend_.changed(), wake,
                            [&] { return backend_.generation() != seen; });
        }
    }

    void Cancel() override {
        std::lock_guard lock(backend_.mutex());
        if (active_) backend_.Record(std::string("cancel ") + Name(), backend_.clock().NowMs());
        active_ = false;
    }

    void Close() override {
        if (!open_) return;
        open_ = false;
        backend_.Record(std::string("close ") + Name(), backend_.clock().NowMs());
    }

private:
    const char* Name() const { return kPipeSuffixes[static_cast<int>(role_)]; }

    void Start(std::uint8_t* in, const std::uint8_t* out, std::uint32_t length) {
        std::lock_guard lock(backend_.mutex());
        in_buffer_ = in;
        out_buffer_ = out;
        length_ = length;
        active_ = true;
        resolved_ = false;
        outcome_ = {};
    }

    EmulatedBackend& backend_;
    PipeRole role_;
    bool open_ = true;
    bool active_ = false;
    bool resolved_ = false;
    std::uint8_t* in_buffer_ = nullptr;
    const std::uint8_t* out_buffer_ = nullptr;
    std::uint32_t length_ = 0;
    TimedCompletion outcome_;
};

}  // namespace

EmulatedBackend::EmulatedBackend(Firmware& firmware, Clock& clock, std::string device_path)
    : firmware_(firmware), device_path_(std::move(device_path)), clock_(clock) {}

void EmulatedBackend::Record(std::string what, std::uint64_t at_ms) {
    events_.push_back({std::move(what), at_ms});
}

std::unique_ptr<Device> EmulatedBackend::OpenDevice(const std::string& path) {
    Record("open device", clock_.NowMs());
    if (path != device_path_) return nullptr;
    return std::make_unique<EmulatedDevice>(*this);
}

std::unique_ptr<Pipe> EmulatedBackend::OpenPipe(Device&, const std::string& path, Access access) {
    for (int n = 0; n < kPipeCount; ++n) {
        if (path != device_path_ + kPipeSuffixes[n]) continue;
        Record(std::string("open ") + kPipeSuffixes[n], clock_.NowMs());
        const auto role = static_cast<PipeRole>(n);
        const bool wants_read = access == Access::Read;
        if (wants_read != IsInPipe(role)) return nullptr;
        return std::make_unique<EmulatedPipe>(*this, role);
    }
    return nullptr;
}

void EmulatedBackend::Disconnect() {
    {
        std::lock_guard lock(mutex_);
        firmware_.Disconnect();
        ++generation_;
    }
    changed_.notify_all();
}

void EmulatedBackend::Poke() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    changed_.notify_all();
}

}  // namespace dspprog::emu
