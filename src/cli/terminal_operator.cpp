// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/terminal_operator.h"

#include <utility>

#include "cli/json_events.h"

namespace dspprog {

namespace {

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool OneOf(const std::string& word, std::initializer_list<const char*> choices) {
    for (const char* choice : choices) {
        if (word == choice) return true;
    }
    return false;
}

}  // namespace

TerminalOperator::TerminalOperator(std::ostream& out, std::ostream& err, std::istream* ask,
                                   DialogAnswers answers, bool progress, bool json)
    : out_(out), err_(err), ask_(json ? nullptr : ask), answers_(std::move(answers)), json_(json) {
    if (progress && !json) bar_.emplace(err_);
}

void TerminalOperator::Unasked(const std::string& text) {
    err_ << text << '\n' << std::flush;
    if (json_) out_ << JsonLogEvent(text, device_) << '\n' << std::flush;
}

void TerminalOperator::Log(const std::string& line) {
    if (json_) {
        out_ << JsonLogEvent(line, device_) << '\n' << std::flush;
        return;
    }
    if (bar_) bar_->Clear();
    // Flushed line by line, so that a box on standard error shows up after
    // the log lines that led to it.
    out_ << line << '\n' << std::flush;
}

void TerminalOperator::ErrorBox(const std::string& text) {
    if (bar_) bar_->Clear();
    err_ << text << '\n' << std::flush;
}

bool TerminalOperator::OkCancelBox(const std::string& text) {
    if (bar_) bar_->Clear();
    if (!ask_) {
        Unasked(text + " [OK/Cancel]: Cancel");
        return false;
    }
    const auto answer = AskLine(text + " OK? [y/N] ");
    return answer && OneOf(*answer, {"y", "yes", "д", "да"});
}

// Each dialog has one answer on the command line. An operation that asks
// again (after OK on a size box) gets a cancel, so that it cannot go round for
// ever on the same file.
std::optional<std::string> TerminalOperator::ChooseSaveFile() {
    return std::exchange(answers_.save_file, std::nullopt);
}

ImageFormat TerminalOperator::SaveFormat(const std::string& name) {
    return answers_.save_format.value_or(ImageFormatFromFileName(name));
}

std::optional<std::string> TerminalOperator::ChooseOpenFile() {
    return std::exchange(answers_.open_file, std::nullopt);
}

void TerminalOperator::Progress(std::uint32_t done, std::uint32_t total) {
    if (json_) out_ << JsonProgressEvent(done, total, device_) << '\n';
    if (bar_) bar_->Show(done, total);
}

void TerminalOperator::WipeProgress() {
    if (bar_) bar_->Clear();
}

int TerminalOperator::ShowCriticalError(const std::string& message) {
    if (bar_) bar_->Clear();
    err_ << "Критическая ошибка: " << message << '\n';
    switch (answers_.on_stall) {
        case StallAnswer::Wait:
            err_ << "  -> Подождать (" << OptionFlag(StartOption::OnStall) << " wait)\n"
                 << std::flush;
            return kRetry;
        case StallAnswer::Terminate:
            err_ << "  -> Завершить (" << OptionFlag(StartOption::OnStall) << " terminate)\n"
                 << std::flush;
            return kAbort;
        case StallAnswer::Ask:
            break;
    }
    if (!ask_) {
        err_ << "  -> Завершить (некого спросить)\n" << std::flush;
        if (json_)
            out_ << JsonLogEvent(
                        "Критическая ошибка: " + message + " -> Завершить (некого спросить)",
                        device_)
                 << '\n'
                 << std::flush;
        return kAbort;
    }
    for (;;) {
        const auto answer = AskLine("Подождать [w] или Завершить [t]? ");
        // The end of the input cannot be asked again; waiting on it would never end.
        if (!answer || OneOf(*answer, {"t", "terminate", "з", "завершить"})) return kAbort;
        if (OneOf(*answer, {"w", "wait", "п", "подождать"})) return kRetry;
    }
}

void TerminalOperator::ShowWaiting(std::uint64_t waited_ms, std::uint64_t limit_ms) {
    constexpr std::uint64_t kEvery = 5000;
    if (waited_ms / kEvery == last_waiting_report_ / kEvery && waited_ms >= last_waiting_report_)
        return;
    last_waiting_report_ = waited_ms;
    if (waited_ms < kEvery) return;
    if (bar_) bar_->Clear();
    err_ << "  ожидание: " << waited_ms / 1000 << " с из " << limit_ms / 1000 << " с\n"
         << std::flush;
}

std::optional<std::string> TerminalOperator::AskLine(const std::string& question) {
    err_ << question << std::flush;
    std::string line;
    if (!std::getline(*ask_, line)) {
        err_ << '\n' << std::flush;
        return std::nullopt;
    }
    return AsciiLower(Trimmed(line));
}

}  // namespace dspprog
