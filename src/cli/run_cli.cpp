// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/run_cli.h"

#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>

#include "app/chip_log.h"
#include "app/image_command.h"
#include "app/json_events.h"
#include "app/lanes.h"
#include "app/programmer.h"
#include "app/programmer_session.h"
#include "app/run_files.h"
#include "app/serial_source.h"
#include "app/series_run.h"
#include "base/name_with_tag.h"
#include "base/shown_text.h"
#include "catalogue/catalogue_export.h"
#include "catalogue/chip_table.h"
#include "cli/cli_options.h"
#include "cli/enter_prompt.h"
#include "cli/lane_operator.h"
#include "cli/terminal_operator.h"
#include "link/device_choice.h"
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
            err << kProgram << "Строк скопировано в \"" << copy << "\": " << rows.size() << '\n';
            return kExitSucceeded;
        case CatalogueCopyResult::TargetExists:
            err << kProgram << "--to-sqlite: файл \"" << copy
                << "\" уже есть; копия не заменяет файлов\n";
            return kExitUsage;
        case CatalogueCopyResult::CannotWrite:
            break;
    }
    err << kProgram << "--to-sqlite: файл \"" << copy << "\" не удаётся записать\n";
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
    TerminalOperator op(out, err, environment.ask, answers, environment.progress, options.json);
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

