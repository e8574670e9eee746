// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/series_run.h"

#include <filesystem>

#include "base/utf8_path.h"
#include "link/fatal_stop.h"
#include "operations/chip_swap_wait.h"

namespace dspprog {
namespace {

// "NAME-N.ext": the N-th chip's file of a read that saves each chip.
std::string NumberedName(const std::string& name, std::uint32_t chip) {
    const std::filesystem::path path = PathFromUtf8(name);
    const std::string stem = Utf8FromPath(path.stem());
    const std::string extension = Utf8FromPath(path.extension());
    const std::string base = name.substr(0, name.size() - stem.size() - extension.size());
    return base + stem + "-" + std::to_string(chip) + extension;
}

// The file names the operator gave for the first chip: every chip of the
// series is written from, compared with or saved as the same.
struct RememberedFiles {
    std::optional<std::optional<std::string>> open;
    std::optional<std::optional<std::string>> save;
};

// The site's operator for one chip: everything goes through, the dialogs are
// answered as they were for the first chip, and the save name gets the chip's
// number.
class ChipOperator final : public Operator {
public:
    ChipOperator(Operator& inner, RememberedFiles& files, std::uint32_t chip)
        : inner_(inner), files_(files), chip_(chip) {}

    void Log(const std::string& line) override { inner_.Log(line); }
    void ErrorBox(const std::string& text) override { inner_.ErrorBox(text); }
    bool OkCancelBox(const std::string& text) override { return inner_.OkCancelBox(text); }
    // `chip` 0: the saved file keeps its name.
    // A dialog asked again within one chip (another file after a size box)
    // goes to the operator, whose new answer then holds for the next chips.
    std::optional<std::string> ChooseSaveFile() override {
        if (!files_.save || asked_save_) files_.save = inner_.ChooseSaveFile();
        asked_save_ = true;
        if (!*files_.save) return std::nullopt;
        return chip_ == 0 ? **files_.save : NumberedName(**files_.save, chip_);
    }
    ImageFormat SaveFormat(const std::string& name) override {
        // The form follows the name the operator gave, not the numbered one.
        return inner_.SaveFormat(files_.save && *files_.save ? **files_.save : name);
    }
    std::optional<std::string> ChooseOpenFile() override {
        if (!files_.open || asked_open_) files_.open = inner_.ChooseOpenFile();
        asked_open_ = true;
        return *files_.open;
    }
    void Progress(std::uint32_t done, std::uint32_t total) override {
        inner_.Progress(done, total);
    }
    int ShowCriticalError(const std::string& message) override {
        return inner_.ShowCriticalError(message);
    }

private:
    Operator& inner_;
    RememberedFiles& files_;
    std::uint32_t chip_;
    bool asked_open_ = false;
    bool asked_save_ = false;
};

}  // namespace

std::string StationName(const std::string& host, const ProgrammerIdentity& programmer) {
    return host + "/" + (programmer.serial.empty() ? programmer.location : programmer.serial);
}

std::string CountsLine(const SeriesCounts& counts) {
    return "  Годных: " + std::to_string(counts.passed) +
           ", брак: " + std::to_string(counts.failed);
}

SeriesOutcome RunSeries(SeriesSite& site, const SeriesShared& shared) {
    Session& session = site.session;
    SeriesOutcome outcome;

    std::optional<ChipRecord> first_chip;
    RememberedFiles files;
    std::vector<std::string> saved_files;  // by every chip so far
    const std::string station = StationName(shared.host, site.identity);
    // A server lost on the way stops the run; anything else it refused ends
    // it as unusable.
    bool lost = false;
    const auto lose = [&](bool server, const std::string& error) {
        lost = lost || server;
        outcome.message = error;
    };
    for (std::uint32_t chip = 1;; ++chip) {
        std::optional<std::uint64_t> serial;
        std::optional<ImagePatch> patch;
        if (shared.serials) {
            const SerialNumbering& numbering = shared.serials->numbering();
            std::string error;
            serial = shared.serials->Take(station, error);
            if (!serial) {
                outcome.end = shared.serials->ServerLost() ? SeriesOutcome::End::Stopped
                                                           : SeriesOutcome::End::Unusable;
                outcome.message = error;
                break;
            }
            const auto bytes = EncodeSerial(*serial, numbering.bytes, numbering.form);
            if (!bytes) {
                shared.serials->Settle(*serial, SerialEnd::FailedBeforeWrite, error);
                outcome.end = SeriesOutcome::End::Unusable;
                outcome.message = SerialTooWideText(*serial, numbering);
                break;
            }
            patch = ImagePatch{numbering.address, *bytes};
        }

        ChipOperator op(session.op, files, shared.settings.numbered_files ? chip : 0);
        Session chip_session(session.link, session.catalogue, op);
        chip_session.settings = session.settings;
        chip_session.settings.image_patch = patch;
        chip_session.DecimalSeparator = session.DecimalSeparator;
        chip_session.unfinished_files = session.unfinished_files;
        if (serial) {
            chip_session.write_may_begin = [&](std::string& why) {
                if (shared.serials->WriteBegins(*serial, why)) return true;
                lose(shared.serials->ServerLost(), why);
                return false;
            };
        }

        const std::uint64_t started = session.link.clock().NowMs();
        // Whatever becomes of the chip, its number is settled and it is
        // recorded: a chip that may hold a number keeps it spent.
        const auto settle = [&](bool ok, const std::string& reason) {
            const bool spent = serial && chip_session.findings.write_began;
            std::string error;
            const SerialEnd end = ok      ? SerialEnd::Written
                                  : spent ? SerialEnd::Failed
                                          : SerialEnd::FailedBeforeWrite;
            if (serial && !shared.serials->Settle(*serial, end, error))
                lose(shared.serials->ServerLost(), error);
            if (!ok) ++outcome.counts.failed;
            if (ok) ++outcome.counts.passed;
            session.findings = chip_session.findings;
            saved_files.insert(saved_files.end(), chip_session.findings.saved_files.begin(),
                               chip_session.findings.saved_files.end());
            session.findings.saved_files = saved_files;
            session.tChip = chip_session.tChip;
            if (!shared.log) return true;
            ChipLogEntry entry;
            entry.programmer = site.identity;
            entry.operation = shared.command;
            entry.chip = chip_session.tChip;
            entry.ok = ok;
            entry.reason = reason;
            entry.duration_ms = session.link.clock().NowMs() - started;
            entry.content = &chip_session.findings.content;
            entry.serial = serial;
            entry.serial_spent = spent;
            entry.station = station;
            if (shared.log->Append(entry, error)) return true;
            lose(shared.log->ServerLost(), error);
            return false;
        };

        Outcome result = Outcome::Failed;
        try {
            result = RunButtonOperation(chip_session, *shared.operation);
        } catch (const FatalStop& stop) {
            settle(false, stop.message());
            session.op.Log(CountsLine(outcome.counts));
            throw;
        }
        // Why the chip failed is what the operation found, not a line of its log.
        const bool logged =
            settle(result == Outcome::Succeeded,
                   result == Outcome::Succeeded ? std::string() : chip_session.findings.failure);
        session.op.Log(CountsLine(outcome.counts));
        if (!logged || !outcome.message.empty()) {
            outcome.end = lost ? SeriesOutcome::End::Stopped : SeriesOutcome::End::Unusable;
            break;
        }
        // An image the chip cannot take will not suit the next one either.
        if (result == Outcome::Unusable) {
            outcome.end = SeriesOutcome::End::Unusable;
            break;
        }
        if (!chip_session.tChip.Name.empty() && !first_chip) first_chip = chip_session.tChip;
        if (shared.settings.count && chip >= *shared.settings.count) break;

        if (site.chip_done && !site.chip_done(shared.settings.auto_next, outcome.message)) {
            outcome.end = SeriesOutcome::End::Unusable;
            break;
        }
        if (shared.settings.auto_next) {
            WaitForChipSwap(session, first_chip);
        } else if (shared.prompt->AskNext(outcome.counts) == NextChip::Finish) {
            break;
        }
    }
    return outcome;
}

}  // namespace dspprog
