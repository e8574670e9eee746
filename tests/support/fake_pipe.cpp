// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fake_pipe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

namespace dspprog {

void LinkEventLog::Record(std::string what) {
    events_.push_back({std::move(what), clock_.NowMs()});
}

std::vector<std::string> LinkEventLog::whats() const {
    return whats("");
}

std::vector<std::string> LinkEventLog::whats(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const Event& e : events_) {
        if (e.what.compare(0, prefix.size(), prefix) == 0) out.push_back(e.what);
    }
    return out;
}

TransferPlan TransferPlan::After(std::uint64_t ms) {
    TransferPlan plan;
    plan.when = When::After;
    plan.ms = ms;
    return plan;
}

TransferPlan TransferPlan::At(std::uint64_t at_ms) {
    TransferPlan plan;
    plan.when = When::At;
    plan.ms = at_ms;
    return plan;
}

TransferPlan TransferPlan::Never() {
    TransferPlan plan;
    plan.when = When::Never;
    return plan;
}

TransferPlan TransferPlan::Short(std::uint32_t count) {
    TransferPlan plan;
    plan.count = count;
    return plan;
}

TransferPlan TransferPlan::Fails(std::uint32_t count) {
    TransferPlan plan;
    plan.end = Completion::State::Failed;
    plan.count = count;
    return plan;
}

TransferPlan TransferPlan::GoneAt(std::uint64_t at_ms) {
    TransferPlan plan = At(at_ms);
    plan.end = Completion::State::Gone;
    plan.count = 0;
    return plan;
}

FakePipe::FakePipe(Clock& clock, std::string name, LinkEventLog* log)
    : clock_(clock), name_(std::move(name)), log_(log) {}

std::optional<std::uint64_t> FakePipe::FinishTime(const TransferPlan& plan,
                                                  std::uint64_t from) const {
    switch (plan.when) {
        case TransferPlan::When::AtOnce:
            return from;
        case TransferPlan::When::After:
            return from + plan.ms;
        case TransferPlan::When::At:
            return plan.ms;
        case TransferPlan::When::Never:
            break;
    }
    return std::nullopt;
}

void FakePipe::Begin(Access direction, std::uint8_t* read_buffer, const std::uint8_t* write_buffer,
                     std::uint32_t length) {
    if (flight_ && !flight_->delivered) {
        ADD_FAILURE() << name_ << ": a transfer was started while another is still in flight";
    }
    TransferPlan plan = default_plan_;
    if (!plans_.empty()) {
        plan = std::move(plans_.front());
        plans_.pop_front();
    }
    const std::uint64_t now = clock_.NowMs();
    Start start{direction, length, now, {}};
    if (write_buffer != nullptr) start.written.assign(write_buffer, write_buffer + length);
    starts_.push_back(std::move(start));
    flight_ = Flight{read_buffer, length, FinishTime(plan, now), std::move(plan)};
}

void FakePipe::StartRead(std::uint8_t* buffer, std::uint32_t length) {
    Begin(Access::Read, buffer, nullptr, length);
}

void FakePipe::StartWrite(const std::uint8_t* buffer, std::uint32_t length) {
    Begin(Access::Write, nullptr, buffer, length);
}

void FakePipe::Replan(TransferPlan plan) {
    if (!flight_) {
        ADD_FAILURE() << name_ << ": no transfer in flight to replan";
        return;
    }
    flight_->finish_at = FinishTime(plan, clock_.NowMs());
    flight_->plan = std::move(plan);
    flight_->delivered = false;
}

