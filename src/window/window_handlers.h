// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's click handlers: each starts its operation on the worker thread
// and gets the window back when it ends.

#include <QObject>
#include <memory>
#include <optional>

#include "operations/button_operation.h"
#include "operations/session.h"
#include "production/run_executor.h"
#include "production/run_plan.h"
#include "window/next_chip_box.h"
#include "window/operation_worker.h"
#include "window/series_dialog.h"

class QSettings;

namespace dspprog {

class MainWindow;
class Programmer;

class WindowHandlers final : public QObject {
    Q_OBJECT

public:
    // Connects the window's buttons, one for each row of the operations' table. `session.op` must
    // show its dialogs on the window's thread (QtOperator), or an operation waiting for an answer
    // would never get one.
    // The series' setup is kept in `settings`.
    WindowHandlers(MainWindow& window, Session& session, QSettings& settings);

    // The programmer behind the session, for the series' log and its chip
    // swaps; may stay unset (the log then names the link's device only).
    void SetProgrammer(Programmer* programmer) { programmer_ = programmer; }
    // The programmer the link is open on, in the status line.
    void ShowProgrammer();
    // "Серийный номер…": the dialog, and the setup kept when it is accepted.
    void EditSeries();
    // Takes `setup` for the next series and keeps it for the next runs.
    void SetSeriesSetup(const WindowSeriesSetup& setup);

    // What a button does: starts `operation` on the worker thread. A click
    // while an operation or the endpoint test runs does nothing: the controls
    // are disabled then, and this holds for a click that was already on its way.
    void Start(const ButtonOperation& operation);

    // Whether an operation runs: the session's Busy, which is the one record of it.
    bool running() const { return session_.Busy != 0; }

    // A job's plan: its operation's button runs it in place of what the
    // controls say; nothing: the controls again.
    void SetJob(std::optional<RunPlan> job) { job_ = std::move(job); }
    const std::optional<RunPlan>& job() const { return job_; }

    // The run the controls ask for, read on the window's thread: they cannot
    // change while it runs because they are disabled.
    RunPlan PlanFromControls(const ButtonOperation& operation, std::string& error);

signals:
    // An operation ended the program: its message has been shown and the link
    // closed. The program should end with `status`.
    void ExitRequested(int status);
    // An operation has ended and the controls are back.
    void OperationEnded();

private:
    void OnFinished();
    // What the run found, in the buffer pane and the status line.
    void ShowOutcome(RunOutcome& outcome);
    void OnStopped(const FatalStop& stop);

    MainWindow& window_;
    Session& session_;
    QSettings& settings_;
    Programmer* programmer_ = nullptr;
    WindowSeriesSetup series_setup_;
    std::optional<RunPlan> job_;
    NextChipBox next_chip_;
    // The running plan, its series' files, and how it ended.
    RunPlan plan_;
    PlanFiles files_;
    std::optional<RunOutcome> outcome_;
    OperationWorker worker_;
};

}  // namespace dspprog
