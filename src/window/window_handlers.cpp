// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/window_handlers.h"

#include <QCheckBox>
#include <QPushButton>

#include "operations/erase_chip.h"
#include "operations/identify.h"
#include "operations/read_chip.h"
#include "operations/speed_test.h"
#include "operations/verify_chip.h"
#include "operations/write_chip.h"
#include "window/fatal_report.h"
#include "window/main_window.h"

namespace dspprog {

WindowHandlers::WindowHandlers(MainWindow& window, Session& session)
    : window_(window), session_(session) {
    connect(window_.GetIdent, &QPushButton::clicked, this, &WindowHandlers::OnGetIdent);
    connect(window_.Read, &QPushButton::clicked, this, &WindowHandlers::OnRead);
    connect(window_.EreaseChip, &QPushButton::clicked, this, &WindowHandlers::OnEreaseChip);
    connect(window_.WriteChipButton, &QPushButton::clicked, this,
            &WindowHandlers::OnWriteChipButton);
    connect(window_.CompareButton, &QPushButton::clicked, this, &WindowHandlers::OnCompare);
    connect(window_.Button1, &QPushButton::clicked, this, &WindowHandlers::OnButton1);

    connect(&worker_, &OperationWorker::Finished, this, &WindowHandlers::OnFinished);
    connect(&worker_, &OperationWorker::Stopped, this, &WindowHandlers::OnStopped);
    window_.HoldCloseWhile([this] { return running(); });
}

void WindowHandlers::OnGetIdent() {
    Start(kGetIdentButton);
}
void WindowHandlers::OnRead() {
    Start(kReadButton);
}
void WindowHandlers::OnEreaseChip() {
    Start(kEreaseChipButton);
}
void WindowHandlers::OnWriteChipButton() {
    Start(kWriteChipButton);
}
void WindowHandlers::OnCompare() {
    Start(kCompareButton);
}
// The endpoint test takes no part in the operations' interlock, but the
// window runs one job at a time, so it holds Busy like the others.
void WindowHandlers::OnButton1() {
    Start(kButton1Button);
}

void WindowHandlers::Start(const ButtonOperation& operation) {
    // Busy is claimed here, on the window's thread, before the work goes to
    // the worker, so that a click arriving before the worker has started is
    // refused too; it is cleared here as well, once the worker is done.
    if (session_.Busy) return;
    session_.Busy = 1;
    // The operation reads these on its own thread; they cannot change while it
    // runs because the check boxes are disabled.
    session_.CheckBoxNotWrite = window_.CheckBoxNotWrite->isChecked();
    session_.CheckBoxNotErase = window_.CheckBoxNotErase->isChecked();
    session_.CheckBoxPad = window_.CheckBoxPad->isChecked();
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
