// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/run_cli.h"

#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <ostream>

#include "base/digits.h"
#include "base/name_with_tag.h"
#include "base/shown_text.h"
#include "base/utf8_file.h"
#include "catalogue/catalogue_export.h"
#include "catalogue/chip_table.h"
#include "catalogue/lookup.h"
#include "cli/cli_options.h"
#include "cli/enter_prompt.h"
#include "cli/json_events.h"
#include "cli/site_operator.h"
#include "cli/terminal_operator.h"
#include "link/device_choice.h"
#include "link/link.h"
#include "operations/identify.h"
#include "operations/session.h"
#include "production/chip_log.h"
#include "production/job_file.h"
#include "production/database_stores.h"
#include "production/run_executor.h"
#include "production/run_plan.h"
#include "startup/image_command.h"
#include "startup/programmer.h"
#include "startup/programmer_session.h"
#include "startup/run_files.h"

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

// The db command: the database alone, no programmer and no catalogue.
int RunDbCommand(const CliOptions& options, std::ostream& out, std::ostream& err) {
    std::vector<std::string> lines;
    DatabaseRefusal refusal;
    const int status = options.db_action == "init"
                           ? InitDatabase(options.db_url, lines, refusal)
                           : ReportDatabase(options.db_url, options.db_series, lines, refusal);
    for (const std::string& line : lines) {
        // Names from the database keep to their fields, whatever they hold.
        std::string shown;
        for (std::size_t from = 0, tab = 0; tab != std::string::npos; from = tab + 1) {
            tab = line.find('\t', from);
            shown += ShownText(std::string_view(line).substr(from, tab - from));
            if (tab != std::string::npos) shown += '\t';
        }
        out << (options.json ? JsonLogEvent(shown) : shown) << '\n';
    }
    if (status != kExitSucceeded) err << kProgram << ShownText(refusal.text) << '\n';
    return status;
}

// The run the options ask for.
RunPlan PlanOf(const CliOptions& options) {
    RunPlan plan;
    plan.operation = options.operation;
    if (options.TakesImage()) {
        plan.image = options.image;
        plan.image_format = options.format;
    } else {
        plan.output_format = options.format;
    }
    plan.layout = options.layout;
    plan.offset = options.offset;
    plan.pad = options.pad;
    plan.erase_first = !options.no_erase;
    plan.save_read = options.output.has_value();
    plan.output = options.output;
    plan.sums = options.sums;
    plan.passes = options.passes;
    plan.serial = options.serial;
    plan.serial_file = options.serial_file;
    plan.serial_db = options.serial_db;
    plan.serial_series = options.serial_series;
    plan.repeat = options.repeat;
    plan.repeat_count = options.repeat_count;
    plan.auto_next = options.auto_next;
    plan.log = options.log;
    plan.device = options.device;
    plan.on_stall = options.on_stall;
    return plan;
}

// run JOB: the job's plan, with what the place of the run decides: the
// programmer, the answer to a stall, and the series' --repeat and
// --auto-next when they are given.
RunPlan PlanOfJob(const Job& job, const CliOptions& options) {
    RunPlan plan = job.plan;
    plan.device = options.device;
    plan.on_stall = options.on_stall;
    if (options.repeat || options.auto_next) {
        plan.repeat = options.repeat;
        plan.repeat_count = options.repeat_count;
        plan.auto_next = options.auto_next;
    }
    return plan;
}

// The files the plan names, for the rule that one file plays one part.
FileRoles RolesOf(const RunPlan& plan) {
    FileRoles roles;
    roles.output = plan.output;
    if (plan.operation != nullptr && plan.operation->takes_image) {
        roles.image = plan.image;
        for (const PlacedName& more : plan.layout.more) roles.more_images.push_back(more.name);
    }
    return roles;
}

// job save: the plan written as a job for `chip`.
int SaveCliJob(const RunPlan& plan, const ChipRecord& chip, const CliOptions& options,
               std::ostream& out, std::ostream& err) {
    std::string error;
    if (!SaveJob(plan, chip, *options.job_file, error)) {
        err << kProgram << error << '\n';
        return kExitUsage;
    }
    const std::string line = "Задание для чипа \"" + ShownText(chip.Name) + "\" сохранено в \"" +
                             ShownText(*options.job_file) + "\"";
    out << (options.json ? JsonLogEvent(line) : line) << '\n';
    return kExitSucceeded;
}

