// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A scriptable link backend: pipes whose transfers finish when, and how, a test
// says, and a record of everything opened, started, cancelled and closed with
// the clock's time. Meant for a SimulatedClock: a wait jumps the clock to the
// moment the transfer finishes or to the deadline, whichever is first.

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/clock.h"
#include "link/pipe.h"

namespace dspprog {

// The order in which things happened on the fake link: "open device",
// "create ReadDone", "create WriteDone", "open \PIPE00", "open \PIPE02 failed",
// "cancel \PIPE00", "close \PIPE00", "close device".
class LinkEventLog {
public:
    struct Event {
        std::string what;
        std::uint64_t at_ms;
    };

    explicit LinkEventLog(Clock& clock) : clock_(clock) {}

    void Record(std::string what);
    const std::vector<Event>& events() const { return events_; }
    std::vector<std::string> whats() const;
    // Events whose text begins with `prefix` ("close", "open"), in order.
    std::vector<std::string> whats(const std::string& prefix) const;

private:
    Clock& clock_;
    std::vector<Event> events_;
};

// How one transfer ends.
struct TransferPlan {
    enum class When { AtOnce, After, At, Never };

    When when = When::AtOnce;
    std::uint64_t ms = 0;  // After: since the start; At: the clock's time
    Completion::State end = Completion::State::Done;  // Done, Failed or Gone
    std::optional<std::uint32_t> count;  // bytes moved by the end; all that was asked if unset
    std::uint32_t pending_count = 0;     // bytes reported while still pending
    std::vector<std::uint8_t> data;      // what a read puts into the buffer (up to the count)

    static TransferPlan AtOnce() { return {}; }
    static TransferPlan After(std::uint64_t ms);
    static TransferPlan At(std::uint64_t at_ms);
    static TransferPlan Never();
    // Finishes at once, moving `count` bytes.
    static TransferPlan Short(std::uint32_t count);
    // Finishes at once with an error, having moved `count` bytes.
    static TransferPlan Fails(std::uint32_t count = 0);
    // The device vanishes at the clock's time `at_ms` (at once if that has
    // passed) with nothing moved.
    static TransferPlan GoneAt(std::uint64_t at_ms);

    TransferPlan& Moving(std::uint32_t bytes_while_pending) {
        pending_count = bytes_while_pending;
        return *this;
    }
    TransferPlan& Delivering(std::vector<std::uint8_t> bytes) {
        data = std::move(bytes);
        return *this;
    }
};

class FakePipe : public Pipe {
public:
    struct Start {
        Access direction;
        std::uint32_t length;
        std::uint64_t at_ms;
        std::vector<std::uint8_t> written;  // a write's bytes as given
    };
    struct Wait {
        std::uint64_t at_ms;        // when the wait began
        std::uint64_t deadline_ms;  // what it was given
        std::uint64_t until_ms;     // when it returned
        Completion result;
    };

    explicit FakePipe(Clock& clock, std::string name = "pipe", LinkEventLog* log = nullptr);

    // Plans for the next transfers, in order; once they run out every transfer
    // follows the default plan (finish at once, whole length).
    void Plan(TransferPlan plan) { plans_.push_back(std::move(plan)); }
    void SetDefault(TransferPlan plan) { default_plan_ = std::move(plan); }
    // Changes how the transfer in flight ends; After counts from now. For a
    // device that answers while the operator looks at a prompt.
    void Replan(TransferPlan plan);

    void StartRead(std::uint8_t* buffer, std::uint32_t length) override;
    void StartWrite(const std::uint8_t* buffer, std::uint32_t length) override;
    Completion Await(Clock& clock, std::uint64_t deadline_ms) override;
    void Cancel() override;
    void Close() override;

    const std::string& name() const { return name_; }
    const std::vector<Start>& starts() const { return starts_; }
    const std::vector<Wait>& waits() const { return waits_; }
    int cancels() const { return cancels_; }
    int closes() const { return closes_; }
    bool in_flight() const { return flight_.has_value(); }

private:
    struct Flight {
        std::uint8_t* read_buffer;  // null for a write
        std::uint32_t length;
        std::optional<std::uint64_t> finish_at;  // nullopt: never
        TransferPlan plan;
        bool delivered = false;
    };

    void Begin(Access direction, std::uint8_t* read_buffer, const std::uint8_t* write_buffer,
               std::uint32_t length);
    std::optional<std::uint64_t> FinishTime(const TransferPlan& plan, std::uint64_t from) const;

    Clock& clock_;
    std::string name_;
    LinkEventLog* log_;
    std::deque<TransferPlan> plans_;
    TransferPlan default_plan_;
    std::optional<Flight> flight_;
    std::vector<Start> starts_;
    std::vector<Wait> waits_;
    int cancels_ = 0;
    int closes_ = 0;
};

// A backend whose device and four pipes are fakes. The pipes exist from the
// start, so a test can script them before the link opens and inspect them
// after it closed.
class FakeBackend : public LinkBackend {
public:
    struct PipeOpening {
        std::string path;
        Access access;
    };

    explicit FakeBackend(Clock& clock);

    // Opening faults.
    bool fail_device_open = false;
    bool fail_read_event = false;
    bool fail_write_event = false;
    int fail_pipe = -1;  // the pipe number (0..3) whose opening fails

    std::unique_ptr<Device> OpenDevice(const std::string& path) override;
    bool CreateDoneEvent(Access direction) override;
    std::unique_ptr<Pipe> OpenPipe(Device& device, const std::string& path, Access access) override;

    // The fake behind "\PIPE0n".
    FakePipe& pipe(int n) { return *pipes_.at(static_cast<std::size_t>(n)); }
    LinkEventLog& log() { return log_; }
    const std::string& device_path() const { return device_path_; }
    const std::vector<PipeOpening>& pipe_openings() const { return pipe_openings_; }

private:
    LinkEventLog log_;
    std::array<std::unique_ptr<FakePipe>, 4> pipes_;
    std::string device_path_;
    std::vector<PipeOpening> pipe_openings_;
};

}  // namespace dspprog
