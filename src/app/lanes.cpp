// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/lanes.h"

#include <cstdio>
#include <exception>
#include <thread>

#include "app/programmer_session.h"
#include "base/shown_text.h"

namespace dspprog {

namespace {

// The lane's chips one after the other; the operator's answer and the serial
// numbers come through `work.series`, shared with the other lanes.
void RunSeriesLane(Programmer& programmer, Session& session, const LaneWork& work,
                   LaneReport& report) {
    SeriesLane lane{session, programmer.Identity(session.link),
                    [&programmer, &session](bool slowly, std::string& error) {
                        return programmer.ChipDone(session.link, slowly, error);
                    }};
    const SeriesOutcome outcome = RunSeries(lane, *work.series);
    report.counts = outcome.counts;
    report.problem = outcome.message;
    report.succeeded = outcome.end == SeriesOutcome::End::Finished && outcome.counts.failed == 0 &&
                       outcome.counts.passed > 0;
    report.unusable = outcome.end == SeriesOutcome::End::Unusable;
}

void RunLane(Programmer& programmer, const ProgrammerEntry& entry, const LaneWork& work,
             const LaneOperatorMaker& make_operator, Clock& clock, LaneReport& report) {
    report.name = entry.Name();
    const std::uint64_t start = clock.NowMs();
    std::unique_ptr<Operator> op = make_operator(entry);
    try {
        // Kept deadlines: a stall late in a long write is reported within
        // minutes, not after the hour a grown factor would allow, so that no
        // lane holds the whole run.
        ProgrammerSession lane(programmer, {entry}, *op, clock, work.catalogue_path, true);
        Session& session = lane.session();
        session.settings = work.settings;
        session.DecimalSeparator = work.decimal_separator;
        if (work.series != nullptr) {
            RunSeriesLane(programmer, session, work, report);
        } else {
            const Outcome outcome = RunInterlocked(session, *work.operation);
            report.succeeded = outcome == Outcome::Succeeded;
            report.unusable = outcome == Outcome::Unusable;
        }
        report.chip = session.tChip.Name;
        report.chip_sum = session.chip_sum;
    } catch (const FatalStop& stop) {
        if (stop.kind() == FatalStop::Kind::Halt) op->ErrorBox(stop.BoxText());
    } catch (const std::exception& failure) {
        op->ErrorBox(std::string("internal error: ") + failure.what());
    }
    // The others no longer wait for this lane's answer.
    if (work.gate != nullptr) work.gate->Leave();
    report.ms = clock.NowMs() - start;
}

}  // namespace

std::vector<LaneReport> RunLanes(Programmer& programmer, const std::vector<ProgrammerEntry>& lanes,
                                 const LaneWork& work, const LaneOperatorMaker& make_operator,
                                 Clock& clock) {
    std::vector<LaneReport> reports(lanes.size());
    std::vector<std::thread> threads;
    threads.reserve(lanes.size());
    for (std::size_t i = 0; i < lanes.size(); ++i)
        threads.emplace_back(RunLane, std::ref(programmer), std::cref(lanes[i]), std::cref(work),
                             std::cref(make_operator), std::ref(clock), std::ref(reports[i]));
    for (std::thread& thread : threads) thread.join();
    return reports;
}

std::string LaneSummaryLine(const LaneReport& report, bool sums) {
    std::string line =
        ShownText(report.name) + '\t' + (report.chip.empty() ? "-" : ShownText(report.chip)) +
        '\t' + (report.succeeded ? "OK" : "ОШИБКА") + '\t' + std::to_string(report.ms) + " мс";
    if (sums) {
        char digits[8] = "-";
        if (report.chip_sum)
            std::snprintf(digits, sizeof digits, "%04Xh", static_cast<unsigned>(*report.chip_sum));
        line += '\t';
        line += digits;
    }
    return line;
}

std::string LaneCountLine(const std::vector<LaneReport>& reports) {
    std::size_t ok = 0;
    for (const LaneReport& report : reports) ok += report.succeeded ? 1 : 0;
    return "Программаторов: " + std::to_string(reports.size()) + ", OK: " + std::to_string(ok) +
           ", ОШИБКА: " + std::to_string(reports.size() - ok);
}

}  // namespace dspprog