// job save --chip CODE|NAME: the chip from the catalogue, no programmer.
int SaveJobForNamedChip(const RunPlan& plan, const CliOptions& options, ChipTable& catalogue,
                        std::ostream& out, std::ostream& err) {
    std::string error;
    const std::vector<ChipRow> rows = ReadChipRows(catalogue);
    const ChipRow* row = ChooseChipRow(rows, *options.job_chip, error);
    const std::string code = row ? ChipField(*row, "Code") : std::string();
    const std::optional<std::uint64_t> value =
        code.size() == 4 ? ParseDigits(code, 16, 0xFFFF) : std::nullopt;
    if (!value) {
        err << kProgram
            << (error.empty() ? "Чипа \"" + ShownText(*options.job_chip) + "\" нет в каталоге"
                              : error)
            << '\n';
        return kExitUsage;
    }
    ChipRecord chip;
    chip.ManufCode = static_cast<std::uint8_t>(*value >> 8);
    chip.DevCode = static_cast<std::uint8_t>(*value & 0xFF);
    chip.Name = ChipField(*row, "Name");
    return SaveCliJob(plan, chip, options, out, err);
}

// The dialogs' answers the plan gives in advance.
DialogAnswers AnswersOf(const RunPlan& plan) {
    DialogAnswers answers;
    answers.save_file = plan.output;
    if (plan.operation != nullptr && plan.operation->takes_image) {
        answers.open_file = plan.image;
    } else {
        answers.save_format = plan.output_format;
    }
    answers.on_stall = plan.on_stall;
    return answers;
}

