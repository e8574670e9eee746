// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The operator of the command line: log lines on standard output, boxes and
// prompts on standard error, dialog answers from the options or, where a
// terminal is there to ask, from the person at it.

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>

#include "cli/cli_options.h"
#include "cli/progress_bar.h"
#include "operations/operator.h"

namespace dspprog {

struct DialogAnswers {
    std::optional<std::string> save_file;    // the save dialog's one answer
    std::optional<ImageFormat> save_format;  // the form to save it in (--format); else by its name
    std::optional<std::string> open_file;    // the open dialog's one answer
    StallAnswer on_stall = StallAnswer::Ask;
};

class TerminalOperator : public Operator {
public:
    // `ask`: where answers typed at a terminal come from; null when there is
    // nobody to ask. `progress`: draw a progress bar on `err`. `json`: log
    // lines and progress go to `out` as JSON events, and nobody is asked.
    TerminalOperator(std::ostream& out, std::ostream& err, std::istream* ask, DialogAnswers answers,
                     bool progress, bool json = false);

    void Log(const std::string& line) override;
    void ErrorBox(const std::string& text) override;
    bool OkCancelBox(const std::string& text) override;
    std::optional<std::string> ChooseSaveFile() override;
    ImageFormat SaveFormat(const std::string& name) override;
    std::optional<std::string> ChooseOpenFile() override;
    void Progress(std::uint32_t done, std::uint32_t total) override;
    int ShowCriticalError(const std::string& message) override;
    // Every fifth second of a wait, on standard error.
    void ShowWaiting(std::uint64_t waited_ms, std::uint64_t limit_ms) override;

    // Wipes the progress bar before text written past the operator, such as
    // the message of a fatal stop.
    void WipeProgress();

    // The JSON events name the programmer they come from: one site of a gang.
    void NameDeviceInEvents(std::string device) { device_ = std::move(device); }

private:
    // One line from the terminal, trimmed and lower-cased; nullopt at its end.
    std::optional<std::string> AskLine(const std::string& question);
    // A box answered without asking: on `err`, and in the JSON output.
    void Unasked(const std::string& text);

    std::ostream& out_;
    std::ostream& err_;
    std::istream* ask_;
    DialogAnswers answers_;
    std::optional<ProgressBar> bar_;
    bool json_;
    std::string device_;
    std::uint64_t last_waiting_report_ = 0;
};

}  // namespace dspprog