Completion FakePipe::Await(Clock& clock, std::uint64_t deadline_ms) {
    Wait wait{clock.NowMs(), deadline_ms, 0, {}};
    if (!flight_) {
        ADD_FAILURE() << name_ << ": awaited with no transfer in flight";
        wait.result = {Completion::State::Failed, 0};
        wait.until_ms = clock.NowMs();
        waits_.push_back(wait);
        return wait.result;
    }

    Flight& f = *flight_;
    const auto finished = [&] { return f.finish_at && clock.NowMs() >= *f.finish_at; };
    // Nobody notifies: the wait ends at the finish time or the deadline.
    std::mutex mutex;
    std::condition_variable cv;
    std::unique_lock lock(mutex);
    const std::uint64_t until = f.finish_at ? std::min(*f.finish_at, deadline_ms) : deadline_ms;
    clock.WaitUntil(lock, cv, until, finished);

    if (finished()) {
        const std::uint32_t count = f.plan.count.value_or(f.length);
        if (!f.delivered && f.read_buffer != nullptr) {
            const std::size_t n = std::min<std::size_t>({count, f.length, f.plan.data.size()});
            if (n > 0) std::memcpy(f.read_buffer, f.plan.data.data(), n);
        }
        f.delivered = true;
        wait.result = {f.plan.end, count};
    } else {
        wait.result = {Completion::State::Pending, f.plan.pending_count};
    }
    wait.until_ms = clock.NowMs();
    waits_.push_back(wait);
    return wait.result;
}

void FakePipe::Cancel() {
    ++cancels_;
    flight_.reset();
    if (log_) log_->Record("cancel " + name_);
}

void FakePipe::Close() {
    ++closes_;
    if (log_) log_->Record("close " + name_);
}

namespace {

class FakeDevice final : public Device {
public:
    explicit FakeDevice(LinkEventLog& log) : log_(log) {}
    void Close() override { log_.Record("close device"); }

private:
    LinkEventLog& log_;
};

// What the link holds: it owns the handle, the backend keeps the fake.
class PipeHandle final : public Pipe {
public:
    explicit PipeHandle(FakePipe& pipe) : pipe_(pipe) {}
    void StartRead(std::uint8_t* buffer, std::uint32_t length) override {
        pipe_.StartRead(buffer, length);
    }
    void StartWrite(const std::uint8_t* buffer, std::uint32_t length) override {
        pipe_.StartWrite(buffer, length);
    }
    Completion Await(Clock& clock, std::uint64_t deadline_ms) override {
        return pipe_.Await(clock, deadline_ms);
    }
    void Cancel() override { pipe_.Cancel(); }
    void Close() override { pipe_.Close(); }

private:
    FakePipe& pipe_;
};

}  // namespace

FakeBackend::FakeBackend(Clock& clock) : log_(clock) {
    for (std::size_t n = 0; n < pipes_.size(); ++n) {
        pipes_[n] = std::make_unique<FakePipe>(clock, "\\PIPE0" + std::to_string(n), &log_);
    }
}

std::unique_ptr<Device> FakeBackend::OpenDevice(const std::string& path) {
    device_path_ = path;
    if (fail_device_open) {
        log_.Record("open device failed");
        return nullptr;
    }
    log_.Record("open device");
    return std::make_unique<FakeDevice>(log_);
}

bool FakeBackend::CreateDoneEvent(Access direction) {
    const bool fails = direction == Access::Read ? fail_read_event : fail_write_event;
    log_.Record(std::string("create ") + (direction == Access::Read ? "ReadDone" : "WriteDone") +
                (fails ? " failed" : ""));
    return !fails;
}

std::unique_ptr<Pipe> FakeBackend::OpenPipe(Device&, const std::string& path, Access access) {
    pipe_openings_.push_back({path, access});
    // Only the device's own pipes exist.
    for (std::size_t n = 0; n < pipes_.size(); ++n) {
        FakePipe& pipe = *pipes_[n];
        if (path != device_path_ + pipe.name()) continue;
        if (static_cast<int>(n) == fail_pipe) break;
        log_.Record("open " + pipe.name());
        return std::make_unique<PipeHandle>(pipe);
    }
    const bool ours = path.compare(0, device_path_.size(), device_path_) == 0;
    log_.Record("open " + (ours ? path.substr(device_path_.size()) : path) + " failed");
    return nullptr;
}

}  // namespace dspprog