// What the executor found goes into the closing report; a series that
// could not go on says why.
int Reported(const RunOutcome& outcome, CommandReport& report, std::ostream& err) {
    report.counts = outcome.counts;
    report.reason = outcome.reason;
    report.sites = outcome.sites;
    if (!outcome.problem.empty()) err << kProgram << outcome.problem << '\n';
    return outcome.status;
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

// --device all: every programmer at once, each site's lines prefixed with
// its name (under --json, events naming it), then the summary.
int RunCliGang(const RunPlan& plan, const CliOptions& options, const CliEnvironment& environment,
               Clock& clock, const std::string& catalogue_path, Programmer& programmer,
               const std::vector<ProgrammerEntry>& sites, PlanFiles& files, CommandReport& report,
               std::ostream& out, std::ostream& err) {
    std::mutex out_lock;
    std::mutex err_lock;
    std::map<std::size_t, std::string> file_tags;
    const std::vector<std::string> tags = FileTags(sites);
    for (std::size_t i = 0; i < sites.size(); ++i) file_tags[sites[i].number] = tags[i];
    GangPlace place;
    place.catalogue_path = catalogue_path;
    place.decimal_separator = environment.decimal_separator;
    place.make_operator = [&](const ProgrammerEntry& entry) -> std::unique_ptr<Operator> {
        DialogAnswers answers = AnswersOf(plan);
        // One file per programmer, each under the rule that no file is replaced.
        if (plan.output) answers.save_file = NameWithTag(*plan.output, file_tags.at(entry.number));
        // Nobody is asked while several sites run: without an answer given in
        // advance a stalled site ends.
        return std::make_unique<SiteOperator>(out, out_lock, err, err_lock, entry.Name(),
                                              std::move(answers), options.json);
    };
    // A series: one Enter (or q) answers for every site, once all have
    // finished their chip; the numbers and the log are shared.
    EnterPrompt person(environment.next_chip_input, err);
    const RunOutcome outcome = RunGang(plan, programmer, sites, place, files, person, clock);
    const bool sums = options.command == "read" || options.command == "verify";
    const auto say = [&](const std::string& line) {
        out << (options.json ? JsonLogEvent(line) : line) << '\n';
    };
    for (const SiteReport& site : *outcome.sites) {
        if (!site.problem.empty())
            err << kProgram << ShownText(site.name) << ": " << site.problem << '\n';
        say(SiteSummaryLine(site, sums));
    }
    say(SiteCountLine(*outcome.sites));
    return Reported(outcome, report, err);
}

// Start-up, then the one operation or the series. Link and session live only
// in here, so that they are gone before the emulated programmer they may talk to.
int Run(const RunPlan& plan, const CliOptions& options, const CliEnvironment& environment,
        Clock& clock, TerminalOperator& op, const std::string& catalogue_path,
        std::unique_ptr<Programmer>& programmer, CommandReport& report, std::ostream& out,
        std::ostream& err) {
    std::string error;
    PlanFiles files;
    // A job is only saved: its series' files are the job's, not opened now.
    if (plan.Series() && !options.job_save && !OpenPlanFiles(plan, files, error)) {
        err << kProgram << error << '\n';
        return files.status;
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
    if (plan.Gang())
        return RunCliGang(plan, options, environment, clock, catalogue_path, *programmer, chosen,
                          files, report, out, err);
    // A chosen programmer that cannot be opened says why before start-up stops.
    if (!chosen.empty() && !chosen.front().facts.problem.empty())
        err << kProgram << chosen.front().path << ": " << chosen.front().facts.problem << '\n';

    ProgrammerSession opened(*programmer, chosen, op, clock, catalogue_path, false);
    Session& session = opened.session();
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
    if (options.job_save) {
        // The job is for the chip in the socket.
        if (RunButtonOperation(session, kGetIdentButton) != Outcome::Succeeded) {
            err << kProgram << "Чип в колодке не определён: задание не сохранено\n";
            return kExitFailed;
        }
        return SaveCliJob(plan, session.tChip, options, out, err);
    }
    EnterPrompt prompt(environment.next_chip_input, err);
    return Reported(RunOnSession(plan, session, programmer.get(), files, prompt), report, err);
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
    report.command = options.job_save ? kJobCommand : options.command;
    if (options.command == kImageCommand) return closing(MakeImage(options, out, err, environment));
    if (options.command == kDbCommand) return closing(RunDbCommand(options, out, err));
    RunPlan plan;
    if (options.command == kRunCommand) {
        // Everything of the job is checked (its files read and their sums
        // compared) before any programmer is opened.
        Job job;
        if (!LoadJob(*options.job_file, job, error)) {
            err << kProgram << error << '\n';
            return closing(kExitUsage);
        }
        plan = PlanOfJob(job, options);
        // From here on the run is the job's command's.
        options.operation = plan.operation;
        options.command = report.command = plan.operation->command;
    } else {
        plan = PlanOf(options);
    }
    // Said before a programmer is touched; saving refuses it again should
    // the name be taken meanwhile.
    if (options.job_save && FilePresent(*options.job_file)) {
        err << kProgram << "Файл задания \"" << ShownText(*options.job_file)
            << "\" уже есть; задание не заменяет файлов\n";
        return closing(kExitUsage);
    }
    RunFiles files;
    if (!ChooseRunFiles(
            options,
            environment.catalogue_places.value_or(ProcessCatalogueEnvironment(std::nullopt)),
            RolesOf(plan), files, error))
        return closing(UsageError(err, error));
    const CatalogueLocation& location = files.location;

    SteadyClock steady_clock;
    Clock& clock = environment.clock ? *environment.clock : steady_clock;
    TerminalOperator op(out, err, environment.ask, AnswersOf(plan), environment.progress,
                        options.json);
    const std::unique_ptr<ChipTable> catalogue = MakeChipTable(location.path);

    std::unique_ptr<Programmer> programmer;
    int status = kExitStopped;
    try {
        if (options.job_save && options.job_chip) {
            status = SaveJobForNamedChip(plan, options, *catalogue, out, err);
        } else if (options.operation == nullptr && options.command != kDevicesCommand) {
            status = ListOrCopyChips(options, *catalogue, out, err, report);
        } else {
            status = Run(plan, options, environment, clock, op, location.path, programmer, report,
                         out, err);
        }
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