// The operation's settings as the options give them.
OperationSettings SettingsOf(const CliOptions& options) {
    OperationSettings settings;
    settings.save_read = options.output.has_value();
    settings.erase_first = !options.no_erase;
    settings.pad_short_image = options.pad;
    settings.image_offset = options.offset;
    settings.layout = options.layout;
    settings.print_sums = options.sums;
    if (options.TakesImage()) settings.image_format = options.format;
    return settings;
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

// How the options make chips follow one another, for one lane or for all.
SeriesShared SeriesOf(const CliOptions& options, SeriesFiles& files, NextChipPrompt& prompt) {
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
    return shared;
}

int RunAsSeries(const CliOptions& options, const CliEnvironment& environment,
                Programmer& programmer, Session& session, SeriesFiles& files, CommandReport& report,
                std::ostream& err) {
    SeriesLane lane{session, programmer.Identity(session.link),
                    [&programmer, &session](bool slowly, std::string& error) {
                        return programmer.ChipDone(session.link, slowly, error);
                    }};
    EnterPrompt prompt(environment.next_chip_input, err);
    const SeriesShared shared = SeriesOf(options, files, prompt);
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

// The devices command: one line per programmer present (under --json, a log
// event each).
int ListDevices(Programmer& programmer, bool json, std::ostream& out, std::ostream& err) {
    const std::vector<ProgrammerEntry> present = programmer.List();
    for (const ProgrammerEntry& entry : present) {
        const std::string line = ListingLine(entry);
        out << (json ? JsonLogEvent(line) : line) << '\n';
    }
    if (!present.empty()) return kExitSucceeded;
    err << kProgram << "Программатор не найден\n";
    return kExitFailed;
}

// --device all: every programmer at once, each lane's lines prefixed with
// its name (under --json, events naming it), then the summary.
int RunGang(const CliOptions& options, const CliEnvironment& environment, Clock& clock,
            const std::string& catalogue_path, Programmer& programmer,
            const std::vector<ProgrammerEntry>& lanes, SeriesFiles& files, CommandReport& report,
            std::ostream& out, std::ostream& err) {
    std::mutex out_lock;
    std::mutex err_lock;
    LaneWork work;
    work.operation = &options.operation->operation;
    work.settings = SettingsOf(options);
    work.decimal_separator = environment.decimal_separator;
    work.catalogue_path = catalogue_path;
    // A series: one Enter (or q) answers for every lane, once all have
    // finished their chip; the numbers and the log are shared.
    EnterPrompt person(environment.next_chip_input, err);
    SharedNextChipGate gate(person, static_cast<int>(lanes.size()));
    SeriesShared series;
    if (options.Series()) {
        series = SeriesOf(options, files, gate);
        work.series = &series;
        work.gate = &gate;
    }
    std::map<std::size_t, std::string> file_tags;
    const std::vector<std::string> tags = FileTags(lanes);
    for (std::size_t i = 0; i < lanes.size(); ++i) file_tags[lanes[i].number] = tags[i];
    const auto make_operator = [&](const ProgrammerEntry& entry) -> std::unique_ptr<Operator> {
        DialogAnswers answers;
        // One file per programmer, each under the rule that no file is replaced.
        if (options.output)
            answers.save_file = NameWithTag(*options.output, file_tags.at(entry.number));
        if (options.TakesImage()) {
            answers.open_file = options.image;
        } else {
            answers.save_format = options.format;
        }
        // Nobody is asked while several lanes run: without an answer given in
        // advance a stalled lane ends.
        answers.on_stall = options.on_stall;
        return std::make_unique<LaneOperator>(out, out_lock, err, err_lock, entry.Name(),
                                              std::move(answers), options.json);
    };
    const std::vector<LaneReport> reports = RunLanes(programmer, lanes, work, make_operator, clock);
    const bool sums = options.command == "read" || options.command == "verify";
    const auto say = [&](const std::string& line) {
        out << (options.json ? JsonLogEvent(line) : line) << '\n';
    };
    bool all_ok = true;
    bool unusable = false;
    for (const LaneReport& lane : reports) {
        if (!lane.problem.empty())
            err << kProgram << ShownText(lane.name) << ": " << lane.problem << '\n';
        say(LaneSummaryLine(lane, sums));
        all_ok = all_ok && lane.succeeded;
        unusable = unusable || lane.unusable;
    }
    say(LaneCountLine(reports));
    report.lanes = reports;
    // A file that no lane could use is the script's mistake, as it is with
    // one programmer: told apart from a chip that failed.
    if (unusable) return kExitUsage;
    return all_ok ? kExitSucceeded : kExitFailed;
}

// Start-up, then the one operation or the series. Link and session live only
// in here, so that they are gone before the emulated programmer they may talk to.
int Run(const CliOptions& options, const CliEnvironment& environment, Clock& clock,
        TerminalOperator& op, const std::string& catalogue_path,
        std::unique_ptr<Programmer>& programmer, CommandReport& report, std::ostream& out,
        std::ostream& err) {
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
    if (options.command == kDevicesCommand) return ListDevices(*programmer, options.json, out, err);
    std::vector<ProgrammerEntry> chosen;
    if (!ChooseDevices(*programmer, options.device, chosen, error)) {
        err << kProgram << error << '\n';
        return kExitUsage;
    }
    if (options.Gang())
        return RunGang(options, environment, clock, catalogue_path, *programmer, chosen, files,
                       report, out, err);
    // A chosen programmer that cannot be opened says why before start-up stops.
    if (!chosen.empty() && !chosen.front().facts.problem.empty())
        err << kProgram << chosen.front().path << ": " << chosen.front().facts.problem << '\n';

    ProgrammerSession lane(*programmer, chosen, op, clock, catalogue_path, false);
    Session& session = lane.session();
    session.settings = SettingsOf(options);
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
    CommandReport report;
    // Under --json every way out ends with a result, a wrong command line too:
    // a program reading the events must not be left waiting for one.
    const auto closing = [&](int status) {
        if (options.json) out << JsonResultEvent(status, report) << '\n' << std::flush;
        return status;
    };
    if (!ParseCliArgs(args, options, error)) {
        for (const std::string& arg : args) {
            if (arg == "--") break;
            if (arg == "--json") options.json = true;
        }
        report.command = options.command;
        return closing(UsageError(err, error));
    }
    if (options.help) {
        out << UsageText();
        return kExitSucceeded;
    }
    report.command = options.command;
    if (options.command == kImageCommand) return closing(MakeImage(options, out, err, environment));
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
        return closing(UsageError(err, error));
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
    const std::unique_ptr<ChipTable> catalogue = MakeChipTable(location.path);

    std::unique_ptr<Programmer> programmer;
    int status = kExitStopped;
    try {
        status =
            options.operation == nullptr && options.command != kDevicesCommand
                ? ListOrCopyChips(options, *catalogue, out, err, report)
                : Run(options, environment, clock, op, location.path, programmer, report, out, err);
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
    for (std::size_t n = 0; programmer && n < programmer->emulated_count(); ++n) {
        emu::EmulatedProgrammer& emulated = *programmer->emulated(n);
        const emu::EmulatorOptions its = options.EmulatorOptionsFor(n);
        if (!emulated.WriteWireLog()) {
            err << kProgram << "Журнал обмена \"" << *its.wire_log << "\" не удаётся записать\n";
            if (status == kExitSucceeded) status = kExitFailed;
        }
        // The chip file is the emulated chip's memory: losing a change is a failure.
        if (emulated.firmware().backing_failed()) {
            err << kProgram << "Эмулируемый чип не удаётся сохранить в \"" << *its.chip_file
                << "\"\n";
            if (status == kExitSucceeded) status = kExitFailed;
        }
    }
    return closing(status);
}

}  // namespace dspprog
