// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A critical-error prompt that answers from a script and remembers what it was
// asked and when, so tests can prove both the texts and the deadlines.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "link/clock.h"
#include "link/fatal_stop.h"

namespace dspprog {

class ScriptedPrompt : public CriticalPrompt {
public:
    struct Shown {
        std::string message;
        std::uint64_t at_ms;  // the clock's time when the prompt appeared
    };

    // Answers with `default_answer` once the script has run out.
    explicit ScriptedPrompt(Clock& clock, int default_answer = kRetry);

    // Queues answers, given in the order the prompts will appear.
    void Script(std::initializer_list<int> answers);
    void Answer(int answer) { script_.push_back(answer); }
    void SetDefault(int answer) { default_answer_ = answer; }

    // Runs before each answer, with the prompt's number (0-based) and text:
    // what the device does while the operator looks at the prompt.
    void OnShow(std::function<void(std::size_t index, const std::string& message)> callback) {
        on_show_ = std::move(callback);
    }

    // A loop that keeps asking is a fault of the code under test; past this
    // many prompts the test fails and the prompt answers "Завершить" so the
    // test ends instead of hanging.
    void SetLimit(std::size_t limit) { limit_ = limit; }

    int ShowCriticalError(const std::string& message) override;
    void ShowWaiting(std::uint64_t waited_ms, std::uint64_t limit_ms) override {
        waiting_.push_back({waited_ms, limit_ms});
    }
    // Each report of a kept-deadline wait: how long so far, of how long.
    const std::vector<std::pair<std::uint64_t, std::uint64_t>>& waiting() const { return waiting_; }

    const std::vector<Shown>& shown() const { return shown_; }
    std::vector<std::string> messages() const;
    std::vector<std::uint64_t> times() const;
    // Answers still queued.
    std::size_t unanswered() const { return script_.size(); }

private:
    Clock& clock_;
    int default_answer_;
    std::deque<int> script_;
    std::function<void(std::size_t, const std::string&)> on_show_;
    std::size_t limit_ = 1000;
    std::vector<Shown> shown_;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> waiting_;
};

}  // namespace dspprog
