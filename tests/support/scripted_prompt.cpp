// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/scripted_prompt.h"

#include <gtest/gtest.h>

namespace dspprog {

ScriptedPrompt::ScriptedPrompt(Clock& clock, int default_answer)
    : clock_(clock), default_answer_(default_answer) {}

void ScriptedPrompt::Script(std::initializer_list<int> answers) {
    script_.insert(script_.end(), answers.begin(), answers.end());
}

int ScriptedPrompt::ShowCriticalError(const std::string& message) {
    shown_.push_back({message, clock_.NowMs()});
    if (shown_.size() > limit_) {
        ADD_FAILURE() << "critical-error prompt shown more than " << limit_
                      << " times; last text: " << message;
        return kAbort;
    }
    if (on_show_) on_show_(shown_.size() - 1, message);
    if (script_.empty()) return default_answer_;
    const int answer = script_.front();
    script_.pop_front();
    return answer;
}

std::vector<std::string> ScriptedPrompt::messages() const {
    std::vector<std::string> out;
    for (const Shown& s : shown_) out.push_back(s.message);
    return out;
}

std::vector<std::uint64_t> ScriptedPrompt::times() const {
    std::vector<std::uint64_t> out;
    for (const Shown& s : shown_) out.push_back(s.at_ms);
    return out;
}

}  // namespace dspprog
