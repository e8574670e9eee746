// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator of a library call: nobody to ask. Log lines and progress go
// to the caller's callbacks, boxes that would ask a question are declined,
// the image file is the one the call gave, and a stalled transfer is
// awaited as long as the caller's policy says, then given up.

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "link/clock.h"
#include "operations/operator.h"

namespace dspprog::library {

class LibraryOperator final : public Operator {
public:
    explicit LibraryOperator(Clock& clock) : clock_(clock) {}

    std::function<void(const std::string&)> log;
    std::function<void(std::uint32_t, std::uint32_t)> progress;
    std::uint64_t stall_limit_ms = 30000;
    // The file the next write or verify takes.
    std::optional<std::string> image;

    // Asks the operation running now to stop at its next block.
    void Cancel() { cancel_ = true; }
    // An operation starts: no stall is being awaited.
    void Begin() { stall_since_.reset(); }

    void Log(const std::string& line) override;
    void ErrorBox(const std::string& text) override { Log(text); }
    // The boxes ask whether to choose another image; there is none.
    bool OkCancelBox(const std::string& text) override;
    std::optional<std::string> ChooseSaveFile() override { return std::nullopt; }
    std::optional<std::string> ChooseOpenFile() override;
    void Progress(std::uint32_t done, std::uint32_t total) override;
    int ShowCriticalError(const std::string& message) override;
    void ShowWaiting(std::uint64_t waited_ms, std::uint64_t limit_ms) override;

private:
    // Throws Cancelled when asked to.
    void CheckCancel();
    // Throws ProgrammerGone once the stall has lasted the policy's time.
    void Stalled(std::uint64_t waited_ms, const std::string& message);

    Clock& clock_;
    std::atomic<bool> cancel_{false};
    std::optional<std::uint64_t> stall_since_;
};

// "Программатор не отвечает N с: ожидание прекращено"
std::string StallLine(std::uint64_t limit_ms);

}  // namespace dspprog::library
