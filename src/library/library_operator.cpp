// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_operator.h"

#include <algorithm>
#include <utility>

#include "dspprog/error.h"

namespace dspprog::library {

std::string StallLine(std::uint64_t limit_ms) {
    return "Программатор не отвечает " + std::to_string((limit_ms + 999) / 1000) +
           " с: ожидание прекращено";
}

void LibraryOperator::Log(const std::string& line) {
    if (log) log(line);
}

bool LibraryOperator::OkCancelBox(const std::string& text) {
    Log(text);
    return false;
}

std::optional<std::string> LibraryOperator::ChooseOpenFile() {
    return std::exchange(image, std::nullopt);
}

void LibraryOperator::Progress(std::uint32_t done, std::uint32_t total) {
    // A block moved: whatever was awaited has come.
    stall_since_.reset();
    if (progress) progress(done, total);
    CheckCancel();
}

int LibraryOperator::ShowCriticalError(const std::string& message) {
    Log(message);
    CheckCancel();
    Stalled(0, message);
    return kRetry;
}

void LibraryOperator::ShowWaiting(std::uint64_t waited_ms, std::uint64_t limit_ms) {
    (void)limit_ms;
    CheckCancel();
    Stalled(waited_ms, StallLine(stall_limit_ms));
}

void LibraryOperator::CheckCancel() {
    if (cancel_.exchange(false)) throw Cancelled("Операция отменена");
}

void LibraryOperator::Stalled(std::uint64_t waited_ms, const std::string& message) {
    const std::uint64_t now = clock_.NowMs();
    if (!stall_since_) stall_since_ = now - std::min(now, waited_ms);
    if (now - *stall_since_ >= stall_limit_ms) {
        stall_since_.reset();
        throw ProgrammerGone(message);
    }
}

}  // namespace dspprog::library
