// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A programmer session on the emulated programmer, with a simulated clock, a
// catalogue of the test's own making and an operator that answers from a
// script and records everything it was shown: the bench for the chip
// operations and the front-ends.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "catalogue/chip_table.h"
#include "emulator/emulated_link.h"
#include "emulator/firmware.h"
#include "link/clock.h"
#include "link/link.h"
#include "operations/operator.h"
#include "operations/session.h"
#include "support/expect_fatal_stop.h"
#include "support/scripted_prompt.h"
#include "support/temp_catalogue.h"

namespace dspprog::testing {

// An operator whose dialog answers are queued by the test. Everything shown
// goes into one transcript in order: log lines as they are, and
//   "[box] TEXT", "[okcancel] TEXT -> OK" / "-> Cancel",
//   "[save] NAME" / "[save] cancel", "[open] NAME" / "[open] cancel",
//   "[prompt] TEXT".
// A dialog with no answer queued is a test failure and counts as cancelled;
// after twenty of them the program is ended (a FatalStop) so a test whose code
// keeps asking does not hang.
class ScriptedOperator final : public Operator {
public:
    explicit ScriptedOperator(Clock& clock) : prompt_(clock, CriticalPrompt::kAbort) {}

    void AnswerSave(std::optional<std::string> name) { save_.push_back(std::move(name)); }
    void AnswerOpen(std::optional<std::string> name) { open_.push_back(std::move(name)); }
    void AnswerOkCancel(bool ok) { ok_cancel_.push_back(ok); }
    // Runs on every progress call: a way to act in the middle of an operation.
    void OnProgress(std::function<void(std::uint32_t done, std::uint32_t total)> callback) {
        on_progress_ = std::move(callback);
    }
    // The critical-error prompt; answers "Завершить" unless scripted otherwise.
    ScriptedPrompt& prompt() { return prompt_; }

    void Log(const std::string& line) override;
    void ErrorBox(const std::string& text) override;
    bool OkCancelBox(const std::string& text) override;
    std::optional<std::string> ChooseSaveFile() override;
    std::optional<std::string> ChooseOpenFile() override;
    void Progress(std::uint32_t done, std::uint32_t total) override;
    int ShowCriticalError(const std::string& message) override;

    const std::vector<std::string>& log() const { return log_; }
    const std::vector<std::string>& transcript() const { return transcript_; }
    const std::vector<std::pair<std::uint32_t, std::uint32_t>>& progress() const {
        return progress_;
    }
    // Answers queued but never asked for.
    std::size_t unanswered() const { return save_.size() + open_.size() + ok_cancel_.size(); }
    void Clear();

private:
    ScriptedPrompt prompt_;
    std::deque<std::optional<std::string>> save_;
    std::deque<std::optional<std::string>> open_;
    std::deque<bool> ok_cancel_;
    std::function<void(std::uint32_t, std::uint32_t)> on_progress_;
    int unanswered_count_ = 0;
    std::vector<std::string> log_;
    std::vector<std::string> transcript_;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> progress_;
};

// Reply bytes 1 to 15 of the identification command from (byte number, value)
// pairs; the rest are 0.
std::array<std::uint8_t, 15> IdentReply(std::initializer_list<std::pair<int, std::uint8_t>> bytes);

// A session with its link open on the emulated programmer. The wire record
// starts empty after the link has opened; the clock then reads 400 ms.
struct ProgrammerBench {
    ProgrammerBench(emu::VirtualChip chip, std::array<std::uint8_t, 15> ident,
                    const std::vector<CatalogueRow>& rows);

    // The wire as lines: blocks of up to 16 bytes in hex (FormatWireLine),
    // longer ones as "<pipe> [<n> bytes]".
    std::vector<std::string> WireLines() const;
    // Only the command blocks sent on CmdOut, in hex.
    std::vector<std::string> Commands() const;

    // A path in the test's temporary directory.
    std::string PathOf(const std::string& name) const;
    void WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) const;
    std::vector<std::uint8_t> ReadFile(const std::string& name) const;

    SimulatedClock clock;
    ScriptedOperator op{clock};
    emu::Firmware firmware;
    emu::EmulatedBackend backend{firmware, clock};
    Link link{backend, clock, op};
    TempCatalogue catalogue;
    std::unique_ptr<ChipTable> table;
    Session session;
};

// The hex of a 16-byte block that begins with `first` and is 0 after it.
std::string Hex16(std::initializer_list<std::uint8_t> first);

// "MainIn [4096 bytes]" and the like, for expected wire lines.
std::string DataLine(const char* pipe, std::uint32_t bytes = kBlockSize);
// `count` data lines.
std::vector<std::string> DataLines(const char* pipe, std::uint32_t count);

}  // namespace dspprog::testing
