// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/programmer_fixture.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "support/text.h"
#include "support/wire_fixture.h"

namespace dspprog::testing {

namespace {

// A loop that keeps asking is a fault of the code under test: past this many
// dialogs nobody answered, the program is ended so the test does not hang.
constexpr int kUnansweredLimit = 20;

void Unanswered(int& count, const std::string& what) {
    ADD_FAILURE() << "unexpected " << what;
    if (++count > kUnansweredLimit) Terminate("too many unanswered dialogs");
}

std::optional<std::string> Next(std::deque<std::optional<std::string>>& answers, const char* dialog,
                                std::vector<std::string>& transcript, int& unanswered) {
    std::optional<std::string> answer;
    if (answers.empty()) {
        Unanswered(unanswered, std::string(dialog) + " dialog");
    } else {
        answer = answers.front();
        answers.pop_front();
    }
    transcript.push_back(std::string("[") + dialog + "] " + (answer ? *answer : "cancel"));
    return answer;
}

}  // namespace

void ScriptedOperator::Log(const std::string& line) {
    log_.push_back(line);
    transcript_.push_back(line);
}

void ScriptedOperator::ErrorBox(const std::string& text) {
    transcript_.push_back("[box] " + text);
}

bool ScriptedOperator::OkCancelBox(const std::string& text) {
    bool ok = false;
    if (ok_cancel_.empty()) {
        Unanswered(unanswered_count_, "OK/Cancel box: " + text);
    } else {
        ok = ok_cancel_.front();
        ok_cancel_.pop_front();
    }
    transcript_.push_back("[okcancel] " + text + (ok ? " -> OK" : " -> Cancel"));
    return ok;
}

std::optional<std::string> ScriptedOperator::ChooseSaveFile() {
    return Next(save_, "save", transcript_, unanswered_count_);
}

std::optional<std::string> ScriptedOperator::ChooseOpenFile() {
    return Next(open_, "open", transcript_, unanswered_count_);
}

void ScriptedOperator::Progress(std::uint32_t done, std::uint32_t total) {
    progress_.emplace_back(done, total);
    if (on_progress_) on_progress_(done, total);
}

int ScriptedOperator::ShowCriticalError(const std::string& message) {
    transcript_.push_back("[prompt] " + message);
    return prompt_.ShowCriticalError(message);
}

void ScriptedOperator::Clear() {
    log_.clear();
    transcript_.clear();
    progress_.clear();
}

std::array<std::uint8_t, 15> IdentReply(std::initializer_list<std::pair<int, std::uint8_t>> bytes) {
    std::array<std::uint8_t, 15> reply{};
    for (const auto& [number, value] : bytes)
        reply.at(static_cast<std::size_t>(number - 1)) = value;
    return reply;
}

ProgrammerBench::ProgrammerBench(emu::VirtualChip chip, std::array<std::uint8_t, 15> ident,
                                 const std::vector<CatalogueRow>& rows)
    : firmware(std::move(chip), ident),
      table((catalogue.Write(rows), MakeChipTable(catalogue.path()))),
      session(link, *table, op) {
    link.DevicePath = emu::kEmulatedPath;
    link.Open();
    firmware.ClearWire();
}

std::vector<std::string> ProgrammerBench::WireLines() const {
    std::vector<std::string> lines;
    for (const emu::WireBlock& block : firmware.wire()) {
        if (block.bytes.size() <= 16) {
            lines.push_back(emu::FormatWireLine(block));
        } else {
            lines.push_back(DataLine(emu::PipeName(block.pipe),
                                     static_cast<std::uint32_t>(block.bytes.size())));
        }
    }
    return lines;
}

std::vector<std::string> ProgrammerBench::Commands() const {
    std::vector<std::string> lines;
    for (const emu::WireBlock& block : firmware.wire()) {
        if (block.pipe == emu::PipeRole::CmdOut && block.bytes.size() == 16)
            lines.push_back(Hex(block.bytes));
    }
    return lines;
}

std::string ProgrammerBench::PathOf(const std::string& name) const {
    return (catalogue.dir() / name).string();
}

void ProgrammerBench::WriteFile(const std::string& name,
                                const std::vector<std::uint8_t>& bytes) const {
    std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    if (!out) ADD_FAILURE() << "cannot write " << PathOf(name);
}

std::vector<std::uint8_t> ProgrammerBench::ReadFile(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string Hex16(std::initializer_list<std::uint8_t> first) {
    std::array<std::uint8_t, 16> block{};
    std::copy(first.begin(), first.end(), block.begin());
    return Hex(block);
}

std::string DataLine(const char* pipe, std::uint32_t bytes) {
    return std::string(pipe) + " [" + std::to_string(bytes) + " bytes]";
}

std::vector<std::string> DataLines(const char* pipe, std::uint32_t count) {
    return std::vector<std::string>(count, DataLine(pipe));
}

}  // namespace dspprog::testing
