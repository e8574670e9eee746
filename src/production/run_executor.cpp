// SPDX-License-Identifier: GPL-3.0-or-later
#include "production/run_executor.h"

#include <cstdio>
#include <exception>
#include <optional>
#include <thread>

#include "base/host_name.h"
#include "link/fatal_stop.h"
#include "operations/button_operation.h"
#include "production/job_file.h"
#include "production/database_stores.h"
#include "startup/exit_status.h"
#include "startup/programmer_session.h"

namespace dspprog {

namespace {

// How chips follow one another under the plan, for one site or for all.
SeriesShared SeriesOf(const RunPlan& plan, PlanFiles& files, NextChipPrompt& prompt) {
    SeriesShared shared;
    shared.command = plan.operation->command;
    shared.operation = &plan.operation->operation;
    shared.settings.auto_next = plan.auto_next;
    shared.settings.numbered_files = plan.repeat || plan.auto_next;
    if (plan.repeat) {
        shared.settings.count = plan.repeat_count;
    } else if (!plan.auto_next) {
        shared.settings.count = 1;  // one chip, numbered or logged
    }
    shared.serials = files.serials.get();
    shared.log = files.log.get();
    shared.host = HostName();
    shared.prompt = &prompt;
    return shared;
}

// How one programmer's part ended, before it becomes an exit status.
struct End {
    bool succeeded = false;
    bool unusable = false;
    bool server_lost = false;
};

End EndOf(Outcome outcome) {
    // An unusable file is told apart from a chip that differs or a write that
    // failed: the file never got as far as the chip.
    return {outcome == Outcome::Succeeded, outcome == Outcome::Unusable};
}

End EndOf(const SeriesOutcome& outcome) {
    return {outcome.end == SeriesOutcome::End::Finished && outcome.counts.failed == 0 &&
                outcome.counts.passed > 0,
            outcome.end == SeriesOutcome::End::Unusable,
            outcome.end == SeriesOutcome::End::Stopped};
}

// The one rule: a lost server stops the run; else any part that could not
// use its input makes the run the script's mistake; else any failed part
// fails it.
int StatusOf(const std::vector<End>& ends) {
    bool succeeded = true;
    for (const End& end : ends)
        if (end.server_lost) return kExitStopped;
    for (const End& end : ends) {
        if (end.unusable) return kExitUsage;
        succeeded = succeeded && end.succeeded;
    }
    return succeeded ? kExitSucceeded : kExitFailed;
}

// Why the last chip failed, as the operation found it.
std::string ReasonOf(const Session& session, const End& end) {
    return end.succeeded ? std::string() : session.findings.failure;
}

// The plan's one operation or series on one open session, and how it ended.
End RunPart(const RunPlan& plan, Session& session, Programmer* programmer, PlanFiles& files,
            NextChipPrompt& prompt, RunOutcome& outcome) {
    session.settings = plan.Settings();
    // Checked after every identification of every chip, before anything is
    // erased or written: a job is for its chip only.
    if (plan.expected_chip)
        session.settings.chip_check = [&plan](const ChipRecord& chip, std::string& reason) {
            return CheckExpectedChip(plan, chip, reason);
        };
    if (!plan.Series()) return EndOf(RunButtonOperation(session, plan.operation->operation));
    SeriesSite site{session, {}, {}};
    if (programmer != nullptr) {
        site.identity = programmer->Identity(session.link);
        site.chip_done = [programmer, &session](bool slowly, std::string& error) {
            return programmer->ChipDone(session.link, slowly, error);
        };
    } else {
        site.identity.location = session.link.DevicePath;
    }
    const SeriesOutcome series = RunSeries(site, SeriesOf(plan, files, prompt));
    outcome.counts = series.counts;
    outcome.problem = series.message;
    return EndOf(series);
}

// What every site of a gang shares.
struct GangWork {
    const RunPlan& plan;
    const GangPlace& place;
    PlanFiles& files;
    // The operator's one answer for every site; each site leaves it when it ends.
    SharedNextChipGate& gate;
};

void RunSite(Programmer& programmer, const ProgrammerEntry& entry, const GangWork& work,
             Clock& clock, SiteReport& report) {
    report.name = entry.Name();
    const std::uint64_t start = clock.NowMs();
    std::unique_ptr<Operator> op = work.place.make_operator(entry);
    // Outlives the try block, so that a stop still finds the chip identified.
    std::optional<ProgrammerSession> site;
    try {
        // Kept deadlines: a stall late in a long write is reported within
        // minutes, not after the hour a grown factor would allow, so that no
        // site holds the whole run.
        site.emplace(programmer, std::vector<ProgrammerEntry>{entry}, *op, clock,
                     work.place.catalogue_path, true);
        Session& session = site->session();
        session.DecimalSeparator = work.place.decimal_separator;
        RunOutcome part;
        const End end = RunPart(work.plan, session, &programmer, work.files, work.gate, part);
        report.succeeded = end.succeeded;
        report.unusable = end.unusable;
        report.server_lost = end.server_lost;
        report.counts = part.counts;
        report.problem = part.problem;
        report.reason = part.problem.empty() ? ReasonOf(session, end) : part.problem;
        report.chip = session.tChip.Name;
        report.chip_sum = session.chip_sum;
        report.findings = session.findings;
    } catch (const FatalStop& stop) {
        // The chip identified before the stop is still the site's chip.
        if (site) report.chip = site->session().tChip.Name;
        report.stopped = true;
        report.reason = stop.message();
        // Not the closing sentence of a whole program's stop: the others go on.
        if (stop.kind() == FatalStop::Kind::Halt)
            op->ErrorBox(stop.message() + "\n\r" + kSiteStoppedClosing);
    } catch (const std::exception& failure) {
        report.stopped = true;
        report.reason = std::string("internal error: ") + failure.what();
        op->ErrorBox(report.reason);
    }
    site.reset();  // its programmer is let go before the others are told
    // The others no longer wait for this site's answer.
    work.gate.Leave();
    report.ms = clock.NowMs() - start;
}

}  // namespace

bool OpenPlanFiles(const RunPlan& plan, PlanFiles& files, std::string& error) {
    files.status = kExitUsage;
    DatabaseRefusal refusal;
    if (plan.serial && plan.serial_db) {
        const std::string series = plan.serial_series.value_or(SerialNumberingText(*plan.serial));
        files.serials = OpenDatabaseSerials(*plan.serial_db, series, *plan.serial, refusal);
    } else if (plan.serial) {
        files.serials = SerialSource::Open(*plan.serial, plan.serial_file, error);
        if (!files.serials) return false;
    }
    if (plan.log && refusal.text.empty()) {
        if (!IsDatabaseUrl(*plan.log)) {
            files.log = ChipLog::Open(*plan.log, error);
            if (!files.log) return false;
        } else {
            std::optional<std::string> series;
            if (plan.serial)
                series = plan.serial_series.value_or(SerialNumberingText(*plan.serial));
            files.log = OpenDatabaseLog(*plan.log, series, refusal);
        }
    }
    if (refusal.text.empty()) return true;
    error = refusal.text;
    files.status = refusal.status;
    return false;
}

RunOutcome RunOnSession(const RunPlan& plan, Session& session, Programmer* programmer,
                        PlanFiles& files, NextChipPrompt& prompt) {
    RunOutcome outcome;
    const End end = RunPart(plan, session, programmer, files, prompt, outcome);
    outcome.status = StatusOf({end});
    outcome.reason = ReasonOf(session, end);
    outcome.chip = session.tChip;
    outcome.findings = session.findings;
    outcome.chip_sum = session.chip_sum;
    return outcome;
}

RunOutcome RunGang(const RunPlan& plan, Programmer& programmer,
                   const std::vector<ProgrammerEntry>& sites, const GangPlace& place,
                   PlanFiles& files, NextChipPrompt& person, Clock& clock) {
    SharedNextChipGate gate(person, static_cast<int>(sites.size()));
    const GangWork work{plan, place, files, gate};
    std::vector<SiteReport> reports(sites.size());
    std::vector<std::thread> threads;
    threads.reserve(sites.size());
    for (std::size_t i = 0; i < sites.size(); ++i)
        threads.emplace_back(RunSite, std::ref(programmer), std::cref(sites[i]), std::cref(work),
                             std::ref(clock), std::ref(reports[i]));
    for (std::thread& thread : threads) thread.join();

    RunOutcome outcome;
    std::vector<End> ends;
    for (const SiteReport& site : reports) {
        ends.push_back({site.succeeded, site.unusable, site.server_lost});
        if (!site.succeeded && outcome.reason.empty()) outcome.reason = site.reason;
    }
    outcome.status = StatusOf(ends);
    outcome.sites = std::move(reports);
    return outcome;
}

std::string SiteSummaryLine(const SiteReport& report, bool sums) {
    std::string line = report.name + '\t' + (report.chip.empty() ? "-" : report.chip) + '\t' +
                       (report.succeeded ? "OK" : "ОШИБКА") + '\t' + std::to_string(report.ms) +
                       " мс";
    if (sums) {
        char digits[8] = "-";
        if (report.chip_sum)
            std::snprintf(digits, sizeof digits, "%04Xh", static_cast<unsigned>(*report.chip_sum));
        line += '\t';
        line += digits;
    }
    if (!report.succeeded && !report.reason.empty()) line += '\t' + report.reason;
    return line;
}

std::string SiteCountLine(const std::vector<SiteReport>& reports) {
    std::size_t ok = 0;
    for (const SiteReport& report : reports) ok += report.succeeded ? 1 : 0;
    return "Программаторов: " + std::to_string(reports.size()) + ", OK: " + std::to_string(ok) +
           ", ОШИБКА: " + std::to_string(reports.size() - ok);
}

}  // namespace dspprog
