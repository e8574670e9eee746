// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's click handlers: each starts its operation on the worker thread
// and gets the window back when it ends.

#include <QObject>

#include "operations/button_operation.h"
#include "operations/session.h"
#include "window/operation_worker.h"

namespace dspprog {

class MainWindow;

class WindowHandlers final : public QObject {
    Q_OBJECT

public:
    // Connects the window's buttons, one for each row of the operations' table. `session.op` must
    // show its dialogs on the window's thread (QtOperator), or an operation waiting for an answer
    // would never get one.
    WindowHandlers(MainWindow& window, Session& session);

    // What a button does: starts `operation` on the worker thread. A click
    // while an operation or the endpoint test runs does nothing: the controls
    // are disabled then, and this holds for a click that was already on its way.
    void Start(const ButtonOperation& operation);

    // Whether an operation runs: the session's Busy, which is the one record of it.
    bool running() const { return session_.Busy != 0; }

signals:
    // An operation ended the program: its message has been shown and the link
    // closed. The program should end with `status`.
    void ExitRequested(int status);

private:
    void OnFinished();
    void OnStopped(const FatalStop& stop);

    MainWindow& window_;
    Session& session_;
    OperationWorker worker_;
};

}  // namespace dspprog
