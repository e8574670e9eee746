// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window_handlers.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>

#include "base/shown_text.h"
#include "operations/write_chip.h"
#include "startup/operation_table.h"
#include "startup/programmer.h"
#include "window/fatal_report.h"
#include "window/main_window.h"
#include "window/qt_operator.h"

namespace dspprog {

WindowHandlers::WindowHandlers(MainWindow& window, Session& session, QSettings& settings)
    : window_(window),
      session_(session),
      settings_(settings),
      series_setup_(LoadSeriesSetup(settings)),
      next_chip_(window) {
    for (const OperationRow& row : OperationRows()) {
        auto* button = window_.findChild<QPushButton*>(QString::fromUtf8(row.button));
        // A row naming no button of this window is a mistake in the table:
        // better the program does not start than a button that does nothing.
        if (button == nullptr)
            qFatal("no button '%s' for the command '%s'", row.button, row.command);
        const ButtonOperation& operation = row.operation;
        connect(button, &QPushButton::clicked, this, [this, &operation] { Start(operation); });
    }

    connect(window_.SerialButton, &QPushButton::clicked, this, &WindowHandlers::EditSeries);
    connect(&worker_, &OperationWorker::Finished, this, &WindowHandlers::OnFinished);
    connect(&worker_, &OperationWorker::Stopped, this, &WindowHandlers::OnStopped);
    window_.HoldCloseWhile([this] { return running(); });
}

void WindowHandlers::Start(const ButtonOperation& operation) {
    // Busy is claimed here, on the window's thread, before the work goes to
    // the worker, so that a click arriving before the worker has started is
    // refused too; it is cleared here as well, once the worker is done.
    if (session_.Busy) return;
    std::string error;
    // A series' numbering, serial file or log that cannot be used is said
    // before anything starts.
    plan_ = job_ && &job_->operation->operation == &operation ? *job_
                                                              : PlanFromControls(operation, error);
    if (plan_.operation == nullptr || (plan_.Series() && !OpenPlanFiles(plan_, files_, error))) {
        files_ = {};
        QMessageBox::critical(&window_, kErrorBoxTitle, QString::fromStdString(error));
        return;
    }
    session_.Busy = 1;
    window_.ShowProgress(0, 0);
    if (plan_.Series()) window_.ShowSeriesCounts(QString::fromStdString(CountsLine({})).trimmed());
    window_.EnableControls(false);
    worker_.Run(
        [this] { outcome_ = RunOnSession(plan_, session_, programmer_, files_, next_chip_); });
}

// The file is asked for once
// the chip is identified, so the plan names none. A write with "Серия" goes
// chip after chip, with the numbering and the log of "Серийный номер…";
// empty `operation` in the plan, with `error` set, when the numbering
// cannot be read.
RunPlan WindowHandlers::PlanFromControls(const ButtonOperation& operation, std::string& error) {
    RunPlan plan;
    for (const OperationRow& row : OperationRows())
        if (&row.operation == &operation) plan.operation = &row;
    plan.save_read = !window_.CheckBoxNotWrite->isChecked();
    plan.passes = window_.CheckBoxReadTwice->isChecked() ? 2 : 1;
    plan.erase_first = !window_.CheckBoxNotErase->isChecked();
    plan.pad = window_.CheckBoxPad->isChecked();
    plan.layout.lane = window_.ChosenLane();
    plan.layout.swap = window_.CheckBoxSwap->isChecked();
    if (&operation != &kWriteChipButton || !window_.CheckBoxSeries->isChecked()) return plan;
    plan.save_read = false;
    plan.repeat = true;
    if (series_setup_.numbered) {
        SerialNumbering numbering;
        if (!ParseSerialNumbering(series_setup_.numbering.toStdString(), numbering, error)) {
            plan.operation = nullptr;
            return plan;
        }
        plan.serial = numbering;
        if (!series_setup_.serial_db.isEmpty()) {
            plan.serial_db = series_setup_.serial_db.toStdString();
            if (!series_setup_.serial_series.isEmpty())
                plan.serial_series = series_setup_.serial_series.toStdString();
        } else if (!series_setup_.serial_file.isEmpty()) {
            plan.serial_file = series_setup_.serial_file.toStdString();
        }
    }
    if (!series_setup_.log_file.isEmpty()) plan.log = series_setup_.log_file.toStdString();
    return plan;
}

void WindowHandlers::EditSeries() {
    if (session_.Busy) return;
    WindowSeriesSetup setup = series_setup_;
    if (EditSeriesSetup(&window_, setup)) SetSeriesSetup(setup);
}

void WindowHandlers::SetSeriesSetup(const WindowSeriesSetup& setup) {
    series_setup_ = setup;
    SaveSeriesSetup(settings_, series_setup_);
}

void WindowHandlers::OnFinished() {
    session_.Busy = 0;
    // The series' files are let go when it ends.
    files_ = {};
    if (outcome_) ShowOutcome(*outcome_);
    if (outcome_ && outcome_->counts) {
        window_.ShowSeriesCounts(QString::fromStdString(CountsLine(*outcome_->counts)).trimmed());
        if (!outcome_->problem.empty())
            QMessageBox::critical(&window_, kErrorBoxTitle,
                                  QString::fromStdString(outcome_->problem));
    }
    outcome_.reset();
    window_.EnableControls(true);
    emit OperationEnded();
    window_.ReleaseHeldClose();
}

void WindowHandlers::ShowProgrammer() {
    ProgrammerIdentity identity;
    if (programmer_ != nullptr) {
        identity = programmer_->Identity(session_.link);
    } else {
        identity.location = session_.link.DevicePath;
    }
    window_.ShowProgrammer(QString::fromStdString(identity.serial),
                           QString::fromStdString(identity.location));
}

void WindowHandlers::ShowOutcome(RunOutcome& outcome) {
    ShowProgrammer();
    const QString chip = QString::fromStdString(ShownText(outcome.chip.Name));
    if (!chip.isEmpty()) window_.ShowChip(chip, outcome.chip.Size);
    // An operation that brought no bytes (an identification, an erase, a
    // cancelled choice) leaves the buffer as it was.
    OperationFindings& found = outcome.findings;
    if (found.content.empty()) return;
    const QString title = found.content_source == OperationFindings::Source::Chip
                              ? QString("Считано из чипа \"%1\"").arg(chip)
                              : QString("Образ для чипа \"%1\", как он идёт в чип").arg(chip);
    window_.ShowBuffer(title, std::move(found.content), std::move(found.differing_marks));
}

void WindowHandlers::OnStopped(const FatalStop& stop) {
    session_.Busy = 0;
    files_ = {};
    outcome_.reset();
    const int status = ReportFatalStop(stop, &window_);
    session_.link.Close();
    emit ExitRequested(status);
}

}  // namespace dspprog
