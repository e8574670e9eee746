// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/run_cli.h"

#include <exception>
#include <memory>
#include <ostream>

#include "app/chip_log.h"
#include "app/image_command.h"
#include "app/json_events.h"
#include "app/programmer.h"
#include "app/run_files.h"
#include "app/serial_source.h"
#include "app/series_run.h"
#include "catalogue/catalogue_export.h"
#include "catalogue/chip_table.h"
#include "cli/cli_options.h"
#include "cli/enter_prompt.h"
#include "cli/terminal_operator.h"
#include "link/link.h"
#include "operations/session.h"

namespace dspprog {

namespace {

constexpr const char* kProgram = "dspprog-cli: ";

int UsageError(std::ostream& err, const std::string& error) {
    err << kProgram << error << "\nTry 'dspprog-cli --help'.\n";
    return kExitUsage;
}

// The chips command: the catalogue alone, no programmer.
int ListOrCopyChips(const CliOptions& options, ChipTable& catalogue, std::ostream& out,
                    std::ostream& err, CommandReport& report) {
    const std::vector<ChipRow> rows = ReadChipRows(catalogue);
    report.catalogue_rows = static_cast<std::uint32_t>(rows.size());
    if (!options.to_sqlite) {
        for (const std::string& line : ChipListing(rows))
            out << (options.json ? JsonLogEvent(line) : line) << '\n';
        return kExitSucceeded;
    }
    const std::string& copy = *options.to_sqlite;
    switch (WriteSqliteCatalogue(rows, copy)) {
        case CatalogueCopyResult::Written:
            err << kProgram << rows.size() << " rows copied to '" << copy << "'\n";
            return kExitSucceeded;
        case CatalogueCopyResult::TargetExists:
            err << kProgram << "--to-sqlite: '" << copy << "' exists; the copy replaces no file\n";
            return kExitUsage;
        case CatalogueCopyResult::CannotWrite:
            break;
    }
    err << kProgram << "--to-sqlite: cannot write '" << copy << "'\n";
    return kExitFailed;
}

// The image command: files in, a file out, no programmer and no catalogue.
int MakeImage(const CliOptions& options, std::ostream& out, std::ostream& err,
              const CliEnvironment& environment) {
    ImageRequest request;
    request.inputs = options.inputs;
    request.offset = options.offset;
    request.size = options.size;
    request.fill = options.layout.fill;
    request.swap = options.layout.swap;
    request.lane = options.layout.lane;
    request.interleave = options.interleave.has_value();
    request.output = *options.output;
    request.format = options.format;
    DialogAnswers answers;
    TerminalOperator op(out, err, environment.ask, answers, environment.progress);
    std::string problem;
    try {
        if (MakeImageFile(request, op, problem) == ImageMade::Written) return kExitSucceeded;
    } catch (const FatalStop& stop) {
        if (stop.kind() == FatalStop::Kind::Halt) err << stop.BoxText() << '\n';
        return kExitStopped;
    }
    err << kProgram << problem << '\n';
    return kExitUsage;
}

// The serial numbers and the log of a series, opened before the programmer
// is: what cannot be used ends the run before any chip is touched.
struct SeriesFiles {
    std::unique_ptr<SerialSource> serials;
    std::unique_ptr<ChipLog> log;
};

bool OpenSeriesFiles(const CliOptions& options, SeriesFiles& files, std::string& error) {
    if (options.serial) {
        files.serials = SerialSource::Open(*options.serial, options.serial_file, error);
        if (!files.serials) return false;
    }
    if (options.log) {
        files.log = ChipLog::Open(*options.log, error);
        if (!files.log) return false;
    }
    return true;
}

int StatusOf(Outcome outcome) {
    switch (outcome) {
        case Outcome::Succeeded:
            return kExitSucceeded;
        case Outcome::Unusable:
            // Told apart from a chip that differs or a write that failed: the
            // file never got as far as the chip.
            return kExitUsage;
        case Outcome::Failed:
        case Outcome::Cancelled:
        case Outcome::Refused:
            break;
    }
    return kExitFailed;
}

int RunAsSeries(const CliOptions& options, const CliEnvironment& environment,
                Programmer& programmer, Session& session, SeriesFiles& files, CommandReport& report,
                std::ostream& err) {
    SeriesLane lane{session, programmer.Identity(session.link),
                    [&programmer](bool slowly, std::string& error) {
                        return programmer.ChipDone(slowly, error);
                    }};
    EnterPrompt prompt(environment.next_chip_input, err);
    SeriesShared shared;
    shared.command = options.operation->command;
    shared.operation = &options.operation->operation;
    shared.settings.auto_next = options.auto_next;
    shared.settings.numbered_files = options.repeat || options.auto_next;
    if (options.repeat) {
        shared.settings.count = options.repeat_count;
    } else if (!options.auto_next) {
        shared.settings.count = 1;  // one chip, numbered or logged
    }
    shared.serials = files.serials.get();
    shared.log = files.log.get();
    shared.prompt = &prompt;
    const SeriesOutcome outcome = RunSeries(lane, shared);
    report.counts = outcome.counts;
    switch (outcome.end) {
        case SeriesOutcome::End::Unusable:
            if (!outcome.message.empty()) err << kProgram << outcome.message << '\n';
            return kExitUsage;
        case SeriesOutcome::End::Finished:
            break;
    }
    return outcome.counts.failed == 0 && outcome.counts.passed > 0 ? kExitSucceeded : kExitFailed;
}

// Start-up, then the one operation or the series. Link and session live only
// in here, so that they are gone before the emulated programmer they may talk to.
int Run(const CliOptions& options, const CliEnvironment& environment, Clock& clock,
        TerminalOperator& op, ChipTable& catalogue, const std::string& catalogue_path,
        std::unique_ptr<Programmer>& programmer, CommandReport& report, std::ostream& err) {
    std::string error;
    SeriesFiles files;
    if (options.Series() && !OpenSeriesFiles(options, files, error)) {
        err << kProgram << error << '\n';
        return kExitUsage;
    }
    programmer = Programmer::Open(options, catalogue_path, clock, error);
    if (!programmer) {
        err << kProgram << error << '\n';
        return kExitUsage;
    }
    Link link(programmer->backend(), clock, op);
    programmer->Connect(link);

    Session session(link, catalogue, op);
    session.settings.save_read = options.output.has_value();
    session.settings.erase_first = !options.no_erase;
    session.settings.pad_short_image = options.pad;
    session.settings.image_offset = options.offset;
    session.settings.layout = options.layout;
    session.settings.print_sums = options.sums;
    if (options.TakesImage()) session.settings.image_format = options.format;
    session.DecimalSeparator = environment.decimal_separator;
    session.unfinished_files = environment.unfinished_files;
    // Whatever ends the run, the report says what was found so far.
    struct Report {
        CommandReport& report;
        Session& session;
        ~Report() {
            report.chip = session.tChip;
            report.findings = session.findings;
        }
    } keep{report, session};
    if (options.Series())
        return RunAsSeries(options, environment, *programmer, session, files, report, err);
    return StatusOf(RunInterlocked(session, options.operation->operation));
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           const CliEnvironment& environment) {
    CliOptions options;
    std::string error;
    if (!ParseCliArgs(args, options, error)) return UsageError(err, error);
    if (options.help) {
        out << UsageText();
        return kExitSucceeded;
    }
    if (options.command == kImageCommand) return MakeImage(options, out, err, environment);
    FileRoles own;
    own.output = options.output;
    if (options.TakesImage()) {
        own.image = options.image;
        for (const PlacedName& more : options.layout.more) own.more_images.push_back(more.name);
    }
    RunFiles files;
    if (!ChooseRunFiles(
            options,
            environment.catalogue_places.value_or(ProcessCatalogueEnvironment(std::nullopt)), own,
            files, error))
        return UsageError(err, error);
    const CatalogueLocation& location = files.location;

    SteadyClock steady_clock;
    Clock& clock = environment.clock ? *environment.clock : steady_clock;
    DialogAnswers answers;
    answers.save_file = options.output;
    if (options.TakesImage()) {
        answers.open_file = options.image;
    } else {
        answers.save_format = options.format;
    }
    answers.on_stall = options.on_stall;
    TerminalOperator op(out, err, environment.ask, answers, environment.progress, options.json);
    CommandReport report;
    report.command = options.command;
    const std::unique_ptr<ChipTable> catalogue = MakeChipTable(location.path);

    std::unique_ptr<Programmer> programmer;
    int status = kExitStopped;
    try {
        status = options.operation == nullptr
                     ? ListOrCopyChips(options, *catalogue, out, err, report)
                     : Run(options, environment, clock, op, *catalogue, location.path, programmer,
                           report, err);
    } catch (const FatalStop& stop) {
        // A stop can come in the middle of a data phase, with the bar drawn.
        op.WipeProgress();
        if (stop.kind() == FatalStop::Kind::Halt) err << stop.BoxText() << '\n';
        // The lookup's stop is the same whatever went wrong; when the search
        // order found no catalogue, say where it looked.
        if (stop.kind() == FatalStop::Kind::Halt && stop.message() == kCatalogueOpenError &&
            !options.catalogue && !location.found)
            err << kProgram << CatalogueSearchText(location) << '\n';
        status = kExitStopped;
    } catch (const std::exception& failure) {
        op.WipeProgress();
        err << kProgram << "internal error: " << failure.what() << '\n';
        status = kExitStopped;
    }
    out.flush();

    // Written after a stop as well: the blocks that led to it are the point.
    emu::EmulatedProgrammer* emulated = programmer ? programmer->emulated() : nullptr;
    if (emulated && !emulated->WriteWireLog()) {
        err << kProgram << "cannot write the wire log '" << *options.emulator.wire_log << "'\n";
        if (status == kExitSucceeded) status = kExitFailed;
    }
    // The chip file is the emulated chip's memory: losing a change is a failure.
    if (emulated && emulated->firmware().backing_failed()) {
        err << kProgram << "cannot save the emulated chip to '" << *options.emulator.chip_file
            << "'\n";
        if (status == kExitSucceeded) status = kExitFailed;
    }
    if (options.json) out << JsonResultEvent(status, report) << '\n' << std::flush;
    return status;
}

}  // namespace dspprog
