// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window_handlers.h"

#include <QCheckBox>
#include <QPushButton>

#include "app/operation_table.h"
#include "window/fatal_report.h"
#include "window/main_window.h"

namespace dspprog {

WindowHandlers::WindowHandlers(MainWindow& window, Session& session)
    : window_(window), session_(session) {
    for (const OperationRow& row : OperationRows()) {
        auto* button = window_.findChild<QPushButton*>(QString::fromUtf8(row.button));
        // A row naming no button of this window is a mistake in the table:
        // better the program does not start than a button that does nothing.
        if (button == nullptr)
            qFatal("no button '%s' for the command '%s'", row.button, row.command);
        const ButtonOperation& operation = row.operation;
        connect(button, &QPushButton::clicked, this, [this, &operation] { Start(operation); });
    }

    connect(&worker_, &OperationWorker::Finished, this, &WindowHandlers::OnFinished);
    connect(&worker_, &OperationWorker::Stopped, this, &WindowHandlers::OnStopped);
    window_.HoldCloseWhile([this] { return running(); });
}

void WindowHandlers::Start(const ButtonOperation& operation) {
    // Busy is claimed here, on the window's thread, before the work goes to
    // the worker, so that a click arriving before the worker has started is
    // refused too; it is cleared here as well, once the worker is done.
    if (session_.Busy) return;
    session_.Busy = 1;
    // The operation reads these on its own thread; they cannot change while it
    // runs because the check boxes are disabled.
    session_.settings.save_read = !window_.CheckBoxNotWrite->isChecked();
    session_.settings.erase_first = !window_.CheckBoxNotErase->isChecked();
    session_.settings.pad_short_image = window_.CheckBoxPad->isChecked();
    session_.settings.layout.lane = window_.ChosenLane();
    session_.settings.layout.swap = window_.CheckBoxSwap->isChecked();
    window_.ShowProgress(0, 0);
    window_.EnableControls(false);
    worker_.Run([this, &operation] { RunButtonOperation(session_, operation); });
}

void WindowHandlers::OnFinished() {
    session_.Busy = 0;
    window_.EnableControls(true);
    window_.ReleaseHeldClose();
}

void WindowHandlers::OnStopped(const FatalStop& stop) {
    session_.Busy = 0;
    const int status = ReportFatalStop(stop, &window_);
    session_.link.Close();
    emit ExitRequested(status);
}

}  // namespace dspprog
